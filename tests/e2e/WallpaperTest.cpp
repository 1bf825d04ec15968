// "(Contrast With Wallpaper)" against pictures the test writes itself, set as
// Windows 7 (and Wine) keeps the wallpaper and announced as Windows does.
#include "Harness.h"
#include "res/Copies.h"
#include "res/Messages.h"
#include <algorithm>
#include <fstream>

namespace {

using Wallpaper = EndToEnd;

const COLORREF LIGHT = RGB(230, 230, 230), DARK = RGB(20, 20, 20);
const int WALLPAPER_INDEX = 21;

// A 24-bit picture, dark from the top down to darkRows and light below.
void WriteBmp(const std::string& path, int cx, int cy, int darkRows)
{
    int stride = (cx * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {0x4D42, DWORD(sizeof file + sizeof(BITMAPINFOHEADER) + stride * cy), 0, 0,
                             sizeof file + sizeof(BITMAPINFOHEADER)};
    BITMAPINFOHEADER info = {sizeof info, cx, cy, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write((const char*)&file, sizeof file).write((const char*)&info, sizeof info);
    for (int y = cy - 1; y >= 0; --y)   // rows from the bottom
        out << std::string(stride, (char)GetRValue(y < darkRows ? DARK : LIGHT));
}

// The user's wallpaper values, put back as they were.
class DesktopValues
{
public:
    DesktopValues() { RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_hKey, nullptr); }
    ~DesktopValues()
    {
        Set("", "0");
        RegCloseKey(m_hKey);
    }
    void Set(const std::string& path, const char* style, bool announced = true)
    {
        bool tiled = !strcmp(style, "tile");
        for (auto v : {std::make_pair("Wallpaper", path.c_str()), {"WallpaperStyle", tiled ? "0" : style},
                       {"TileWallpaper", tiled ? "1" : "0"}})
            RegSetValueExA(m_hKey, v.first, 0, REG_SZ, (const BYTE*)v.second, (DWORD)strlen(v.second) + 1);
        if (!announced)
            return;
        DWORD_PTR result;
        SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, SPI_SETDESKWALLPAPER, (LPARAM) "Control Panel\\Desktop",
                            SMTO_ABORTIFHUNG, 5000, &result);
    }

private:
    HKEY m_hKey = nullptr;
};

// Where the stand-in's log shows a judgement read the labels' places: it
// asks whether the shell answers first, which a look at the view's spacing
// alone does not.
std::vector<size_t> Judgements(const std::vector<std::string>& log)
{
    std::vector<size_t> at;
    for (size_t i = 0, asked = 0; i < log.size(); ++i) {
        asked = asked || !log[i].rfind("NULL", 0);
        if (asked && !log[i].rfind("GETITEMSPACING", 0))
            at.push_back(i), asked = 0;
    }
    return at;
}

struct Row
{
    const char* what;
    const char* desktop;    // the stand-in's option
    int cx, cy, darkRows;   // no file where 0 wide, a broken one where -1
    const char* file;
    const char* style;      // WallpaperStyle, or "tile"
    bool announced;         // else only the file is rewritten, or another named in the registry
    COLORREF labels;
    enum {
        AS_IS,
        IN_FRONT,           // the dialog in front: judged (the preview shows it), not applied
        BEHIND_ANOTHER,     // announced right behind another picture, the other way round
        OTHER_ENTRY,        // "Black" applied first: not judged, nothing kept; the entry back after
        REGISTRY_ONLY,      // the same file, its position changed in the registry alone
        DRAGGED,            // an icon dragged in forty steps over two seconds: a few evaluations, the last one's colour
        SHELL_HUNG,         // the shell hung while another picture and this one are named by turns: one worker at
                            // most, then one evaluation
        STARTED_ANEW,       // resident, with no colour kept for what shows: the judgement's, nothing before
        STARTED_KEPT,       // resident: the colour kept for what shows at once, before the judgement
        STARTED_CHANGED,    // resident: another picture named in the registry alone during the first judgement
        STARTED_ONCE,       // Re-Apply off: judged after the start, with the start lock free, applied and kept before it ends
    } step = AS_IS;
};

// Each row follows the one before it in the same running program (or starts
// it with the picture set), and expects another colour than it.
TEST_F(Wallpaper, TheLabelsTakeBlackOrWhiteAsReadsBetterOnThePictureBehindThem)
{
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    // dark: the shell draws its own white on the desktop colour, which the
    // watch would replace, and so shows whatever colour is put on before the judgement
    const char *light = "--color E6E6E6", *red = "--color FF0000", *dark = "--classic --color 202020";
    const Row rows[] = {
        // large, so that the judgement comes after the watch's first checks
        {"a light picture on a dark desktop colour, nothing kept: black, and entry 0's white never", dark,
         4000, 3000, 0, "light.bmp", "2", true, BLACK, Row::STARTED_ANEW},
        {"a dark one while the dialog is in front", dark, 64, 48, 48, "front.bmp", "2", true, WHITE, Row::IN_FRONT},
        // under a tenth of it dark: the top, where the icons are
        {"light overall but dark behind the labels", light, cx, cy, cy / 12, "top.bmp", "2", true, WHITE},
        {"another light one", light, 64, 48, 0, "changing.bmp", "2", true, BLACK},
        {"the same file rewritten dark in place, unannounced", light, 64, 48, 48, "changing.bmp", "2", false, WHITE},
        {"and light again", light, 64, 48, 0, "changing.bmp", "2", false, BLACK},
        {"a dark one, started with Re-Apply off", light, 2000, 1500, 1500, "once.bmp", "2", true, WHITE, Row::STARTED_ONCE},
        {"a small dark one centred: the red desktop colour around it reads", red, 16, 16, 16, "small.bmp", "0", true, BLACK},
        {"tiled, in the registry alone", red, 16, 16, 16, "small.bmp", "tile", false, WHITE, Row::REGISTRY_ONLY},
        {"centred again, in the registry alone", red, 16, 16, 16, "small.bmp", "0", false, BLACK, Row::REGISTRY_ONLY},
        // large, so that the new judgement comes after the watch's first checks
        {"a large light one, started anew: black, never entry 0's white", red, 4000, 3000, 0, "large.bmp", "2",
         true, BLACK, Row::STARTED_ANEW},
        {"the small dark one tiled", red, 16, 16, 16, "small.bmp", "tile", true, WHITE},
        {"a light one in a folder of its own", red, 64, 48, 0, "sub\\pic.bmp", "2", true, BLACK},
        {"its folder gone", red, 0, 0, 0, "sub\\pic.bmp", "2", true, WHITE},
        {"its folder back, the picture light", red, 64, 48, 0, "sub\\pic.bmp", "2", true, BLACK},
        {"and rewritten dark in place, unannounced", red, 64, 48, 48, "sub\\pic.bmp", "2", false, WHITE},
        {"a new light picture", red, 64, 48, 0, "light2.bmp", "2", true, BLACK},
        {"a dark one right behind a light one", red, 64, 48, 48, "second.bmp", "2", true, WHITE, Row::BEHIND_ANOTHER},
        {"a light one as an icon is dragged", red, 64, 48, 0, "drag.bmp", "2", true, BLACK, Row::DRAGGED},
        {"a dark one, then it and a light one named by turns while the shell hangs", red, 64, 48, 48, "hung.bmp", "2",
         false, BLACK, Row::SHELL_HUNG},
        {"a light one named in the registry only", red, 64, 48, 0, "named.bmp", "2", false, BLACK},
        {"a missing file: entry 0's colour, white on red", red, 0, 0, 0, "missing.bmp", "2", true, WHITE},
        {"a light one while \"Black\" is applied", red, 64, 48, 0, "light3.bmp", "2", true, BLACK, Row::OTHER_ENTRY},
        {"a broken file: entry 0's colour", red, -1, 0, 0, "broken.bmp", "2", true, WHITE},
        {"a light one again", red, 64, 48, 0, "light2.bmp", "2", true, BLACK},
        {"a large dark one, started anew: the black kept for another picture never shows", red, 4000, 3000, 3000,
         "large.bmp", "2", true, WHITE, Row::STARTED_ANEW},
        {"the same, started anew: its kept white at once", red, 4000, 3000, 3000, "large.bmp", "2", false, WHITE,
         Row::STARTED_KEPT},
        {"rewritten light while the program was not running: the kept white never shows", red, 4000, 3000, 0,
         "large.bmp", "2", false, BLACK, Row::STARTED_ANEW},
        {"a large dark one, and a light one named in the registry alone while it is judged", red, 4000, 3000, 3000,
         "during.bmp", "2", true, BLACK, Row::STARTED_CHANGED},
    };
    // a folder of their own, as pictures have, away from the stand-in's log
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "vireola-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    DesktopValues values;
    OnInputDesktop input;
    SetDword("Settings", "TextColorIndex", WALLPAPER_INDEX);
    SetDword("Settings", "ReApply", 1);
    std::unique_ptr<Desktop> desktop;
    std::unique_ptr<Vireola> program;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::string path = folder + row.file, own = path.substr(0, path.rfind('\\'));
        if (row.step >= Row::STARTED_ANEW)
            program.reset();   // before the picture changes: nothing running sees it
        if (row.step != Row::STARTED_KEPT)
            DeleteFileA(path.c_str());
        if (row.cx == 0)
            RemoveDirectoryA(own.c_str());
        CreateDirectoryA(own.c_str(), nullptr);
        if (row.cx > 0 && row.step != Row::STARTED_KEPT)
            WriteBmp(path, row.cx, row.cy, row.darkRows);
        else if (row.cx < 0)
            std::ofstream(path, std::ios::binary) << "BM not a picture at all";
        // Wine keeps the system colours each process read first: a new desktop
        // colour, a new start
        if (&row != rows && strcmp(row.desktop, (&row)[-1].desktop)) {
            program.reset();
            desktop.reset();
        }
        if (row.step >= Row::STARTED_ANEW) {
            if (desktop && row.step != Row::STARTED_ONCE)
                desktop->Reset();   // the shell's own look, for the start to change
            SetDword("Settings", "ReApply", row.step != Row::STARTED_ONCE);
        }
        if (row.step == Row::IN_FRONT) {
            ASSERT_TRUE(WaitFor(DialogReady));
            PostMessageA(FindSettingsDialog(), WM_SHOW_DIALOG, 0, 0);
            ASSERT_TRUE(WaitFor(DialogInFront));
        } else if (DialogVisible()) {
            Click(IDCANCEL);
        }
        if (row.step == Row::OTHER_ENTRY) {
            SelectColor(3);
            Click(IDC_APPLY);
        }
        if (row.step == Row::BEHIND_ANOTHER || row.step == Row::STARTED_CHANGED || row.step == Row::SHELL_HUNG) {
            WriteBmp(path + "~", row.cx, row.cy, row.cy - row.darkRows);
            if (row.step == Row::BEHIND_ANOTHER)
                values.Set(path + "~", row.style);
        }
        bool named = &row != rows && strcmp(row.file, (&row)[-1].file), registryOnly = row.step == Row::REGISTRY_ONLY;
        if (!row.announced && (named || registryOnly))
            PumpFor(500);   // the watch settled: only the key's notice tells of what follows
        if (row.announced || named || registryOnly)
            values.Set(path, row.style, row.announced);
        if (!desktop)
            desktop.reset(new Desktop(row.desktop));
        std::vector<std::string> seen;   // the stand-in's log from the start on
        auto judging = [&] {
            for (const std::string& m : desktop->NewMessages())
                seen.push_back(m);
            return !Judgements(seen).empty();
        };
        if (!program) {
            desktop->NewMessages();
            program.reset(new Vireola());
        }
        if (row.step == Row::STARTED_CHANGED) {
            ASSERT_TRUE(WaitFor(judging, 15000));
            values.Set(path + "~", row.style, false);
        } else if (row.step == Row::DRAGGED) {
            desktop->NewMessages();
            for (int i = 0; i < 40; ++i, PumpFor(50))
                PostMessageA(FindSettingsDialog(), WM_VIEW_ITEMS_MOVED, 0, 0);
        } else if (row.step == Row::SHELL_HUNG) {
            ASSERT_TRUE(WaitFor([&] { return desktop->LabelsAre(WHITE); }, 15000));
            desktop->NewMessages();
            desktop->Hang(5000);
            int peak = 0;
            for (int i = 0; i < 12; ++i, PumpFor(300)) {
                if (i % 3 == 0)
                    values.Set(path + (i % 2 ? "~" : ""), row.style, false);
                peak = std::max(peak, ThreadCount(program->Id()));
            }
            EXPECT_LE(peak, 3) << "the program's threads";
        } else if (row.step == Row::STARTED_ONCE) {
            // the next copy may start while this one judges: the lock free before the
            // judgement is kept (the row before kept the other colour)
            EXPECT_TRUE(WaitFor([&] {
                DWORD kept = 0;
                GetDword("Settings", "WallpaperTextColor", kept);
                HANDLE hLock = OpenMutexA(SYNCHRONIZE, FALSE, START_LOCK_NAME);
                bool free = hLock && WaitForSingleObject(hLock, 0) == WAIT_OBJECT_0 && ReleaseMutex(hLock);
                return CloseHandle(hLock), free && kept != row.labels; }, 15000));
        }
        if (row.step == Row::IN_FRONT) {
            EXPECT_TRUE(WaitFor([&] { return (COLORREF)Send(DialogItem(IDC_PREVIEW), LVM_GETTEXTCOLOR, 0, 0) == row.labels; }, 15000));
            EXPECT_TRUE(desktop->LabelsAre((&row)[-1].labels));
            continue;
        }
        EXPECT_TRUE(WaitFor([&] { return desktop->LabelsAre(row.labels); }, 15000))
            << std::hex << desktop->TextColor() << ", the program " << (program->Running() ? "running" : "ended with " + std::to_string(program->Wait(0)));
        if (row.step == Row::DRAGGED || row.step == Row::SHELL_HUNG) {
            PumpFor(1500);   // anything still to come
            judging();
            int evaluations = (int)Judgements(seen).size();
            EXPECT_TRUE(row.step == Row::DRAGGED ? evaluations <= 7 : evaluations == 1) << evaluations << " evaluations";
        } else if (row.step == Row::STARTED_ANEW || row.step == Row::STARTED_KEPT) {
            ASSERT_TRUE(WaitFor(DialogReady));
            PumpFor(1000);   // the watch's first checks, and the new judgement
            // one colour, for good: the kept one before the judgement reads the
            // labels, or none before it
            judging();
            std::vector<std::string> colors;
            size_t first = seen.size(), judged = Judgements(seen).empty() ? seen.size() : Judgements(seen)[0];
            for (size_t i = 0; i < seen.size(); ++i) {
                if (!seen[i].rfind("SETTEXTCOLOR 0 ", 0) && (colors.empty() || colors.back() != seen[i].substr(15)))
                    colors.push_back(seen[i].substr(15)), first = std::min(first, i);
            }
            // (none where the shell's own white is the judgement's)
            if (!colors.empty() || row.labels != WHITE || row.step == Row::STARTED_KEPT) {
                EXPECT_EQ(std::vector<std::string>{std::to_string(row.labels)}, colors);
            }
            EXPECT_EQ(row.step == Row::STARTED_KEPT, first < judged) << "the colour came at " << first << ", the judgement at " << judged;
        } else if (row.step == Row::OTHER_ENTRY) {
            PumpFor(1000);   // a judgement would have come
            DWORD kept = 0;
            EXPECT_TRUE(GetDword("Settings", "WallpaperTextColor", kept) && kept == (&row)[-1].labels) << kept;
            SelectColor(WALLPAPER_INDEX);
            Click(IDC_APPLY);
        } else if (row.step == Row::STARTED_ONCE) {
            DWORD kept = 0;
            EXPECT_EQ(0u, program->Wait(5000));
            EXPECT_TRUE(GetDword("Settings", "WallpaperTextColor", kept) && kept == row.labels) << kept;
            program.reset();
            SetDword("Settings", "ReApply", 1);
        }
    }
    program.reset();
    desktop.reset();
    for (const Row& row : rows) {
        DeleteFileA((folder + row.file).c_str());
        DeleteFileA((folder + row.file + "~").c_str());
    }
    RemoveDirectoryA((folder + "sub").c_str());
    RemoveDirectoryA(folder.c_str());
}

} // namespace
