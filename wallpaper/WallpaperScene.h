// What the desktop shows behind its icons, as the system tells it: each
// monitor with its picture and the picture's position, and the desktop
// colour around and instead of pictures.
#pragma once
#include "PicturePath.h"
#include "WallpaperPlacement.h"
#include <windows.h>

enum { MAX_SCENE_MONITORS = 16 };

struct MonitorWallpaper
{
    RECT monitor;                   // screen coordinates
    // as the file calls take them (ReadablePath)
    WCHAR path[MAX_PICTURE_PATH];       // the picture shown; empty: none
    WCHAR fallback[MAX_PICTURE_PATH];   // read where the first cannot be; empty: none
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
    WCHAR watched[MAX_PICTURE_PATH];
    DWORD values;                   // DesktopValuesStamp as the scene was read
};

// Per monitor from IDesktopWallpaper (Windows 8 and later), as the shell
// shows it; elsewhere (Windows 7, Wine) one picture for every monitor and
// its position from the user's "Control Panel\Desktop" (SystemParametersInfo
// where the picture is not there), or from policy where a policy sets them.
// Where the shell keeps its own copies, the copy that shows each picture
// (ShellCopies.h). The calling thread has initialised COM.
void ReadWallpaperScene(WallpaperScene& scene);

// The wallpaper's values of the user's "Control Panel\Desktop", as Windows
// 7 keeps them; all zero where the key is not there.
#define DESKTOP_KEY "Control Panel\\Desktop"
struct DesktopValues
{
    WCHAR wallpaper[MAX_PICTURE_PATH];
    char style[16], tile[16];
    bool stored;                    // a picture is named
};
void ReadDesktopValues(HKEY hKey, DesktopValues& values);
// A digest of every value of the key that tells what shows: the picture,
// its position, and the shell's records of the pictures behind its copies
// ("TranscodedImageCache", "_000", ...), which a slideshow's step on Windows
// 8 and later changes where the name does not. Another value of the key
// changes it not. Names count without regard to case, as the registry's do;
// each value is read whole, up to MAX_VALUE_BYTES, and past it by its length.
// With records, the shell's records of its copies are taken on the way
// (ShellCopies.h), the key read once for both.
struct CopyRecords;
DWORD DesktopValuesStamp(HKEY hKey, CopyRecords* records = nullptr);

// The digests of what a judgement was made on: FNV-1a, from FNV_START.
enum : DWORD { FNV_START = 2166136261u };
DWORD Fold(DWORD stamp, const BYTE* bytes, DWORD count);

// What a judgement of the labels' colour was made on besides the picture's
// file: the desktop's values (their DesktopValuesStamp, where it has been
// read), a wallpaper set by policy, the desktop colour.
DWORD JudgedValuesStamp();
DWORD JudgedValuesStamp(DWORD desktopValues);

// The same time of last writing and size.
bool SameFileStamp(const WIN32_FILE_ATTRIBUTE_DATA& a, const WIN32_FILE_ATTRIBUTE_DATA& b);
