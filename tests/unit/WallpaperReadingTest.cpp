// What the wallpaper's evaluation reads from the system: picture files
// through the imaging component, and the labels of a real list view.
#include "shell/LabelGrid.h"
#include "wallpaper/PictureDecode.h"
#include "wallpaper/ShellCopies.h"
#include "wallpaper/WallpaperContrast.h"
#include "DialogHost.h"
#include "tests/support/Launch.h"
#include "res/resource.h"
#include "settings/Settings.h"
#include "wallpaper/KeptColor.h"
#include "ui/PreviewList.h"
#include <commctrl.h>
#include <shlwapi.h>
#include <objbase.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <functional>
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
// below, bottom row first (or all of one grey); run-length encoded, only the
// two bytes ending it.
void WriteBmp(const std::wstring& path, int cx, int cy, WORD bits = 32, DWORD compression = BI_RGB, int grey = -1)
{
    const DWORD g = grey * 0x010101u, palette[] = {grey < 0 ? RED : g, grey < 0 ? BLUE : g, grey < 0 ? GREEN : g};
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

// An uncompressed RGB TIFF, red, black, blue over green, black, white; its orientation tag as given (none for 0).
void WriteTiff(const std::wstring& path, WORD orientation)
{
    const struct { WORD tag, type; DWORD count, value; } tags[] = {{256, 3, 1, 3}, {257, 3, 1, 2}, {258, 3, 3, 122},
        {259, 3, 1, 1}, {262, 3, 1, 2}, {273, 4, 1, 128}, {WORD(orientation ? 274 : 275), 3, 1, orientation},
        {277, 3, 1, 3}, {279, 4, 1, 18}}; // the bits per sample after the directory, then the pixels
    std::vector<BYTE> bytes = {'I', 'I', 42, 0, 8, 0, 0, 0, 9, 0};
    bytes.insert(bytes.end(), (const BYTE*)tags, (const BYTE*)(tags + 9));
    bytes.insert(bytes.end(), {0, 0, 0, 0, 8, 0, 8, 0, 8, 0, 255, 0, 0, 0, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0, 0, 255, 255, 255});
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

// Others write the picture: rewrite it in place (sharing reading, as most
// writers do) or delete it even while it is read, and replace it by a rename
// while it is decoded, once the file is let go.
std::function<bool()> g_writeDuringRead;
decltype(&ReadFile) g_pfnReadFile;

BOOL WINAPI ReadFileWhileWritten(HANDLE hFile, void* buffer, DWORD size, DWORD* read, OVERLAPPED* overlapped)
{
    EXPECT_TRUE(!g_writeDuringRead || g_writeDuringRead()) << "error " << GetLastError();
    g_writeDuringRead = nullptr;
    return g_pfnReadFile(hFile, buffer, size, read, overlapped);
}

TEST(PictureDecode, NeverKeepsOthersFromWritingThePicture)
{
    const std::wstring path = TempPath(L"shared.bmp"), other = TempPath(L"other.bmp");
    const struct { std::function<bool()> write; bool whileRead; } writers[] = {
        {[&] { HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
               return h != INVALID_HANDLE_VALUE && CloseHandle(h); }, true},
        {[&] { return DeleteFileW(path.c_str()) != 0; }, true},
        {[&] { WriteBmp(other, 1, 1); return MoveFileExW(other.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0; }, false}};
    g_pfnReadFile = (decltype(g_pfnReadFile))ReplaceImport("ReadFile", (void*)ReadFileWhileWritten);
    for (const auto& writer : writers) {
        WriteBmp(path, 3, 2);
        g_writeDuringRead = writer.whileRead ? writer.write : [] { return true; };
        IStream* pStream = OpenPictureFile(path.c_str());
        EXPECT_FALSE(g_writeDuringRead) << "not read through the program's own handle";
        EXPECT_TRUE(writer.whileRead || writer.write()) << "held while decoded: error " << GetLastError();
        if (pStream)
            pStream->Release();
    }
    ReplaceImport("ReadFile", (void*)g_pfnReadFile);
    DeleteFileW(path.c_str());
}

// A source smaller than asked (a decoder's closest size) is enlarged, never
// padded; a larger one averaged.
TEST(PictureDecode, ScalesToTheSizeAskedFromAnySource)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    IWICImagingFactory* pFactory = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                           __uuidof(IWICImagingFactory), (void**)&pFactory)));
    DWORD source[4] = {RED, BLUE, GREEN, 0x00204060};
    const struct { SIZE from, to; std::vector<DWORD> expected; } rows[] = {
        {{2, 2}, {4, 3}, {RED, RED, BLUE, BLUE, RED, RED, BLUE, BLUE, GREEN, GREEN, 0x204060, 0x204060}},
        {{4, 1}, {2, 1}, {0x7F007F, 0x109F30}}, {{4, 1}, {4, 1}, {RED, BLUE, GREEN, 0x204060}}};
    for (const auto& row : rows) {
        IWICBitmap* pBitmap = nullptr;
        ASSERT_TRUE(SUCCEEDED(pFactory->CreateBitmapFromMemory(row.from.cx, row.from.cy, GUID_WICPixelFormat32bppBGR,
                                                               row.from.cx * 4, sizeof source, (BYTE*)source, &pBitmap)));
        std::vector<DWORD> pixels(row.to.cx * row.to.cy);
        EXPECT_TRUE(ScaleDown(pBitmap, row.from, row.to, pixels.data()));
        EXPECT_EQ(row.expected, pixels) << row.from.cx << " x " << row.from.cy;
        pBitmap->Release();
    }
    pFactory->Release();
    CoUninitialize();
}

