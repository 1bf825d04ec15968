#!/usr/bin/env bash
# Takes the README's pictures at 100%, 150% and 200% display scale (or at
# the percentages given): the settings dialog, the About box and the
# notification-area icon in Wine's own tray, into docs/. Each scale has a
# Wine prefix of its own under build/, so the test prefix keeps its scale,
# and a private display.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target Vireola StandInShell Press

build=$PWD/build/win32
IDC_ABOUT=1009

# Polls for a top-level X window by name, for up to ten seconds.
wait_for() {
    for _ in $(seq 50); do
        xwininfo -name "$1" >/dev/null 2>&1 && return 0
        sleep 0.2
    done
    echo "no window \"$1\"" >&2
    return 1
}

run() { "$build/winerun" "$@" >/dev/null 2>&1; }
# the current scale's server and display end with the run, however it ends
trap 'run --stop' EXIT

for percent in ${*:-100 150 200}; do
    unset DISPLAY   # winerun starts the prefix's own
    export WINEPREFIX=$build/shots/$percent/prefix
    run reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d $((percent * 96 / 100)) /f
    # every Wine process reads the scale as it starts, the tray's too
    run --stop
    run cmd /c exit
    export DISPLAY=$(cat "$build/shots/$percent/xvfb.display")

    run "$build/bin/StandInShell.exe" --items 8 --color 3A6EA5 &
    wait_for "Program Manager"
    run "$build/bin/Vireola.exe" /f &
    wait_for Vireola
    wait_for "Wine System Tray"
    sleep 1     # the first paint
    import -window Vireola "docs/settings-dialog-$percent.png"
    import -window "Wine System Tray" "docs/tray-icon-$percent.png"
    run "$build/bin/Press.exe" Vireola $IDC_ABOUT
    wait_for "About..."
    sleep 1
    import -window "About..." "docs/about-box-$percent.png"

    run --stop
    wait
done
ls -l docs/*.png
