// The settings store against a user hive of the test's own.
#include "DialogHost.h"
#include "InProcess.h"
#include "tests/support/Launch.h"
#include "wallpaper/KeptColor.h"
#include "settings/Settings.h"
#include "wallpaper/WallpaperScene.h"
#include <functional>
#include <memory>
#include <vector>

namespace {

using SettingsStore = RedirectedHive;

void SetDesktopColor(COLORREF color) { INT element = COLOR_BACKGROUND; SetSysColors(1, &element, &color); }
UINT WINAPI Dpi144(HWND) { return 144; }
// The monitors, and another to the right of the first.
decltype(&EnumDisplayMonitors) g_pfnEnumDisplayMonitors;
BOOL WINAPI TwoMonitors(HDC hDC, const RECT* clip, MONITORENUMPROC callback, LPARAM lParam)
{
    RECT right = {GetSystemMetrics(SM_CXSCREEN), 0, 2 * GetSystemMetrics(SM_CXSCREEN), 100};
    return g_pfnEnumDisplayMonitors(hDC, clip, callback, lParam) && callback(nullptr, nullptr, &right, lParam);
}

TEST_F(SettingsStore, WithoutASoftwareKeyReadsGiveDefaultsAndNothingIsMade)
{
    EXPECT_EQ(DEFAULT_TEXT_COLOR_INDEX, ReadTextColorIndex());
    EXPECT_EQ(DEFAULT_REAPPLY, ReadReApply());
    EXPECT_FALSE(WriteSetting(SETTINGS_SECTION, REAPPLY_VALUE, 0));
    SaveDialogSettings(18, 0, 0);
    EXPECT_EQ(DEFAULT_TEXT_COLOR_INDEX, ReadTextColorIndex());

    COLORREF colors[CUSTOM_COLOR_COUNT];
    LoadCustomColors(colors);
    for (COLORREF color : colors)
        EXPECT_EQ((COLORREF)DEFAULT_CUSTOM_COLOR, color);
    SaveCustomColors(colors);
    EXPECT_FALSE(HiveHas("Software"));
}

TEST_F(SettingsStore, UnderASoftwareKeyTheMissingKeysAreMadeAndValuesKept)
{
    MakeSoftwareKey();
    EXPECT_EQ(DEFAULT_REAPPLY, ReadReApply());
    EXPECT_TRUE(HiveHas("Software\\Morvane\\Vireola\\Settings"));
    SaveDialogSettings(18, 0, 0);
    EXPECT_EQ(18, ReadTextColorIndex());
    EXPECT_EQ(0, ReadReApply());
    EXPECT_EQ(0, ReadSetting(SETTINGS_SECTION, TRAY_ICON_VALUE, DEFAULT_TRAY_ICON));

    COLORREF colors[CUSTOM_COLOR_COUNT];
    for (int i = 0; i < CUSTOM_COLOR_COUNT; ++i)
        colors[i] = RGB(i, 2 * i, 255 - i);
    SaveCustomColors(colors);
    COLORREF loaded[CUSTOM_COLOR_COUNT] = {};
    LoadCustomColors(loaded);
    for (int i = 0; i < CUSTOM_COLOR_COUNT; ++i)
        EXPECT_EQ(colors[i], loaded[i]) << i;
}

TEST_F(SettingsStore, ValuesOfEveryTypeAndLengthReadAsTheirFirstFourBytesOrTheDefault)
{
    MakeSoftwareKey();
    const char* settings = "Software\\Morvane\\Vireola\\Settings";
    const char* custom = "Software\\Morvane\\Vireola\\CustomColors";
    for (const StoredShape& shape : EveryTypeAndLength()) {
        SCOPED_TRACE(shape.What());
        for (const char* name : {TEXT_COLOR_INDEX_VALUE, REAPPLY_VALUE, TRAY_ICON_VALUE, TEXT_COLOR_VALUE})
            SetValue(settings, name, shape.type, shape.data.data(), (DWORD)shape.data.size());
        for (char slot = 'A'; slot <= 'P'; ++slot)
            SetValue(custom, std::string(1, slot).c_str(), shape.type, shape.data.data(), (DWORD)shape.data.size());
        std::string before = Dump(settings) + Dump(custom);

        EXPECT_TRUE(shape.CanReadAs(ReadTextColorIndex(), DEFAULT_TEXT_COLOR_INDEX));
        EXPECT_TRUE(shape.CanReadAs(ReadReApply(), DEFAULT_REAPPLY));
        EXPECT_TRUE(shape.CanReadAs(ReadSetting(SETTINGS_SECTION, TEXT_COLOR_VALUE, DEFAULT_TEXT_COLOR),
                                    DEFAULT_TEXT_COLOR));
        COLORREF colors[CUSTOM_COLOR_COUNT];
        LoadCustomColors(colors);
        for (COLORREF color : colors)
            EXPECT_TRUE(shape.CanReadAs((LONG)color, DEFAULT_CUSTOM_COLOR));
        // reading never writes
        EXPECT_EQ(before, Dump(settings) + Dump(custom));
    }
}

// The kept colour is black or white as a 4-byte REG_DWORD, and a start takes
// it only while what it was judged on shows: the same desktop values, policy
// and file. Steps through time, each on the one before.
TEST_F(SettingsStore, AKeptColourIsBlackOrWhiteAndHoldsOnlyForWhatItWasJudgedOn)
{
    MakeSoftwareKey();
    const char* settings = "Software\\Morvane\\Vireola\\Settings";
    std::vector<StoredShape> shapes = EveryTypeAndLength();
    for (BYTE b : {0x00, 0xFF}) // black and white of another type
        shapes.push_back({REG_BINARY, {b, b, b, 0}});
    for (const StoredShape& shape : shapes) {
        SetValue(settings, WALLPAPER_TEXT_COLOR_VALUE, shape.type, shape.data.data(), (DWORD)shape.data.size());
        LONG read = shape.type == REG_DWORD && shape.data.size() == 4 ? shape.AsRead(-1) : -1;
        EXPECT_EQ(read == 0 || read == 0xFFFFFF ? (COLORREF)read : CLR_NONE, ReadKeptColor()) << shape.What();
    }
    std::wstring picture = _wgetenv(L"TEMP") + std::wstring(L"\\vireola-kept.bmp");
    auto write = [&](DWORD size) {
        HANDLE hFile = CreateFileW(picture.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        SetFilePointer(hFile, size, nullptr, FILE_BEGIN);
        SetEndOfFile(hFile);
        CloseHandle(hFile);
    };
    Process shell("\"" + BinPath("StandInShell.exe") + "\"");
    ASSERT_TRUE(WaitFor([] { return FindDesktopListView() != nullptr; }));
    auto keep = [&](COLORREF text) {
        ViewShape view = {};
        ShellTurn turn(ShellTurn::USER);
        ReadViewShape(FindDesktopListView(), turn, view);
        JudgedOn on = {JudgedValuesStamp(), LayoutStamp(view), {}, {}};
        GetFileAttributesExW(picture.c_str(), GetFileExInfoStandard, &on.stamp);
        lstrcpyW(on.picture, picture.c_str());
        KeepColor(text, on);
    };
    const char* policy = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
    const COLORREF desktop = GetSysColor(COLOR_BACKGROUND);
    std::unique_ptr<StandIn> dpi;
    const struct { const char* what; std::function<void()> change; COLORREF kept; } steps[] = {
        {"kept white", [&] { write(10), keep(0xFFFFFF); }, 0xFFFFFF},
        {"nothing changed", [] {}, 0xFFFFFF},
        {"the picture rewritten", [&] { write(20); }, CLR_NONE},
        {"kept black for it", [&] { keep(0); }, 0},
        {"another picture named", [&] { SetValue("Control Panel\\Desktop", "Wallpaper", REG_SZ, "c:\\b.jpg", 9); }, CLR_NONE},
        {"kept black for that", [&] { keep(0); }, 0},
        {"a picture set by policy", [&] { SetValue(policy, "Wallpaper", REG_SZ, "c:\\b.jpg", 9); }, CLR_NONE},
        {"kept white for it", [&] { keep(0xFFFFFF); }, 0xFFFFFF},
        {"the desktop colour changed", [&] { SetDesktopColor(RGB(1, 2, 3)); }, CLR_NONE},
        {"and back", [&] { SetDesktopColor(desktop); }, 0xFFFFFF},
        {"an icon fewer", [&] { Send(FindDesktopListView(), LVM_DELETEITEM, 0, 0); }, CLR_NONE},
        {"kept black for it", [&] { keep(0); }, 0},
        {"another icon spacing", [&] { Send(FindDesktopListView(), LVM_SETICONSPACING, 0, MAKELPARAM(150, 150)); }, CLR_NONE},
        {"kept white for it", [&] { keep(0xFFFFFF); }, 0xFFFFFF},
        {"the view at another DPI", [&] { dpi.reset(new StandIn(Newer::GET_DPI_FOR_WINDOW, (void*)Dpi144)); }, CLR_NONE},
        {"and back", [&] { dpi.reset(); }, 0xFFFFFF},
        {"another monitor beside", [&] { g_pfnEnumDisplayMonitors = (decltype(&EnumDisplayMonitors))ReplaceImport("EnumDisplayMonitors", (void*)TwoMonitors); }, CLR_NONE},
        {"and gone", [&] { ReplaceImport("EnumDisplayMonitors", (void*)g_pfnEnumDisplayMonitors); }, 0xFFFFFF},
        {"a version that keeps no record", [&] { SetValue(settings, WALLPAPER_JUDGED_ON_VALUE, REG_SZ, "", 1); }, CLR_NONE},
    };
    for (const auto& step : steps) {
        step.change();
        EXPECT_EQ(step.kept, ReadKeptColorForWhatShows()) << step.what;
    }
    DeleteFileW(picture.c_str());
}

} // namespace
