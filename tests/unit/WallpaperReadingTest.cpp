// What the wallpaper's evaluation reads from the system: picture files
// through the imaging component, and the labels of a real list view.
#include "shell/LabelGrid.h"
#include "wallpaper/PictureDecode.h"
#include "wallpaper/WallpaperContrast.h"
#include "ui/PreviewList.h"
#include <commctrl.h>
#include <shlwapi.h>
#include <objbase.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>

namespace {

const DWORD RED = 0x00FF0000, GREEN = 0x0000FF00, BLUE = 0x000000FF;

std::wstring TempPath(const wchar_t* name)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + L"vireola-" + std::to_wstring(GetCurrentProcessId()) + L"-" + name;
}

void WriteFile(const std::wstring& path, const void* data, DWORD size)
{
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(hFile, data, size, &written, nullptr) && written == size);
    CloseHandle(hFile);
}

// A 32- or 8-bit (palette) BMP: red left and blue right in its top half, green
// below, bottom row first; run-length encoded, only the two bytes ending it.
void WriteBmp(const std::wstring& path, int cx, int cy, WORD bits = 32, DWORD compression = BI_RGB)
{
    const DWORD palette[] = {RED, BLUE, GREEN};
    BITMAPFILEHEADER file = {0x4D42, 0, 0, 0, sizeof file + sizeof(BITMAPINFOHEADER) + sizeof palette};
    BITMAPINFOHEADER info = {sizeof info, cx, cy, 1, bits, compression, 0, 0, 0, 3, 0};
    std::vector<BYTE> bytes((BYTE*)&file, (BYTE*)(&file + 1));
    bytes.insert(bytes.end(), (BYTE*)&info, (BYTE*)(&info + 1));
    bytes.insert(bytes.end(), (BYTE*)palette, (BYTE*)(palette + 3));
    for (int y = cy - 1; y >= 0 && compression == BI_RGB; --y)
        for (int x = 0; x < cx; ++x) {
            DWORD which = y >= cy / 2 ? 2 : x < cx / 2 ? 0 : 1, pixel = bits == 8 ? which : palette[which];
            bytes.insert(bytes.end(), (BYTE*)&pixel, (BYTE*)&pixel + bits / 8);
        }
    bytes.insert(bytes.end(), {0, 1});
    WriteFile(path, bytes.data(), (DWORD)bytes.size());
}

TEST(PictureDecode, ReadsPictureFilesSmallAndNothingElse)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const struct { int cx, cy; SIZE decoded; WORD bits; } cases[] = {
        {3, 2, {3, 2}, 32}, {2050, 20, {1024, 9}, 32}, {10, 3000, {3, 1024}, 32}, {2052, 20, {1024, 9}, 8}};
    for (const auto& c : cases) {
        std::wstring path = TempPath(L"picture.bmp");
        WriteBmp(path, c.cx, c.cy, c.bits);
        Picture picture;
        ASSERT_TRUE(DecodePicture(path.c_str(), picture)) << c.cx << " x " << c.cy;
        DeleteFileW(path.c_str());
        EXPECT_EQ(c.cx * 100000 + c.cy, picture.original.cx * 100000 + picture.original.cy);
        ASSERT_EQ(c.decoded.cx * 100000 + c.decoded.cy, picture.size.cx * 100000 + picture.size.cy);
        ASSERT_EQ(picture.size.cx * picture.size.cy, picture.pixels.Count());
        EXPECT_EQ(RED, picture.pixels[0] & 0xFFFFFF);
        EXPECT_EQ(BLUE, picture.pixels[picture.size.cx - 1] & 0xFFFFFF);
        EXPECT_EQ(GREEN, picture.pixels[picture.pixels.Count() - 1] & 0xFFFFFF);
    }
    EXPECT_EQ(RGB(255, 0, 0), ColorOfPixel(RED));
    const struct { SIZE size; UINT bits; bool within; } bounds[] = {
        {{6000, 4000}, 24, true}, {{6000, 4000}, 64, false}, {{4000, 3000}, 64, true}, {{4000, 3000}, 128, false},
        {{8192, 4096}, 32, true}, {{8193, 4096}, 8, false}, {{65536, 65536}, 32, false}, {{0x7FFFFFFF, 2}, 32, false},
    };
    for (const auto& b : bounds)
        EXPECT_EQ(b.within, WithinDecodeBound(b.size, b.bits)) << b.size.cx << " x " << b.size.cy << " at " << b.bits;

    std::wstring broken = TempPath(L"broken.jpg"), huge = TempPath(L"huge.bmp");
    WriteFile(broken, "not a picture", 13);
    WriteBmp(huge, 8000, 8000, 8, BI_RLE8); // past the bound in a few bytes
    for (const std::wstring& path : {broken, huge, TempPath(L"missing.png"), std::wstring()}) {
        Picture picture;
        EXPECT_FALSE(DecodePicture(path.c_str(), picture)) << path.size();
        EXPECT_EQ(0, picture.pixels.Count());
    }
    DeleteFileW(broken.c_str());
    DeleteFileW(huge.c_str());
    CoUninitialize();
}

