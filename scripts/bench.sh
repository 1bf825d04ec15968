#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine in a prefix of their own and
# prints one table. --quick: shorter runs; --soak MINUTES: the soak.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Bench >/dev/null
build=$PWD/build/win32
# photographs' sizes for one evaluation each (ImageMagick), and the largest
# picture read whole (128 MiB decoded), as a PNG, which no decoder shrinks
for size in 1920x1080 6000x4000; do
    [ -f "$build/bin/wallpaper-$size.jpg" ] || convert -size "$size" plasma:fractal -quality 90 "$build/bin/wallpaper-$size.jpg"
done
[ -f "$build/bin/wallpaper-8192x4096.png" ] || convert -size 8192x4096 gradient:white-gray20 "$build/bin/wallpaper-8192x4096.png"
export WINEPREFIX=$build/wine/bench
trap '"$build/winerun" --stop' EXIT
"$build/winerun" "$build/bin/Bench.exe" "$@"
