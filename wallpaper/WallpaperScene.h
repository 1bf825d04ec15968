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
    WCHAR path[MAX_PATH];           // empty: no picture
    WallpaperPosition position;
};

struct WallpaperScene
{
    MonitorWallpaper monitors[MAX_SCENE_MONITORS];
    int monitorCount;
    RECT virtualScreen;             // the bounding box of the monitors
    COLORREF desktop;
};

// Per monitor from IDesktopWallpaper (Windows 8 and later); elsewhere (Windows
// 7, Wine) one picture for every monitor and its position from the user's
// "Control Panel\Desktop" (SystemParametersInfo where the picture is not there). The calling thread has initialised COM.
void ReadWallpaperScene(WallpaperScene& scene);
