// The watch of the real dialog inside this process, against the stand-in
// shell, for what only a message with a pointer can tell it: the console
// display going off and coming on, as Windows 8 and later tell it
// (GUID_CONSOLE_DISPLAY_STATE) and as Windows 7 does (GUID_MONITOR_POWER_ON).
#include "DialogHost.h"
#include "tools/Launch.h"
#include "tools/StandInShell.h"

namespace {

using WatchInProcess = HostedDialog;

// The POWERBROADCAST_SETTING that Windows sends with PBT_POWERSETTINGCHANGE.
struct DisplayNotice
{
    GUID setting;
    DWORD length;
    DWORD state;
};

void DisplayState(const GUID& setting, DWORD state)
{
    DisplayNotice notice = {setting, sizeof(DWORD), state};
    SendMessageA(g_VireolaDlg.m_hWnd, WM_POWERBROADCAST, 0x8013 /* PBT_POWERSETTINGCHANGE */, (LPARAM)&notice);
}

TEST_F(WatchInProcess, RestsWhileTheDisplayIsOffAndRepairsWhenItComesOn)
{
    Process shell("\"" + BinPath("StandInShell.exe") + "\"");
    ASSERT_TRUE(WaitFor([] { return FindWindowA("Progman", "Program Manager") != nullptr; }));
    HWND hProgman = FindWindowA("Progman", "Program Manager");
    auto repairs = [&] { return SendMessageA(hProgman, SHELL_REPAIR_COUNT, 0, 0); };
    ASSERT_TRUE(CreateHiddenDialog());

    struct Told
    {
        const char* what;
        const GUID* setting;
        DWORD backOn;
    };
    const Told ways[] = {
        {"Windows 8 and later, on", &CONSOLE_DISPLAY_STATE, 1},
        {"Windows 8 and later, dimmed: seen all the same", &CONSOLE_DISPLAY_STATE, 2},
        {"Windows 7", &MONITOR_POWER_ON, 1},
    };
    for (const Told& way : ways) {
        SCOPED_TRACE(way.what);
        DisplayState(*way.setting, 0);
        SendMessageA(hProgman, SHELL_RESET_COLORS, 0, 0);
        LRESULT before = repairs();
        PumpFor(5 * WATCH_PERIOD_MS);
        EXPECT_EQ(before, repairs()) << "checked while the display was off";
        DisplayState(*way.setting, way.backOn);
        EXPECT_TRUE(WaitFor([&] { return repairs() > before; }, 1000));
    }
    PostMessageA(hProgman, WM_CLOSE, 0, 0);
    shell.Wait();
}

} // namespace
