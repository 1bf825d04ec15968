// What the wallpaper's evaluation reads from the system: picture files
// through the imaging component, and the labels of a real list view.
#include "shell/LabelGrid.h"
#include "wallpaper/PictureDecode.h"
#include "wallpaper/PictureOrientation.h"
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
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
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
        EXPECT_TRUE(ScaleDown(pBitmap, row.from, 4, row.to, pixels.data()));
        EXPECT_EQ(row.expected, pixels) << row.from.cx << " x " << row.from.cy;
        pBitmap->Release();
    }
    pFactory->Release();
    CoUninitialize();
}

// Answers with orientation 6 where a JPEG holds it, and nothing elsewhere
// (Wine's JPEG decoder reads no metadata).
struct JpegOrientation : IWICMetadataQueryReader
{
    STDMETHODIMP QueryInterface(REFIID, void** ppv) override { return *ppv = nullptr, E_NOINTERFACE; }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetContainerFormat(GUID* format) override { return *format = GUID_ContainerFormatJpeg, S_OK; }
    STDMETHODIMP GetLocation(UINT, WCHAR*, UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetEnumerator(IEnumString**) override { return E_NOTIMPL; }
    STDMETHODIMP GetMetadataByName(LPCWSTR name, PROPVARIANT* value) override
    {
        return lstrcmpW(name, L"/app1/ifd/{ushort=274}") ? WINCODEC_ERR_PROPERTYNOTFOUND : (value->vt = VT_UI2, value->uiVal = 6, S_OK);
    }
};

// A photograph the camera stored on its side shows as its tag says: its size and its corners as shown.
TEST(PictureDecode, TurnsAPhotographAsItsOrientationSays)
{
    JpegOrientation jpeg;
    EXPECT_EQ(6, ReadOrientation(&jpeg));
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

// A file that is only a placeholder, as a cloud file not on the disk or an offline file reads.
std::wstring g_placeholder;
DWORD g_placeholderAttribute;
decltype(&GetFileAttributesExW) g_pfnGetFileAttributesExW;

BOOL WINAPI PlaceholderAttributes(const WCHAR* path, GET_FILEEX_INFO_LEVELS level, void* data)
{
    BOOL found = g_pfnGetFileAttributesExW(path, level, data);
    if (found && g_placeholder == path)
        ((WIN32_FILE_ATTRIBUTE_DATA*)data)->dwFileAttributes |= g_placeholderAttribute;
    return found;
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
    const DWORD RECALL_ON_DATA_ACCESS = 0x00400000, RECALL_ON_OPEN = 0x00040000;
    const struct { const char* what; std::wstring first, second; int present, widths[2];
                   std::vector<std::pair<int, std::wstring>> records; int watched; DWORD placeholder = 0; } rows[] = {
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
        {"a picture each, the first a placeholder", a, b, 0b11011, {4, 2}, {}, 3, RECALL_ON_DATA_ACCESS},
        {"one picture, a placeholder, its copy made from another", a, a, 0b111, {0, 0}, {{ONE, b}}, 2, RECALL_ON_DATA_ACCESS},
        {"one picture, recalled on opening, its copy made from another", a, a, 0b111, {0, 0}, {{ONE, b}}, 2, RECALL_ON_OPEN},
        {"one picture, offline, its copy made from another", a, a, 0b111, {0, 0}, {{ONE, b}}, 2, FILE_ATTRIBUTE_OFFLINE},
        {"one picture, its copy's record in the extended form", a, a, 0b111, {3, 3}, {{ONE, L"\\\\?\\" + a}}, 2},
    };
    g_pfnGetFileAttributesExW = (decltype(g_pfnGetFileAttributesExW))ReplaceImport("GetFileAttributesExW", (void*)PlaceholderAttributes);
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
        g_placeholderAttribute = row.placeholder;
        ChooseShownPictures(scene, themes.c_str(), records);
        DecodedScene decoded;
        DecodeScene(scene, decoded);
        for (int m = 0; m < 2; ++m)
            EXPECT_EQ(row.widths[m], decoded.monitors[m].picture ? decoded.monitors[m].picture->original.cx : 0)
                << row.what << ", monitor " << m;
        EXPECT_EQ(row.watched < 0 ? L"" : files[row.watched], std::wstring(scene.watched)) << row.what;
    }
    ReplaceImport("GetFileAttributesExW", (void*)g_pfnGetFileAttributesExW);
    for (const std::wstring& file : files)
        DeleteFileW(file.c_str());
    CoUninitialize();
}

// The registry tells what shows: the digest follows the values that tell it
// whatever the case of their names and whatever their characters, the
// shell's records name each copy's picture, a policy's picture comes before
// the user's, and the shell's copies lie in the user's own roaming folder.
// A record as the shell writes it: its own 24 bytes, the path, a NUL and zeros to its size, then a last byte.
std::vector<BYTE> Record(const std::wstring& path, size_t size, BYTE last = 0)
{
    std::vector<BYTE> data(size);
    CopyMemory(data.data() + 24, path.c_str(), std::min(size - 24, 2 * path.size()));
    return data.back() = data.back() ? data.back() : last, data;
}
std::vector<BYTE> Text(const std::wstring& text) { return {(const BYTE*)text.c_str(), (const BYTE*)(text.c_str() + text.size() + 1)}; }

TEST(WallpaperScene, TheRegistryTellsWhatShows)
{
    HKEY hKey;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyW(HKEY_CURRENT_USER, L"Software\\vireola-digest", &hKey));
    const std::wstring longFolder = L"c:\\" + std::wstring(300, L'x'), first = L"c:\\b\x4e00.jpg";
    const struct { const wchar_t* name; DWORD type; std::vector<BYTE> data; bool changes; } steps[] = {
        {L"WALLPAPER", REG_SZ, Text(L"c:\\\x4e00.jpg"), true}, {L"WALLPAPER", REG_SZ, Text(L"c:\\\x4e01.jpg"), true},
        {L"TileWallpaper", REG_SZ, Text(L"1"), true}, {L"TileWallpaper", REG_SZ, Text(L"1"), false},
        {L"CursorBlinkRate", REG_SZ, Text(L"530"), false}, {L"transcodedimagecache_001", REG_BINARY, Record(first, 48), true},
        {L"TranscodedImageCache", REG_SZ, Text(L"c:\\x.jpg"), true}, {L"TranscodedImageCache_002", REG_BINARY, Record(first, 42), true},
        // zero-padded past any length expected, then a byte after the path's end changed
        {L"TranscodedImageCache_003", REG_BINARY, Record(L"c:\\earlier.jpg", 3000), true},
        {L"TranscodedImageCache_003", REG_BINARY, Record(L"c:\\earlier.jpg", 3000, 7), true},
        {L"TranscodedImageCache_004", REG_BINARY, Record(L"c:\\past the bound.jpg", 70000), true},
        {L"TranscodedImageCache_005", REG_SZ, Record(L"c:\\a string.jpg", 100), true},
        {L"TranscodedImageCache_006", REG_BINARY, Record(L"\\\\?\\UNC\\server\\share\\p.jpg", 800), true},
        {L"TranscodedImageCache_007", REG_BINARY, Record(longFolder + L"\\p.jpg", 1000), true},
    };
    for (const auto& step : steps) {
        DWORD before = DesktopValuesStamp(hKey);
        RegSetValueExW(hKey, step.name, 0, step.type, step.data.data(), (DWORD)step.data.size());
        EXPECT_EQ(step.changes, DesktopValuesStamp(hKey) != before) << &step - steps;
    }
    CopyRecords records = {}; // only those with a whole path, of the shell's type, within the bound
    DesktopValuesStamp(hKey, &records);
    RegCloseKey(hKey);
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\vireola-digest");
    const struct { int number; std::wstring picture; } read[] = {{1, L"C:\\B\x4e00.JPG"}, {3, L"c:\\earlier.jpg"},
        {6, L"\\\\server\\share\\P.jpg"}, {7, L"\\\\?\\" + longFolder + L"\\p.jpg"}};
    ASSERT_EQ(4, records.count);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(records.records[i].number == read[i].number && SamePicture(records.records[i].source, read[i].picture.c_str())) << i;

