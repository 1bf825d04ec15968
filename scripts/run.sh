#!/usr/bin/env bash
# Installs what is missing, builds, and runs Vireola.exe under Wine on the
# stand-in desktop shell, with the arguments given (none: the silent start;
# /f: the settings dialog). Without a display it runs in a private Xvfb and
# ends after a few seconds; either way it leaves a screenshot of the screen
# at build/win32/screenshot.png.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Vireola StandInShell

build=$PWD/build/win32
private=
if [ -z "${DISPLAY:-}" ]; then
    private=1
    export DISPLAY=:$((90 + RANDOM % 50))
    Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    xvfb=$!
    trap 'kill $xvfb 2>/dev/null' EXIT
    sleep 1
fi
export WINEPREFIX=$build/wine/demo
run() { "$build/winerun" "$@"; }
run cmd /c exit     # makes the prefix on the first run

run "$build/bin/StandInShell.exe" --items 8 --color 3A6EA5 &
sleep 1
run "$build/bin/Vireola.exe" "$@" &
sleep 3
import -window root "$build/screenshot.png"
echo "screenshot: $build/screenshot.png"

if [ -n "$private" ]; then
    wineserver -k || true
else
    wait
fi
