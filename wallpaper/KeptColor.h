// The colour last judged for "(Contrast With Wallpaper)", kept so that a
// silent start can put it on the labels at once, and what it was judged on:
// it is applied only while that still shows. A wallpaper changed while the
// program was not running, or a profile roamed from another PC, has none.
#pragma once
#include "../shell/LabelGrid.h"
#include "PicturePath.h"
#include <windows.h>

// Black or white; versions before the record ignore it and apply the colour.
#define WALLPAPER_TEXT_COLOR_VALUE "WallpaperTextColor"
#define WALLPAPER_JUDGED_ON_VALUE "WallpaperJudgedOn"

struct JudgedOn
{
    DWORD values;                       // JudgedValuesStamp
    DWORD layout;                       // LayoutStamp
    WIN32_FILE_ATTRIBUTE_DATA stamp;    // of the file that shows, zero for none
    WCHAR picture[MAX_PICTURE_PATH];    // that file (the shell's copy where it keeps one), empty for none
};

// Where the labels lie: the monitors' rectangles, and the view's DPI, icon
// spacing and number of icons. A start after docking, or on a profile
// roamed from another PC, has the same picture behind other places.
DWORD LayoutStamp(const ViewShape& view);

// The kept colour: CLR_NONE where there is none, or where the value is not a
// 4-byte REG_DWORD of black or white.
COLORREF ReadKeptColor();
// The kept colour where what it was judged on still shows; else CLR_NONE.
COLORREF ReadKeptColorForWhatShows();
void KeepColor(COLORREF text, const JudgedOn& on);
