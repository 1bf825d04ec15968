// The two icons as the resources hold them: the palette images that a display
// of 16 or 256 colours picks, and a 32-bit image with alpha drawn for each
// size that the common display scales ask for, so that the system stretches
// none.
#include "res/resource.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <string>
#include <vector>

namespace {

const int TRUE_COLOR_SIZES[] = {16, 20, 24, 32, 40, 48, 64};

// The group directory of an icon resource (GRPICONDIR, which no header declares).
#pragma pack(push, 2)
struct GroupIconEntry
{
    BYTE bWidth, bHeight, bColorCount, bReserved;
    WORD wPlanes, wBitCount;
    DWORD dwBytesInRes;
    WORD nId;
};
struct GroupIconDir
{
    WORD idReserved, idType, idCount;
    GroupIconEntry idEntries[1];
};
#pragma pack(pop)

const GroupIconDir* Group(UINT id)
{
    HMODULE hModule = GetModuleHandleA(nullptr);
    HRSRC hRes = FindResourceA(hModule, MAKEINTRESOURCEA(id), RT_GROUP_ICON);
    return hRes ? (const GroupIconDir*)LockResource(LoadResource(hModule, hRes)) : nullptr;
}

std::string ImageText(int size, int bpp)
{
    return std::to_string(size) + "x" + std::to_string(size) + " " + std::to_string(bpp) + "-bit";
}

std::vector<std::string> Images(UINT id)
{
    std::vector<std::string> images;
    const GroupIconDir* dir = Group(id);
    for (int i = 0; dir && i < dir->idCount; ++i) {
        const GroupIconEntry& e = dir->idEntries[i];
        images.push_back(ImageText(e.bWidth ? e.bWidth : 256, e.wBitCount));
    }
    std::sort(images.begin(), images.end());
    return images;
}

struct IconCase
{
    UINT id;
    std::vector<std::string> palette;
};

const IconCase ICONS[] = {
    {IDR_MAINFRAME, {ImageText(32, 4), ImageText(16, 4)}},
    {IDI_DESKTOP_ICON,
     {ImageText(32, 4), ImageText(16, 4), ImageText(48, 4), ImageText(32, 8), ImageText(16, 8), ImageText(48, 8)}},
};

TEST(IconResources, KeepTheirPaletteImagesAndHoldATrueColourImageAtEachSize)
{
    for (const IconCase& icon : ICONS) {
        std::vector<std::string> expected = icon.palette;
        for (int size : TRUE_COLOR_SIZES)
            expected.push_back(ImageText(size, 32));
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(expected, Images(icon.id)) << icon.id;
    }
}

// Pixels of the icon's colour image with full and with no alpha.
void CountAlpha(HICON hIcon, int& opaque, int& clear)
{
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(hIcon, &info));
    BITMAP bm = {};
    GetObjectA(info.hbmColor, sizeof bm, &bm);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = bm.bmWidth;
    bi.bmiHeader.biHeight = -bm.bmHeight;   // top row first
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    std::vector<DWORD> pixels(bm.bmWidth * bm.bmHeight);
    HDC hDC = GetDC(nullptr);
    GetDIBits(hDC, info.hbmColor, 0, bm.bmHeight, pixels.data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, hDC);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    opaque = (int)std::count_if(pixels.begin(), pixels.end(), [](DWORD p) { return p >> 24 == 0xFF; });
    clear = (int)std::count_if(pixels.begin(), pixels.end(), [](DWORD p) { return p >> 24 == 0; });
}

// On this true-colour display the system picks, for each size, the image
// drawn for it, and that image decodes with its alpha.
TEST(IconResources, AtEachSizeTheSystemPicksAndLoadsTheImageDrawnForIt)
{
    for (const IconCase& icon : ICONS) {
        const GroupIconDir* dir = Group(icon.id);
        ASSERT_TRUE(dir);
        for (int size : TRUE_COLOR_SIZES) {
            SCOPED_TRACE(ImageText(size, 32) + " of icon " + std::to_string(icon.id));
            int picked = LookupIconIdFromDirectoryEx((PBYTE)dir, TRUE, size, size, LR_DEFAULTCOLOR);
            const GroupIconEntry* end = dir->idEntries + dir->idCount;
            const GroupIconEntry* entry =
                std::find_if(dir->idEntries, end, [&](const GroupIconEntry& e) { return e.nId == picked; });
            ASSERT_NE(end, entry);
            EXPECT_EQ(ImageText(size, 32), ImageText(entry->bWidth, entry->wBitCount));

            HICON hIcon = (HICON)LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(icon.id), IMAGE_ICON,
                                            size, size, LR_DEFAULTCOLOR);
            ASSERT_TRUE(hIcon);
            int opaque = 0, clear = 0;
            CountAlpha(hIcon, opaque, clear);
            DestroyIcon(hIcon);
            EXPECT_GT(opaque, 0);
            EXPECT_GT(clear, 0);
        }
    }
}

} // namespace