// A photograph the camera stored on its side shows as its tag says: its size and its corners as shown.
TEST(PictureDecode, TurnsAPhotographAsItsOrientationSays)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const DWORD R = RED, G = GREEN, B = BLUE, W = 0xFFFFFF;
    const struct { WORD orientation; LONG cx; DWORD corners[4]; } rows[] = {
        {0, 3, {R, B, W, G}}, {1, 3, {R, B, W, G}}, {2, 3, {B, R, G, W}}, {3, 3, {W, G, R, B}}, {4, 3, {G, W, B, R}},
        {5, 2, {R, G, W, B}}, {6, 2, {G, R, B, W}}, {7, 2, {W, B, R, G}}, {8, 2, {B, W, G, R}}, {9, 3, {R, B, W, G}}};
    const std::wstring path = TempPath(L"turned.tif");
    for (const auto& row : rows) {
        WriteTiff(path, row.orientation);
        Picture p;
        ASSERT_TRUE(DecodePicture(path.c_str(), p) && p.original.cx == row.cx && p.size.cx == row.cx
                    && p.size.cy == 5 - row.cx) << row.orientation;
        for (int i = 0; i < 4; ++i) // clockwise from the top left: row i / 2, column (i + 1) / 2 % 2, first or last
            EXPECT_EQ(row.corners[i], p.pixels[i / 2 * (p.size.cy - 1) * p.size.cx + (i + 1) / 2 % 2 * (p.size.cx - 1)])
                << "orientation " << row.orientation << ", corner " << i;
    }
    DeleteFileW(path.c_str());
    CoUninitialize();
}

// A file that is only a placeholder, as a cloud file not on the disk reads.
std::wstring g_placeholder;
decltype(&GetFileAttributesW) g_pfnGetFileAttributesW;

DWORD WINAPI PlaceholderAttributes(const WCHAR* path)
{
    DWORD attributes = g_pfnGetFileAttributesW(path);
    return attributes | (!g_placeholder.empty() && g_placeholder == path ? 0x00400000 : 0);
}