    // expanded, and at MAX_PATH or more, read through its extended form
    const wchar_t* policy = L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
    SetEnvironmentVariableW(L"VIREOLA_LONG", longFolder.c_str());
    SHSetValueW(HKEY_CURRENT_USER, policy, L"Wallpaper", REG_EXPAND_SZ, L"%VIREOLA_LONG%\\policy.jpg", 52);
    SHSetValueW(HKEY_CURRENT_USER, policy, L"WallpaperStyle", REG_SZ, L"4", 4);
    WallpaperScene scene;
    ReadWallpaperScene(scene);
    SHDeleteValueW(HKEY_CURRENT_USER, policy, L"Wallpaper");
    SHDeleteValueW(HKEY_CURRENT_USER, policy, L"WallpaperStyle");
    ASSERT_LT(0, scene.monitorCount);
    EXPECT_EQ(L"\\\\?\\" + longFolder + L"\\policy.jpg", std::wstring(scene.monitors[0].path));
    EXPECT_EQ(WALLPAPER_FILL, scene.monitors[0].position);

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
    ViewShape shape;
    ASSERT_TRUE(ReadLabels(hView, labels, shape) && labels.Count() == 1);
    SetWindowPos(hView, nullptr, 0, cy / 2 - (labels[0].top + labels[0].bottom) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    std::wstring path = TempPath(L"halves.bmp");
    WriteBmp(path, cx, cy);
    for (auto v : {std::make_pair(L"Wallpaper", path.c_str()), {L"WallpaperStyle", L"0"}, {L"TileWallpaper", L"0"}})
        SHSetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", v.first, REG_SZ, v.second, 2 * (lstrlenW(v.second) + 1));
    // judged again as an icon moves, from the picture kept, until it is rewritten
    WallpaperContrast result;
    DecodedScene decoded;
    g_pfnCoCreateInstance = (decltype(g_pfnCoCreateInstance))ReplaceImport("CoCreateInstance", (void*)CountedCoCreateInstance);
    // rewritten during the read: what was judged is what was there before it
    g_pfnReadFile = (decltype(g_pfnReadFile))ReplaceImport("ReadFile", (void*)ReadFileWhileWritten);
    const struct { int decodes; bool rewritten; } evaluations[] = {{1, false}, {0, false}, {1, true}, {1, false}, {0, false}};
    for (const auto& e : evaluations) {
        g_decodes = 0;
        if (e.rewritten)
            WriteBmp(path, cx, cy + 2), g_writeDuringRead = [&] { WriteBmp(path, cx, cy); return true; };
        ShellCalls calls = {};
        EvaluateWallpaperContrast(hView, {40, 200}, decoded, result, calls);
        EXPECT_EQ(e.decodes, g_decodes) << &e - evaluations;
        WIN32_FILE_ATTRIBUTE_DATA now = {};
        GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &now);
        EXPECT_NE(e.rewritten, SameFileStamp(now, result.pictureStamp)) << &e - evaluations;
    }
    ReplaceImport("ReadFile", (void*)g_pfnReadFile);
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
    ViewShape shape;
    EXPECT_FALSE(ReadLabels(nullptr, labels, shape));
    HWND hView = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | WS_VISIBLE | LVS_ICON | LVS_ALIGNLEFT | LVS_AUTOARRANGE,
                                 100, 100, 400, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(hView);
    // the shell's icons are the system's size
    HIMAGELIST hIcons = ImageList_Create(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), ILC_COLOR32, 1, 1);
    SendMessageW(hView, LVM_SETIMAGELIST, LVSIL_NORMAL, (LPARAM)hIcons);
    ASSERT_TRUE(ReadLabels(hView, labels, shape));
    EXPECT_EQ(0, labels.Count());
    const int COUNT = 9;
    for (int i = 0; i < COUNT; ++i) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = (LPWSTR)L"Item";
        SendMessageW(hView, LVM_INSERTITEMW, 0, (LPARAM)&item);
    }
    ASSERT_TRUE(ReadLabels(hView, labels, shape));
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
        ASSERT_TRUE(ReadLabels(hView, atDpi, shape));
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
    Process shell("\"" + BinPath("StandInShell.exe") + "\"");
    ASSERT_TRUE(WaitFor([] { return FindDesktopListView() != nullptr; }));
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