// While a picture is open to be decoded, others rewrite it in place, sharing
// reading as most writers do.
TEST(PictureDecode, NeverKeepsOthersFromRewritingThePicture)
{
    const std::wstring path = TempPath(L"shared.bmp");
    WriteBmp(path, 3, 2);
    IStream* pStream = OpenPictureFile(path.c_str());
    ASSERT_TRUE(pStream);
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, hFile) << "error " << GetLastError();
    CloseHandle(hFile);
    pStream->Release();
    DeleteFileW(path.c_str());
}

// Where the shell keeps its own copies, they are what shows: its one copy
// before the original, and each monitor's copy where its own picture is gone.
// Each file is told by its width; 0 for the desktop colour.
TEST(WallpaperScene, TheShellsCopiesStandForWhatShows)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const std::wstring themes = TempPath(L""), a = TempPath(L"a.bmp"), b = TempPath(L"b.bmp");
    const std::wstring files[] = {a, b, themes + L"TranscodedWallpaper", themes + L"Transcoded_000", themes + L"Transcoded_001"};
    const struct { const char* what; std::wstring first, second; int present, widths[2]; } rows[] = {
        {"one picture and the shell's copy", a, a, 0b111, {3, 3}},
        {"one picture, the original gone", a, a, 0b100, {3, 3}},
        {"one picture, no copy", a, a, 0b001, {1, 1}},
        {"a picture each", a, b, 0b11011, {1, 2}},
        {"a picture each, the second gone", a, b, 0b11001, {1, 5}},
        {"no picture, a copy left over", L"", L"", 0b111, {0, 0}},
    };
    for (const auto& row : rows) {
        for (int i = 0; i < 5; ++i)
            row.present >> i & 1 ? WriteBmp(files[i], i + 1, 1) : (void)DeleteFileW(files[i].c_str());
        WallpaperScene scene = {};
        scene.monitorCount = 2;
        scene.monitors[0].monitor = {0, 0, 100, 100};
        scene.monitors[1].monitor = {100, 0, 200, 100};
        scene.monitors[1].shellIndex = 1;
        lstrcpyW(scene.monitors[0].path, row.first.c_str());
        lstrcpyW(scene.monitors[1].path, row.second.c_str());
        ChooseShownPictures(scene, themes.c_str());
        DecodedScene decoded;
        DecodeScene(scene, decoded);
        for (int m = 0; m < 2; ++m)
            EXPECT_EQ(row.widths[m], decoded.monitors[m].picture ? decoded.monitors[m].picture->original.cx : 0)
                << row.what << ", monitor " << m;
    }
    for (const std::wstring& file : files)
        DeleteFileW(file.c_str());
    CoUninitialize();
}

