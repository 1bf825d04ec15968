// The desktop as it shows behind the icons, made of pictures already in
// memory: which colour shows where, and which text colour reads best on what
// shows behind the labels. Nothing here asks the system anything.
#pragma once
#include "Legibility.h"
#include "PictureDecode.h"
#include "WallpaperPlacement.h"

struct ShownMonitor
{
    Placement placement;
    const Picture* picture;     // null: the desktop colour only
};

struct ShownDesktop
{
    const ShownMonitor* monitors;
    int count;
    COLORREF desktop;           // around and instead of pictures
};

// The colour that shows at a point of the screen; false off every monitor.
bool ShownColorAt(const ShownDesktop& shown, POINT screen, COLORREF* color);

// A sample every few screen pixels across and down: a label (some 67 by 37
// pixels at 96 DPI) gives about 270, enough for its darkest tenth to count,
// and a picture decoded at most 1024 wide has only one pixel for about every
// two of a monitor's. Whole monitors, sampled where no label is, more sparsely.
enum { LABEL_SAMPLE_STEP = 3, MONITOR_SAMPLE_STEP = 8 };

// Counts what shows at every step-th pixel of each rectangle, on monitors.
void SampleRects(const ShownDesktop& shown, const RECT* rects, int count, int step, LuminanceHistogram& histogram);

struct TextChoice
{
    double darkEnd, lightEnd;   // luminances at DARK_END_FRACTION and LIGHT_END_FRACTION
    COLORREF text;
};

// Judged on what shows behind the labels, or, where none lies on a monitor,
// behind the whole of every monitor.
TextChoice ChooseForLabels(const ShownDesktop& shown, const RECT* labels, int count);

// What shows in an area of the screen, a 32-bit DIB pixel (0x00RRGGBB) for
// each screen pixel in rows from the top; the desktop colour off monitors.
void CopyShownArea(const ShownDesktop& shown, const RECT& area, DWORD* pixels);