// Calls into the shell's classes, counted, and held up while asked, as a
// shell that stalls mid-call holds them, until released; under Wine nothing
// can cancel them. With no shell, no view is found.
LONG g_classCalls, g_holdNext, g_cancels;
HANDLE g_hRelease;
bool g_noShell;
decltype(&FindWindowA) g_pfnFindWindowA;
HRESULT WINAPI HeldCoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** ppv)
{
    if (!IsEqualCLSID(clsid, CLSID_WICImagingFactory) && InterlockedIncrement(&g_classCalls)
        && InterlockedDecrement(&g_holdNext) >= 0)
        WaitForSingleObject(g_hRelease, 30000);
    return CountedCoCreateInstance(clsid, outer, context, iid, ppv);
}
HRESULT WINAPI CountedCancel(DWORD, ULONG) { return InterlockedIncrement(&g_cancels), E_NOTIMPL; }
HWND WINAPI ShellFindWindowA(const char* name, const char* title) { return g_noShell ? nullptr : g_pfnFindWindowA(name, title); }

// Steps through time, each on the one before, with the most workers alive at once beside the dialog's and the
// change watch's threads. Each picture's grey is what it shows: dark, white labels; light, black.
TEST_F(WallpaperInProcess, OneWorkerAtATimeAndNoneWaitsOnTheShellWithoutABound)
{
    Process shell("\"" + BinPath("StandInShell.exe") + "\"");
    ASSERT_TRUE(WaitFor([] { return FindDesktopListView() != nullptr; }));
    const std::wstring path = TempPath(L"workers.bmp");
    SetValue("Control Panel\\Desktop", "Wallpaper", REG_SZ, std::string(path.begin(), path.end()).c_str(), (DWORD)path.size() + 1);
    SetValue("Control Panel\\Desktop", "WallpaperStyle", REG_SZ, "2", 2);
    DWORD entry = WALLPAPER_CONTRAST_COLOR;
    SetValue(SETTINGS_KEY, TEXT_COLOR_INDEX_VALUE, REG_DWORD, &entry, sizeof entry);
    WriteBmp(path, 64, 48, 8, BI_RGB, 20);
    g_hRelease = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    g_pfnCoCreateInstance = (decltype(g_pfnCoCreateInstance))ReplaceImport("CoCreateInstance", (void*)HeldCoCreateInstance);
    g_pfnFindWindowA = (decltype(g_pfnFindWindowA))ReplaceImport("FindWindowA", (void*)ShellFindWindowA);
    StandIn cancel(Newer::CO_CANCEL_CALL, (void*)CountedCancel);
    HWND hDlg = CreateHiddenDialog();
    ASSERT_TRUE(WaitFor([] { return ReadKeptColor() == RGB(255, 255, 255); }, 10000));
    const int idle = ThreadCount(GetCurrentProcessId());
    int peak = 0;
    auto pump = [&](DWORD ms) { for (DWORD t = 0; peak = std::max(peak, ThreadCount(GetCurrentProcessId())), t < ms; t += 50) PumpFor(50); };
    auto show = [&](int grey) { grey < 0 ? WriteFile(path, "no picture", 10) : WriteBmp(path, 64, 48, 8, BI_RGB, grey);
                                PostMessageA(hDlg, WM_WALLPAPER_FILE_CHANGED, 0, 0); };
    auto hold = [&](LONG calls, int grey) { ResetEvent(g_hRelease), g_holdNext = calls, g_classCalls = 0, show(grey); };
    auto select = [&](int entry) { SendDlgItemMessageA(hDlg, IDC_TEXT_COLOR, CB_SETCURSEL, entry, 0);
                                   SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDC_TEXT_COLOR, CBN_SELCHANGE), 0); };
    const COLORREF BLACK = 0, WHITE = RGB(255, 255, 255), ANY = CLR_DEFAULT;
    const struct { const char* what; std::function<void()> act; COLORREF kept; int workers; std::function<bool()> also; } steps[] = {
        {"changes 600 ms and 1200 ms into a long first evaluation: then one more", [&] {
             hold(1, 230), pump(600), show(230), pump(600), show(230), pump(300), SetEvent(g_hRelease); },
         BLACK, 1, [] { return PumpFor(1500), g_classCalls == 2; }},
        {"the entry switched away and back four times while one is held up: one more once it ends", [&] {
             hold(100, 20), pump(300);
             for (int i = 0; i < 4; ++i) select(3), pump(100), select(WALLPAPER_CONTRAST_COLOR), pump(100);
             SetEvent(g_hRelease); },
         WHITE, 1, [] { return PumpFor(1500), g_classCalls == 2; }},
        {"a call stalled past its bound: given up, cancelled, and the shell judged again meanwhile",
         [&] { g_cancels = 0, hold(1, 230); }, BLACK, 2, [] { return g_cancels == 1; }},
        {"a second stall while the first still stalls: no third worker, nothing judged", [&] {
             hold(1, 20), WaitFor([] { return g_cancels == 2; }, 10000), pump(2500); },
         BLACK, 2, [] { return g_classCalls == 1; }},
        {"both let go: the last change judged", [&] { SetEvent(g_hRelease); }, WHITE, 2, nullptr},
        {"no view: nothing judged, nothing kept", [&] { g_noShell = true, show(230), pump(2500); }, WHITE, 1, nullptr},
        {"a new view: judged anew", [&] { g_noShell = false, PostMessageA(hDlg, RegisterWindowMessageA("TaskbarCreated"), 0, 0); },
         BLACK, 1, nullptr},
        {"an unreadable picture, then three icons moved: read once", [&] {
             show(-1), pump(1500), g_decodes = 0, g_classCalls = 0;
             for (int i = 0; i < 3; ++i) PostMessageA(hDlg, WM_VIEW_ITEMS_MOVED, 0, 0), pump(700); },
         ANY, 1, [] { return g_decodes == 0 && g_classCalls == 3; }},
        {"the icon spacing changed, with no event: judged", [&] {
             g_classCalls = 0, Send(FindDesktopListView(), LVM_SETICONSPACING, 0, MAKELPARAM(150, 150)); },
         ANY, 1, [] { return g_classCalls == 1; }},
    };
    for (const auto& step : steps) {
        peak = 0;
        step.act();
        EXPECT_TRUE(WaitFor([&] { pump(0); return (step.kept == ANY || ReadKeptColor() == step.kept) && (!step.also || step.also()); },
                            10000)) << step.what << ": calls " << g_classCalls << ", cancels " << g_cancels << ", kept " << ReadKeptColor() << ", decodes " << g_decodes;
        EXPECT_LE(peak - idle, step.workers) << step.what;
    }
    DestroyDialog();
    ReplaceImport("FindWindowA", (void*)g_pfnFindWindowA);
    ReplaceImport("CoCreateInstance", (void*)g_pfnCoCreateInstance);
    CloseHandle(g_hRelease);
    DeleteFileW(path.c_str());
}

} // namespace