// The preview is the piece of what shows centred on the first label, top side
// up, as evaluated and as drawn: a picture of the screen's size, centred, whose
// green half begins at the label's middle.
TEST(WallpaperContrast, ThePreviewIsThePieceAroundTheFirstLabelTopSideUp)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    HWND hView = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | WS_VISIBLE | LVS_ICON | LVS_AUTOARRANGE, 0, 0, 300,
                                 300, nullptr, nullptr, nullptr, nullptr);
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.pszText = (LPWSTR)L"Item";
    SendMessageW(hView, LVM_INSERTITEMW, 0, (LPARAM)&item);
    HeapArray<RECT> labels;
    ASSERT_TRUE(ReadLabels(hView, labels) && labels.Count() == 1);
    SetWindowPos(hView, nullptr, 0, cy / 2 - (labels[0].top + labels[0].bottom) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    std::wstring path = TempPath(L"halves.bmp");
    WriteBmp(path, cx, cy);
    for (auto v : {std::make_pair(L"Wallpaper", path.c_str()), {L"WallpaperStyle", L"0"}, {L"TileWallpaper", L"0"}})
        SHSetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", v.first, REG_SZ, v.second, 2 * (lstrlenW(v.second) + 1));
    WallpaperContrast result;
    EvaluateWallpaperContrast(hView, {40, 200}, result);
    SHSetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"Wallpaper", REG_SZ, L"", 2);
    DeleteFileW(path.c_str());
    ASSERT_EQ(40 * 200, result.preview.Count());
    CPreviewList preview;
    preview.m_hWnd = hView;
    preview.ShowPicture(result.preview.Data(), result.previewSize);
    HDC hScreen = GetDC(nullptr), hDrawn = CreateCompatibleDC(hScreen);
    SelectObject(hDrawn, CreateCompatibleBitmap(hScreen, 40, 200));
    SendMessageW(hView, WM_ERASEBKGND, (WPARAM)hDrawn, 0);
    for (int row : {10, 90, 110, 190}) {
        EXPECT_EQ(row > 100, result.preview[row * 40 + 20] == GREEN) << "evaluated, row " << row;
        EXPECT_EQ(row > 100, GetPixel(hDrawn, 20, row) == RGB(0, 255, 0)) << "drawn, row " << row;
    }
    preview.ShowPicture(nullptr, {});
    DeleteDC(hDrawn);
    ReleaseDC(nullptr, hScreen);
    DestroyWindow(hView);
    CoUninitialize();
}

// The view's labels lie where the list view draws them, auto-arranged in
// columns that wrap at its bottom edge; an empty view has none.
TEST(LabelGrid, ReadsTheLabelsWhereAListViewDrawsThem)
{
    HeapArray<RECT> labels;
    EXPECT_FALSE(ReadLabels(nullptr, labels));
    HWND hView = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | WS_VISIBLE | LVS_ICON | LVS_ALIGNLEFT | LVS_AUTOARRANGE,
                                 100, 100, 400, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(hView);
    // the shell's icons are the system's size
    HIMAGELIST hIcons = ImageList_Create(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), ILC_COLOR32, 1, 1);
    SendMessageW(hView, LVM_SETIMAGELIST, LVSIL_NORMAL, (LPARAM)hIcons);
    ASSERT_TRUE(ReadLabels(hView, labels));
    EXPECT_EQ(0, labels.Count());
    const int COUNT = 9;
    for (int i = 0; i < COUNT; ++i) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = (LPWSTR)L"Item";
        SendMessageW(hView, LVM_INSERTITEMW, 0, (LPARAM)&item);
    }
    ASSERT_TRUE(ReadLabels(hView, labels));
    ASSERT_EQ(COUNT, labels.Count());
    for (int i = 0; i < COUNT; ++i) {
        RECT drawn = {LVIR_LABEL, 0, 0, 0};
        SendMessageW(hView, LVM_GETITEMRECT, i, (LPARAM)&drawn);
        MapWindowPoints(hView, nullptr, (POINT*)&drawn, 2);
        POINT middle = {(drawn.left + drawn.right) / 2, (drawn.top + drawn.bottom) / 2};
        EXPECT_TRUE(PtInRect(&labels[i], middle)) << "item " << i << " drawn at " << middle.x << ", " << middle.y
                                                  << "; read at " << labels[i].left << ", " << labels[i].top;
    }
    DestroyWindow(hView);
    ImageList_Destroy(hIcons);
}

} // namespace
