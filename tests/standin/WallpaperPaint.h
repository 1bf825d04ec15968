// The wallpaper under the stand-in's icons, placed by its position with the
// program's own reading, decoding and placement.
#pragma once
#include <windows.h>

// Reads and decodes the wallpaper again; true when there is a picture.
bool LoadWallpaper();
// Draws what the desktop shows behind the view; false with no picture.
bool PaintWallpaper(HWND hView, HDC hdc);
