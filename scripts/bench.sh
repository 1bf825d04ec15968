#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine in a prefix of their own and
# prints one table. --quick: shorter runs; --soak MINUTES: the soak.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Bench >/dev/null
build=$PWD/build/win32
export WINEPREFIX=$build/wine/bench
trap '"$build/winerun" --stop' EXIT
"$build/winerun" "$build/bin/Bench.exe" "$@"
