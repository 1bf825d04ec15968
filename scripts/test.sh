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
    for prefix in build/win32/wine/*/prefix build/win64/wine/*/prefix build/win32/wine/package; do
        if [ -d "$prefix" ]; then WINEPREFIX=$PWD/$prefix bash scripts/winerun --stop; fi
    done
}
trap stop EXIT

# side by side, each test on a desktop of its own and in a Wine prefix of its
# slot's (tests/CMakeLists.txt: one slot a core and one more)
jobs=$(($(nproc) + 1))
status=0
ctest --preset win32 -j "$jobs" || status=$?
ctest --preset win64 -j "$jobs" || status=$?
exit $status
