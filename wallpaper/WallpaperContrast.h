// "(Contrast With Wallpaper)": black or white label text, whichever reads
// better on the picture the desktop shows behind its icons' labels.
#pragma once
#include "../framework/HeapArray.h"
#include "ShownWallpaper.h"
#include "WallpaperScene.h"

struct WallpaperContrast
{
    // False when no picture could be read (none set, missing, not a picture,
    // a format this Windows cannot decode): the colour is then the desktop
    // colour's contrast colour, as for "(System Text Color)".
    bool pictureRead;
    double darkEnd, lightEnd;       // luminances behind the labels
    COLORREF text;                  // black or white
    // The file rewritten in place when what shows changes (the scene's
    // watched one), empty for none, and its time and size before it was
    // read: a slideshow rewrites it with no message.
    WCHAR picture[MAX_PATH];
    WIN32_FILE_ATTRIBUTE_DATA pictureStamp;
    DWORD desktopValues;            // the registry's, as read (DesktopValuesStamp)
    DWORD judgedValues;             // JudgedValuesStamp, read first
    // What shows around the first label (around the primary monitor's work
    // area's top-left where there is none), a 32-bit DIB pixel (0x00RRGGBB)
    // for each screen pixel in rows from the top, previewSize as asked.
    SIZE previewSize;
    HeapArray<DWORD> preview;
};

// The whole evaluation, on a worker thread that has initialised COM: the
// desktop icon view (or none) is only sent bounded messages, and every
// picture on show is decoded once. No view, or no items: the whole of every
// monitor is judged.
void EvaluateWallpaperContrast(HWND hView, SIZE previewSize, WallpaperContrast& result);

// Each monitor's picture of a scene, decoded once however many monitors show
// it, and placed; false when none could be read.
struct DecodedScene
{
    Picture pictures[MAX_SCENE_MONITORS];
    ShownMonitor monitors[MAX_SCENE_MONITORS];
};
bool DecodeScene(const WallpaperScene& scene, DecodedScene& decoded);
