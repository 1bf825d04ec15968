#!/usr/bin/env bash
# Takes the README's pictures at 100%, 150% and 200% display scale (or at
# the percentages given): the settings dialog, the About box and the
# notification-area icon in Wine's own tray, into docs/; and the labels on a
# light wallpaper before and after "(Contrast With Wallpaper)" (only those
# with the argument "wallpaper"). Each scale has a
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

# The stand-in's top-left icons on a light picture: the shell's own white
# labels, then after a silent start with "(Contrast With Wallpaper)".
wallpaper_shots() {
    export WINEPREFIX=$build/shots/wallpaper/prefix
    mkdir -p "$build/shots/wallpaper"
    convert -size 800x600 gradient:'#fbfaf2-#b9d3ec' "BMP3:$build/shots/wallpaper/light.bmp"
    local picture key='HKCU\Software\Morvane\Vireola\Settings'
    picture=$("$build/winerun" winepath -w "$build/shots/wallpaper/light.bmp" 2>/dev/null | tr -d '\r')
    run reg add 'HKCU\Control Panel\Desktop' /v Wallpaper /t REG_SZ /d "$picture" /f
    run reg add 'HKCU\Control Panel\Desktop' /v WallpaperStyle /t REG_SZ /d 2 /f
    run reg add 'HKCU\Control Panel\Desktop' /v TileWallpaper /t REG_SZ /d 0 /f
    run reg add "$key" /v ReApply /t REG_DWORD /d 0 /f
    run reg add "$key" /v TextColorIndex /t REG_DWORD /d 21 /f
    for shot in before after; do
        unset DISPLAY
        run cmd /c exit
        export DISPLAY=$(cat "$build/shots/wallpaper/xvfb.display")
        run "$build/bin/StandInShell.exe" --items 8 --color 3A6EA5 &
        wait_for "Program Manager"
        [ $shot = before ] || run "$build/bin/Vireola.exe"
        sleep 1     # the shell repaints the labels when it is idle
        import -window root -crop 560x110+0+0 "docs/wallpaper-$shot.png"
        run --stop
        wait
    done
}
if [ "${1:-}" = wallpaper ]; then
    wallpaper_shots
    ls -l docs/wallpaper-*.png
    exit
fi

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
wallpaper_shots
ls -l docs/*.png
