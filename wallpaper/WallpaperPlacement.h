// Where the desktop shows its picture on a monitor, by the picture's
// position, and which of the picture's pixels shows at a point of the screen.
#pragma once
#include <windows.h>

// In the order of IDesktopWallpaper's DESKTOP_WALLPAPER_POSITION (Windows 8),
// whose values the program receives from it.
enum WallpaperPosition {
    WALLPAPER_CENTER,
    WALLPAPER_TILE,
    WALLPAPER_STRETCH,
    WALLPAPER_FIT,
    WALLPAPER_FILL,
    WALLPAPER_SPAN,
};

// From the values "WallpaperStyle" and "TileWallpaper" of the user's key
// "Control Panel\Desktop", as Windows 7 (and Wine) keep them: style "0" is
// centred, or tiled where TileWallpaper is "1"; "2" stretched, "6" fitted,
// "10" filled, "22" spanned. A missing (null) or unknown style counts as "0".
WallpaperPosition PositionFromRegistry(const char* style, const char* tile);

// A picture on one monitor, in screen coordinates.
struct Placement
{
    RECT monitor;       // the picture shows nowhere else
    RECT picture;       // the whole picture, beyond the monitor where cropped;
                        // tiled, the first tile
    bool tiled;
};

// The picture's own size in pixels; the virtual screen is the bounding box of
// all monitors (its origin may be negative), over which a spanned picture lies.
Placement PlacePicture(WallpaperPosition position, SIZE picture, const RECT& monitor, const RECT& virtualScreen);

// The pixel of the picture, decoded at the given size, that shows at a point
// of the screen; false where the desktop colour shows instead.
bool PixelAt(const Placement& placement, SIZE decoded, POINT screen, POINT* pixel);
