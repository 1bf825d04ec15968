// What the desktop shows behind its icons, as the system tells it: each
// monitor with its picture and the picture's position, and the desktop
// colour around and instead of pictures.
#pragma once
#include "WallpaperPlacement.h"
#include <windows.h>

enum { MAX_SCENE_MONITORS = 16 };

struct MonitorWallpaper
{
    RECT monitor;                   // screen coordinates
    WCHAR path[MAX_PATH];           // the picture shown; empty: none
    WCHAR fallback[MAX_PATH];       // read where the first cannot be; empty: none
    WallpaperPosition position;
    int shellIndex;                 // the per-monitor class's number for it
};

struct WallpaperScene
{
    MonitorWallpaper monitors[MAX_SCENE_MONITORS];
    int monitorCount;
    RECT virtualScreen;             // the bounding box of the monitors
    COLORREF desktop;
    // Rewritten in place when what shows changes: the shell's own copy where
    // it keeps one, else the first monitor's picture. Empty for none.
    WCHAR watched[MAX_PATH];
    DWORD values;                   // DesktopValuesStamp as the scene was read
};

// Per monitor from IDesktopWallpaper (Windows 8 and later), as the shell
// shows it; elsewhere (Windows 7, Wine) one picture for every monitor and
// its position from the user's "Control Panel\Desktop" (SystemParametersInfo
// where the picture is not there). The calling thread has initialised COM.
void ReadWallpaperScene(WallpaperScene& scene);

// Windows 8 and later show their own converted copies, kept in the roaming
// Themes folder (themes, with its final backslash), and go on showing them
// when the originals are gone or cannot be decoded: "TranscodedWallpaper"
// where every monitor shows one picture, which then comes first, and
// "Transcoded_NNN" for the class's monitor NNN where they differ, which then
// stand in for the originals.
void ChooseShownPictures(WallpaperScene& scene, const WCHAR* themes);

// The wallpaper's values of the user's "Control Panel\Desktop", as Windows
// 7 keeps them; all zero where the key is not there.
#define DESKTOP_KEY "Control Panel\\Desktop"
struct DesktopValues
{
    WCHAR wallpaper[MAX_PATH];
    char style[16], tile[16];
    bool stored;                    // a picture is named
};
void ReadDesktopValues(HKEY hKey, DesktopValues& values);
// A digest of every value of the key that tells what shows: the picture,
// its position, and the shell's records of the pictures behind its copies
// ("TranscodedImageCache", "_000", ...), which a slideshow's step on Windows
// 8 and later changes where the name does not. Another value of the key
// changes it not.
DWORD DesktopValuesStamp(HKEY hKey);
