// The size of an icon's image, MAKELONG(cx, cy), 0 for no icon.
#pragma once
#include <windows.h>

inline DWORD IconSize(HICON hIcon)
{
    ICONINFO info;
    if (!hIcon || !GetIconInfo(hIcon, &info))
        return 0;
    BITMAP bm = {};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    // a monochrome icon's mask holds its AND and XOR halves one above the other
    return MAKELONG(bm.bmWidth, info.hbmColor ? bm.bmHeight : bm.bmHeight / 2);
}