// Where the shell keeps its own copies, they are what shows where their
// records name the picture that shows (or where it keeps no record): the one
// copy before the original, a monitor's copy, found by its record, before its
// picture, and its copy by the class's number where its picture is gone. A
// copy made from another picture is never read, nor an original that is only
// a placeholder. The first monitor's copy is watched. Each file is told by
// its width; 0 for the desktop colour.
TEST(WallpaperScene, TheShellsCopiesStandForWhatShows)
{
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const std::wstring themes = TempPath(L""), a = TempPath(L"a.bmp"), b = TempPath(L"b.bmp");
    const std::wstring files[] = {a, b, themes + L"TranscodedWallpaper", themes + L"Transcoded_000", themes + L"Transcoded_001"};
    WriteBmp(a, 1, 1);
    wchar_t shortA[MAX_PATH] = L"";
    GetShortPathNameW(a.c_str(), shortA, MAX_PATH);
    const int ONE = ONE_COPY;
    const struct { const char* what; std::wstring first, second; int present, widths[2];
                   std::vector<std::pair<int, std::wstring>> records; int watched; bool placeholder = false; } rows[] = {
        {"one picture and the shell's copy", a, a, 0b111, {3, 3}, {}, 2},
        {"one picture, the original gone", a, a, 0b100, {3, 3}, {}, 2},
        {"one picture, no copy", a, a, 0b001, {1, 1}, {}, 2},
        {"a picture each", a, b, 0b11011, {1, 2}, {}, 3},
        {"a picture each, the second gone", a, b, 0b11001, {1, 5}, {}, 3},
        {"no picture, a copy left over", L"", L"", 0b111, {0, 0}, {}, -1},
        {"one picture, its copy's record names it in its short form", a, a, 0b111, {3, 3}, {{ONE, shortA}}, 2},
        {"one picture, its copy made from another", a, a, 0b111, {1, 1}, {{ONE, b}}, 2},
        {"one picture, its copy made from another, the original gone", a, a, 0b110, {0, 0}, {{ONE, b}}, 2},
        {"the same picture set on each, the one copy left from before", a, a, 0b11111, {4, 4},
         {{ONE, b}, {0, a}, {1, a}}, 3},
        {"a picture each, the records out of the class's order", a, b, 0b11011, {5, 4}, {{0, b}, {1, a}}, 4},
        {"a picture each, the first's copy made from another", a, b, 0b11011, {1, 5}, {{0, L"c:\\other.jpg"}, {1, b}}, 3},
        {"a picture each, the first a placeholder", a, b, 0b11011, {4, 2}, {}, 3, true},
        {"one picture, a placeholder, its copy made from another", a, a, 0b111, {0, 0}, {{ONE, b}}, 2, true},
    };
    g_pfnGetFileAttributesW = (decltype(g_pfnGetFileAttributesW))ReplaceImport("GetFileAttributesW", (void*)PlaceholderAttributes);
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
        CopyRecords records = {};
        for (const auto& r : row.records) {
            records.records[records.count].number = r.first;
            lstrcpyW(records.records[records.count++].source, r.second.c_str());
        }
        g_placeholder = row.placeholder ? a : L"";
        ChooseShownPictures(scene, themes.c_str(), records);
        DecodedScene decoded;
        DecodeScene(scene, decoded);
        for (int m = 0; m < 2; ++m)
            EXPECT_EQ(row.widths[m], decoded.monitors[m].picture ? decoded.monitors[m].picture->original.cx : 0)
                << row.what << ", monitor " << m;
        EXPECT_EQ(row.watched < 0 ? L"" : files[row.watched], std::wstring(scene.watched)) << row.what;
    }
    ReplaceImport("GetFileAttributesW", (void*)g_pfnGetFileAttributesW);
    for (const std::wstring& file : files)
        DeleteFileW(file.c_str());
    CoUninitialize();
}

