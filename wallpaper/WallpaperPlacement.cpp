#include "WallpaperPlacement.h"

// The style's number; 0 for anything else.
static int StyleNumber(const char* style)
{
    int value = 0;
    for (const char* c = style; c && *c; ++c) {
        if (*c < '0' || *c > '9' || value > 1000)
            return 0;
        value = value * 10 + (*c - '0');
    }
    return value;
}

WallpaperPosition PositionFromRegistry(const char* style, const char* tile)
{
    switch (StyleNumber(style)) {
    case 2: return WALLPAPER_STRETCH;
    case 6: return WALLPAPER_FIT;
    case 10: return WALLPAPER_FILL;
    case 22: return WALLPAPER_SPAN;
    }
    return tile && lstrcmpA(tile, "1") == 0 ? WALLPAPER_TILE : WALLPAPER_CENTER;
}

static RECT Centered(const RECT& area, LONGLONG cx, LONGLONG cy)
{
    LONG left = area.left + (LONG)((area.right - area.left - cx) / 2);
    LONG top = area.top + (LONG)((area.bottom - area.top - cy) / 2);
    return {left, top, left + (LONG)cx, top + (LONG)cy};
}

// Scaled to meet the area's edges: fitted, the picture's nearer pair of edges
// (the rest is desktop colour); filled, its farther pair (the rest cropped).
static RECT Scaled(const RECT& area, SIZE picture, bool fill)
{
    LONGLONG cx = area.right - area.left, cy = area.bottom - area.top;
    // as wide as the area when the area is the narrower, to fit, or the wider, to fill
    bool fullWidth = (cx * picture.cy <= cy * picture.cx) != fill;
    if (fullWidth)
        return Centered(area, cx, cx * picture.cy / picture.cx);
    return Centered(area, cy * picture.cx / picture.cy, cy);
}

Placement PlacePicture(WallpaperPosition position, SIZE picture, const RECT& monitor, const RECT& virtualScreen)
{
    Placement placement = {monitor, monitor, false};
    if (picture.cx <= 0 || picture.cy <= 0) {
        SetRectEmpty(&placement.picture);
        return placement;
    }
    switch (position) {
    case WALLPAPER_CENTER:
        placement.picture = Centered(monitor, picture.cx, picture.cy);
        break;
    case WALLPAPER_TILE:
        // Tiles start at each monitor's top-left.
        placement.picture = {monitor.left, monitor.top, monitor.left + picture.cx, monitor.top + picture.cy};
        placement.tiled = true;
        break;
    case WALLPAPER_STRETCH:
        break;
    case WALLPAPER_FIT:
    case WALLPAPER_FILL:
        placement.picture = Scaled(monitor, picture, position == WALLPAPER_FILL);
        break;
    case WALLPAPER_SPAN:
        placement.picture = Scaled(virtualScreen, picture, true);
        break;
    }
    return placement;
}

// The remainder that is never negative.
static LONG Wrap(LONG value, LONG period)
{
    LONG r = value % period;
    return r < 0 ? r + period : r;
}

bool PixelAt(const Placement& placement, SIZE decoded, POINT screen, POINT* pixel)
{
    const RECT& p = placement.picture;
    LONG cx = p.right - p.left, cy = p.bottom - p.top;
    if (cx <= 0 || cy <= 0 || decoded.cx <= 0 || decoded.cy <= 0 || !PtInRect(&placement.monitor, screen))
        return false;
    LONG x = screen.x - p.left, y = screen.y - p.top;
    if (placement.tiled) {
        x = Wrap(x, cx);
        y = Wrap(y, cy);
    } else if (x < 0 || y < 0 || x >= cx || y >= cy) {
        return false;
    }
    pixel->x = (LONG)((LONGLONG)x * decoded.cx / cx);
    pixel->y = (LONG)((LONGLONG)y * decoded.cy / cy);
    return true;
}
