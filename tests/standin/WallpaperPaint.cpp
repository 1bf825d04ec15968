#include "WallpaperPaint.h"
#include "wallpaper/WallpaperContrast.h"

static WallpaperScene g_scene;
static DecodedScene g_decoded;
static bool g_picture;

bool LoadWallpaper()
{
    ReadWallpaperScene(g_scene);
    g_picture = DecodeScene(g_scene, g_decoded);
    return g_picture;
}

bool PaintWallpaper(HWND hView, HDC hdc)
{
    RECT area;
    GetClientRect(hView, &area);
    MapWindowPoints(hView, nullptr, (POINT*)&area, 2);
    int cx = area.right - area.left, cy = area.bottom - area.top;
    HeapArray<DWORD> pixels;
    if (!g_picture || !pixels.Allocate(cx * cy))
        return false;
    ShownDesktop shown = {g_decoded.monitors, g_scene.monitorCount, g_scene.desktop};
    CopyShownArea(shown, area, pixels.Data());
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = cx;
    info.bmiHeader.biHeight = -cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    SetDIBitsToDevice(hdc, 0, 0, cx, cy, 0, 0, 0, cy, pixels.Data(), &info, DIB_RGB_COLORS);
    return true;
}