// The registry tells what shows: the digest follows the values that tell it
// whatever the case of their names and whatever their characters, the
// shell's records name each copy's picture, a policy's picture comes before
// the user's, and the shell's copies lie in the user's own roaming folder.
TEST(WallpaperScene, TheRegistryTellsWhatShows)
{
    HKEY hKey;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(HKEY_CURRENT_USER, L"Software\\vireola-digest", &hKey));
    BYTE record[24 + 2 * 12] = {};
    CopyMemory(record + 24, L"c:\\b\x4e00.jpg", 2 * 10);
    const struct { const wchar_t* name; DWORD type; const void* data; DWORD size; bool changes; } steps[] = {
        {L"WALLPAPER", REG_SZ, L"c:\\\x4e00.jpg", 16, true}, {L"WALLPAPER", REG_SZ, L"c:\\\x4e01.jpg", 16, true},
        {L"TileWallpaper", REG_SZ, L"1", 4, true}, {L"TileWallpaper", REG_SZ, L"1", 4, false},
        {L"CursorBlinkRate", REG_SZ, L"530", 8, false}, {L"transcodedimagecache_001", REG_BINARY, record, 48, true},
        {L"TranscodedImageCache", REG_SZ, L"c:\\x.jpg", 18, true}, {L"TranscodedImageCache_002", REG_BINARY, record, 42, true},
    };
    for (const auto& step : steps) {
        DWORD before = DesktopValuesStamp(hKey);
        RegSetValueExW(hKey, step.name, 0, step.type, (const BYTE*)step.data, step.size);
        EXPECT_EQ(step.changes, DesktopValuesStamp(hKey) != before) << &step - steps;
    }
    CopyRecords records; // of the three, only the one with a whole path
    ReadCopyRecords(hKey, records);
    RegCloseKey(hKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\vireola-digest");
    ASSERT_EQ(1, records.count);
    EXPECT_TRUE(records.records[0].number == 1 && SamePicture(records.records[0].source, L"C:\\B\x4e00.JPG"));

    const wchar_t* policy = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
    SHSetValueW(HKEY_CURRENT_USER, policy, L"Wallpaper", REG_SZ, L"c:\\policy.jpg", 28);
    SHSetValueW(HKEY_CURRENT_USER, policy, L"WallpaperStyle", REG_SZ, L"4", 4);
    WallpaperScene scene;
    ReadWallpaperScene(scene);
    SHDeleteValueW(HKEY_CURRENT_USER, policy, L"Wallpaper");
    SHDeleteValueW(HKEY_CURRENT_USER, policy, L"WallpaperStyle");
    ASSERT_LT(0, scene.monitorCount);
    EXPECT_TRUE(!lstrcmpW(L"c:\\policy.jpg", scene.monitors[0].path) && scene.monitors[0].position == WALLPAPER_FILL);

    wchar_t themes[MAX_PATH], appData[MAX_PATH];
    GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH);
    SetEnvironmentVariableW(L"APPDATA", L"c:\\another user's");
    ASSERT_TRUE(ThemesFolder(themes));
    SetEnvironmentVariableW(L"APPDATA", appData);
    EXPECT_EQ(0, StrCmpNIW(themes, appData, lstrlenW(appData)));
}

// Pictures decoded: each makes an imaging factory.
int g_decodes;
decltype(&CoCreateInstance) g_pfnCoCreateInstance;

HRESULT WINAPI CountedCoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** ppv)
{
    g_decodes += IsEqualCLSID(clsid, CLSID_WICImagingFactory);
    return g_pfnCoCreateInstance(clsid, outer, context, iid, ppv);
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
    // judged again as an icon moves, from the picture kept, until it is rewritten
    WallpaperContrast result;
    DecodedScene decoded;
    g_pfnCoCreateInstance = (decltype(g_pfnCoCreateInstance))ReplaceImport("CoCreateInstance", (void*)CountedCoCreateInstance);
    for (int decodes : {1, 0, 1}) {
        g_decodes = 0;
        if (decodes && decoded.valid)
            WriteBmp(path, cx, cy + 2);
        EvaluateWallpaperContrast(hView, {40, 200}, decoded, result);
        EXPECT_EQ(decodes, g_decodes);
    }
    ReplaceImport("CoCreateInstance", (void*)g_pfnCoCreateInstance);
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

int SystemDpi()
{
    HDC hScreen = GetDC(nullptr);
    int dpi = GetDeviceCaps(hScreen, LOGPIXELSY);
    ReleaseDC(nullptr, hScreen);
    return dpi;
}
UINT WINAPI HalfAgainTheSystemDpi(HWND) { return SystemDpi() * 3 / 2; }
int WINAPI MetricAtDpi(int index, UINT dpi) { return MulDiv(GetSystemMetrics(index), dpi, SystemDpi()); }

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
    // at the view's own DPI, where Windows tells it: its icons and margins
    HeapArray<RECT> atDpi;
    {
        StandIn dpi(Newer::GET_DPI_FOR_WINDOW, (void*)HalfAgainTheSystemDpi);
        StandIn metrics(Newer::GET_SYSTEM_METRICS_FOR_DPI, (void*)MetricAtDpi);
        ASSERT_TRUE(ReadLabels(hView, atDpi));
    }
    int system = SystemDpi(), icon = GetSystemMetrics(SM_CYICON), margin = ICON_TOP_MARGIN + LABEL_GAP;
    LONG lower = MulDiv(icon, 3, 2) - icon + MulDiv(margin, system * 3 / 2, 96) - MulDiv(margin, system, 96);
    for (int i = 0; i < COUNT; ++i)
        EXPECT_EQ(labels[i].top + lower, atDpi[i].top) << "item " << i;
    DestroyWindow(hView);
    ImageList_Destroy(hIcons);
}

