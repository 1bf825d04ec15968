#include "ShownWallpaper.h"

bool ShownColorAt(const ShownDesktop& shown, POINT screen, COLORREF* color)
{
    for (int i = 0; i < shown.count; ++i) {
        const ShownMonitor& monitor = shown.monitors[i];
        if (!PtInRect(&monitor.placement.monitor, screen))
            continue;
        const Picture* picture = monitor.picture;
        POINT pixel;
        if (picture && picture->pixels.Count() >= picture->size.cx * picture->size.cy
            && PixelAt(monitor.placement, picture->size, screen, &pixel))
            *color = ColorOfPixel(picture->pixels[pixel.y * picture->size.cx + pixel.x]);
        else
            *color = shown.desktop;
        return true;
    }
    return false;
}

void SampleRects(const ShownDesktop& shown, const RECT* rects, int count, int step, LuminanceHistogram& histogram)
{
    for (int i = 0; i < count; ++i) {
        for (LONG y = rects[i].top + step / 2; y < rects[i].bottom; y += step) {
            for (LONG x = rects[i].left + step / 2; x < rects[i].right; x += step) {
                COLORREF color;
                if (ShownColorAt(shown, {x, y}, &color))
                    histogram.Add(color);
            }
        }
    }
}

TextChoice ChooseForLabels(const ShownDesktop& shown, const RECT* labels, int count)
{
    LuminanceHistogram histogram;
    SampleRects(shown, labels, count, LABEL_SAMPLE_STEP, histogram);
    if (!histogram.Total()) {
        for (int i = 0; i < shown.count; ++i)
            SampleRects(shown, &shown.monitors[i].placement.monitor, 1, MONITOR_SAMPLE_STEP, histogram);
    }
    TextChoice choice;
    choice.darkEnd = histogram.Percentile(DARK_END_FRACTION);
    choice.lightEnd = histogram.Percentile(LIGHT_END_FRACTION);
    choice.text = ChooseTextColor(choice.darkEnd, choice.lightEnd);
    return choice;
}

void CopyShownArea(const ShownDesktop& shown, const RECT& area, DWORD* pixels)
{
    for (LONG y = area.top; y < area.bottom; ++y) {
        for (LONG x = area.left; x < area.right; ++x) {
            COLORREF color;
            if (!ShownColorAt(shown, {x, y}, &color))
                color = shown.desktop;
            *pixels++ = GetRValue(color) << 16 | GetGValue(color) << 8 | GetBValue(color);
        }
    }
}
