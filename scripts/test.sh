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

# the build's Wine servers and displays end with the run, however it ends
stop() {
    for preset in win32 win64; do
        if [ -x "build/$preset/winerun" ]; then "build/$preset/winerun" --stop; fi
    done
    if [ -d build/win32/wine/package ]; then
        WINEPREFIX=$PWD/build/win32/wine/package build/win32/winerun --stop
    fi
}
trap stop EXIT

status=0
ctest --preset win32 || status=$?
ctest --preset win64 || status=$?
exit $status
