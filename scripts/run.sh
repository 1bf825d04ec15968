#!/usr/bin/env bash
# Installs what is missing, builds, and runs Vireola.exe under Wine on the
# stand-in desktop shell, with the arguments given (none: the silent start;
# /f: the settings dialog). Without a display it runs in a private Xvfb and
# ends after a few seconds; either way it leaves a screenshot of the screen
# at build/win32/screenshot.png. SHELL_OPTIONS gives the stand-in more of its
# options: "--refresh-every 1000" refreshes its view once a second, as F5 on
# the desktop does (so does F5 on the stand-in's view).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Vireola StandInShell

build=$PWD/build/win32
export WINEPREFIX=$build/wine/demo
run() { "$build/winerun" "$@"; }
private=
if [ -z "${DISPLAY:-}" ]; then
    # winerun starts a display of the prefix's own; it ends with this run
    private=1
    trap 'run --stop' EXIT
fi
run cmd /c exit     # makes the prefix (and the display) on the first run
[ -n "$private" ] && export DISPLAY=$(cat "$build/wine/xvfb.display")

# shellcheck disable=SC2086 # the options are words
run "$build/bin/StandInShell.exe" --items 8 --color 3A6EA5 ${SHELL_OPTIONS:-} &
sleep 1
run "$build/bin/Vireola.exe" "$@" &
sleep 3
import -window root "$build/screenshot.png"
echo "screenshot: $build/screenshot.png"
[ -n "$private" ] || wait
