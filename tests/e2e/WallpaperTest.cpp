// "(Contrast With Wallpaper)" against pictures the test writes itself, set as
// Windows 7 (and Wine) keeps the wallpaper and announced as Windows does.
#include "Harness.h"
#include <fstream>

namespace {

using Wallpaper = EndToEnd;

const COLORREF LIGHT = RGB(230, 230, 230), DARK = RGB(20, 20, 20), PURE_RED = RGB(255, 0, 0);
const int WALLPAPER_INDEX = 21;

// A 24-bit picture: dark from the top down to darkRows, light below.
void WriteBmp(const std::string& path, int cx, int cy, COLORREF top, int darkRows, COLORREF rest)
{
    int stride = (cx * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {0x4D42, DWORD(sizeof file + sizeof(BITMAPINFOHEADER) + stride * cy), 0, 0,
                             sizeof file + sizeof(BITMAPINFOHEADER)};
    BITMAPINFOHEADER info = {sizeof info, cx, cy, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write((const char*)&file, sizeof file).write((const char*)&info, sizeof info);
    for (int y = cy - 1; y >= 0; --y) {   // rows from the bottom
        std::string row(stride, 0);
        COLORREF c = y < darkRows ? top : rest;
        for (int x = 0; x < cx; ++x)
            row[x * 3] = (char)GetBValue(c), row[x * 3 + 1] = (char)GetGValue(c), row[x * 3 + 2] = (char)GetRValue(c);
        out.write(row.data(), stride);
    }
}

// The user's wallpaper values, put back as they were.
class DesktopValues
{
public:
    DesktopValues() { RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_hKey, nullptr); }
    ~DesktopValues()
    {
        Set("", "0", "0");
        RegCloseKey(m_hKey);
    }
    void Set(const std::string& path, const char* style, const char* tile)
    {
        for (auto v : {std::make_pair("Wallpaper", path.c_str()), {"WallpaperStyle", style}, {"TileWallpaper", tile}})
            RegSetValueExA(m_hKey, v.first, 0, REG_SZ, (const BYTE*)v.second, (DWORD)strlen(v.second) + 1);
        DWORD_PTR result;
        SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, SPI_SETDESKWALLPAPER, (LPARAM) "Control Panel\\Desktop",
                            SMTO_ABORTIFHUNG, 5000, &result);
    }

private:
    HKEY m_hKey = nullptr;
};

enum Picture { LIGHT_PICTURE, DARK_PICTURE, DARK_BEHIND_LABELS, SMALL_DARK, MISSING, BROKEN };

struct Row
{
    const char* what;
    COLORREF desktop;
    Picture picture;
    const char* file;
    const char* style;
    bool announced;     // else only the file is rewritten
    COLORREF labels;
};

// Each row follows the one before it in the same running program (or starts
// it with the picture set), and expects another colour than it.
TEST_F(Wallpaper, TheLabelsTakeBlackOrWhiteAsReadsBetterOnThePictureBehindThem)
{
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    const Row rows[] = {
        {"a light picture, at the start", LIGHT, LIGHT_PICTURE, "light.bmp", "2", true, BLACK},
        {"light overall but dark behind the labels", LIGHT, DARK_BEHIND_LABELS, "top.bmp", "2", true, WHITE},
        {"another light one", LIGHT, LIGHT_PICTURE, "changing.bmp", "2", true, BLACK},
        {"the same file rewritten dark in place, unannounced", LIGHT, DARK_PICTURE, "changing.bmp", "2", false, WHITE},
        {"a small dark one centred: the red desktop colour around it reads", PURE_RED, SMALL_DARK, "small.bmp", "0", true, BLACK},
        {"a missing file: entry 0's colour, white on red", PURE_RED, MISSING, "missing.bmp", "2", true, WHITE},
        {"a new light picture", PURE_RED, LIGHT_PICTURE, "light2.bmp", "2", true, BLACK},
        {"a broken file: entry 0's colour", PURE_RED, BROKEN, "broken.bmp", "2", true, WHITE},
    };
    // a folder of their own, as pictures have, away from the stand-in's log
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "vireola-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    DesktopValues values;
    SetDword("Settings", "TextColorIndex", WALLPAPER_INDEX);
    SetDword("Settings", "ReApply", 1);
    std::unique_ptr<Desktop> desktop;
    std::unique_ptr<Vireola> program;
    COLORREF desktopColor = rows[0].desktop;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::string path = folder + row.file;
        DeleteFileA(path.c_str());
        if (row.picture == LIGHT_PICTURE)
            WriteBmp(path, 64, 48, LIGHT, 0, LIGHT);
        else if (row.picture == DARK_PICTURE)
            WriteBmp(path, 64, 48, DARK, 48, DARK);
        else if (row.picture == DARK_BEHIND_LABELS)   // under a tenth of it dark: the top, where the icons are
            WriteBmp(path, cx, cy, DARK, cy / 12, LIGHT);
        else if (row.picture == SMALL_DARK)
            WriteBmp(path, 16, 16, DARK, 16, DARK);
        else if (row.picture == BROKEN)
            std::ofstream(path, std::ios::binary) << "BM not a picture at all";
        // Wine keeps the system colours each process read first: a new desktop
        // colour, a new start
        if (row.desktop != desktopColor) {
            program.reset();
            desktop.reset();
            desktopColor = row.desktop;
        }
        if (row.announced)
            values.Set(path, row.style, "0");
        if (!desktop) {
            char color[16];
            snprintf(color, sizeof color, "--color %06lX", (unsigned long)(GetRValue(row.desktop) << 16 | GetGValue(row.desktop) << 8 | GetBValue(row.desktop)));
            desktop.reset(new Desktop(color));
            program.reset(new Vireola());
        }
        EXPECT_TRUE(WaitFor([&] { return desktop->LabelsAre(row.labels); }, 15000))
            << std::hex << desktop->TextColor();
    }
    program.reset();
    desktop.reset();
    for (const Row& row : rows)
        DeleteFileA((folder + row.file).c_str());
    RemoveDirectoryA(folder.c_str());
}

} // namespace
