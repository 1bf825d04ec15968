#!/usr/bin/env bash
# Installs what is missing, builds both targets and runs the whole test suite
# under Wine in a private Xvfb: everything for the 32-bit product, and the
# tests that do not depend on bitness for the 64-bit build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake --preset win32 >/dev/null
cmake --build --preset win32
cmake --preset win64 >/dev/null
cmake --build --preset win64

status=0
ctest --preset win32 || status=$?
ctest --preset win64 || status=$?

# the build's Wine servers and displays end with the run
for prefix in build/win32/wine/prefix build/win32/wine/package build/win64/wine/prefix; do
    [ -d "$prefix" ] && WINEPREFIX=$PWD/$prefix wineserver -k 2>/dev/null || true
done
for pid in build/win32/wine/xvfb.pid build/win64/wine/xvfb.pid; do
    [ -f "$pid" ] && kill "$(cat "$pid")" 2>/dev/null || true
done
exit $status