// The worker's posts of its result, dropped once while asked, as a full queue drops them.
LONG g_dropResult;
decltype(&PostMessageA) g_pfnPostMessageA;

BOOL WINAPI DroppingPostMessageA(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_WALLPAPER_EVALUATED && InterlockedExchange(&g_dropResult, 0))
        return FALSE;
    return g_pfnPostMessageA(hWnd, message, wParam, lParam);
}

using WallpaperInProcess = HostedDialog;

// An evaluation's result is taken once the evaluation has ended, and only
// then: not on a message that names it before, and at the next change where
// its own message was lost. Large pictures, so that each evaluation lasts.
TEST_F(WallpaperInProcess, AResultIsTakenOnceItsEvaluationHasEnded)
{
    const std::wstring path = TempPath(L"taken.bmp");
    WriteBmp(path, 4000, 3000, 8, BI_RGB, 20);
    SetValue("Control Panel\\Desktop", "Wallpaper", REG_SZ, std::string(path.begin(), path.end()).c_str(), (DWORD)path.size() + 1);
    DWORD entry = WALLPAPER_CONTRAST_COLOR;
    SetValue(SETTINGS_KEY, TEXT_COLOR_INDEX_VALUE, REG_DWORD, &entry, sizeof entry);
    g_pfnPostMessageA = (decltype(g_pfnPostMessageA))ReplaceImport("PostMessageA", (void*)DroppingPostMessageA);
    HWND hDlg = CreateHiddenDialog();
    auto shown = [&] { return (COLORREF)SendMessageA(GetDlgItem(hDlg, IDC_PREVIEW), LVM_GETTEXTCOLOR, 0, 0); };
    for (WPARAM generation = 0; generation < 8; ++generation)   // any the first evaluation may have
        PostMessageA(hDlg, WM_WALLPAPER_EVALUATED, generation, 0);
    EXPECT_TRUE(WaitFor([&] { return ReadKeptColor() != CLR_NONE; }, 10000));
    EXPECT_EQ(RGB(255, 255, 255), ReadKeptColor()) << "taken before it ended";
    EXPECT_EQ(RGB(255, 255, 255), shown());

    WriteBmp(path, 4000, 3000, 8, BI_RGB, 230);
    g_dropResult = 1;
    PostMessageA(hDlg, WM_WALLPAPER_FILE_CHANGED, 0, 0);
    EXPECT_TRUE(WaitFor([] { return !g_dropResult; }, 10000));
    PostMessageA(hDlg, WM_WALLPAPER_FILE_CHANGED, 0, 0);   // or the change watch's own notice of the rewrite
    PumpFor(100);
    EXPECT_EQ(RGB(0, 0, 0), shown()) << "the lost result not taken at the next change";
    DestroyDialog();
    ReplaceImport("PostMessageA", (void*)g_pfnPostMessageA);
    DeleteFileW(path.c_str());
}

} // namespace
