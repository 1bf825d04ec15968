// The watch of the real dialog inside this process, against the stand-in
// shell, for what only a message with a pointer can tell it: the console
// display going off and coming on, as Windows 8 and later tell it
// (GUID_CONSOLE_DISPLAY_STATE) and as Windows 7 does (GUID_MONITOR_POWER_ON),
// which a session shown elsewhere than the console does not go by.
#include "DialogHost.h"
#include "settings/Settings.h"
#include "tests/standin/StandInShell.h"
#include "tests/support/Launch.h"
#include "watch/ViewEvents.h"
#include <wtsapi32.h>

namespace {

using WatchInProcess = HostedDialog;

// The POWERBROADCAST_SETTING that Windows sends with PBT_POWERSETTINGCHANGE.
struct DisplayNotice
{
    GUID setting;
    DWORD length;
    DWORD state;
};

// Another session than this one has the console: this one is shown remotely
// (with RemoteFX, SM_REMOTESESSION reads it as local all the same).
DWORD WINAPI AnotherSessionAtTheConsole()
{
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return session + 1;
}

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

    // the console's display is not this session's screen
    StandIn remote(Newer::WTS_GET_ACTIVE_CONSOLE_SESSION_ID, (void*)AnotherSessionAtTheConsole);
    DisplayState(CONSOLE_DISPLAY_STATE, 0);
    SendMessageA(hProgman, SHELL_RESET_COLORS, 0, 0);
    LRESULT before = repairs();
    EXPECT_TRUE(WaitFor([&] { return repairs() > before; }, 1000)) << "rested for another session's display";
    PostMessageA(hProgman, WM_CLOSE, 0, 0);
    shell.Wait();
}

// The hooks alive that the program's code has made.
int g_hooksAlive;
decltype(&SetWinEventHook) g_pfnSetWinEventHook;
decltype(&UnhookWinEvent) g_pfnUnhookWinEvent;

HWINEVENTHOOK WINAPI CountedSetWinEventHook(DWORD min, DWORD max, HMODULE hMod, WINEVENTPROC proc, DWORD pid,
                                            DWORD tid, DWORD flags)
{
    HWINEVENTHOOK hHook = g_pfnSetWinEventHook(min, max, hMod, proc, pid, tid, flags);
    g_hooksAlive += hHook != nullptr;
    // each for one event the program wants: no other wakes it
    EXPECT_TRUE(min == max && (min == EVENT_OBJECT_REORDER || min == EVENT_OBJECT_LOCATIONCHANGE)) << min << " to " << max;
    return hHook;
}

BOOL WINAPI CountedUnhookWinEvent(HWINEVENTHOOK hHook)
{
    BOOL unhooked = g_pfnUnhookWinEvent(hHook);
    g_hooksAlive -= unhooked != FALSE;
    return unhooked;
}

// Whether the contrast theme is on, as the stand-in for the system says.
bool g_contrastOn;

BOOL WINAPI ContrastSetting(UINT action, UINT param, void* pv, UINT winIni)
{
    if (action != SPI_GETHIGHCONTRAST)
        return SystemParametersInfoW(action, param, pv, winIni);
    ((HIGHCONTRASTW*)pv)->dwFlags = g_contrastOn ? HCF_HIGHCONTRASTON : 0;
    return TRUE;
}

// The desktop colour as the system has it, where a test has changed it
// without telling the windows (CLR_NONE: as it is).
COLORREF g_desktopColor = CLR_NONE;
decltype(&GetSysColor) g_pfnGetSysColor;

DWORD WINAPI DesktopColor(int index)
{
    return index == COLOR_BACKGROUND && g_desktopColor != CLR_NONE ? g_desktopColor : g_pfnGetSysColor(index);
}

// The view's refills are listened to while the watch runs, and only then:
// not while it rests, nor while the dialog is in front, nor once the window
// is gone. While a contrast theme is on, the labels have the shell's own look
// and the watch rests.
TEST_F(WatchInProcess, ListensToTheViewOnlyWhileTheWatchRuns)
{
    Process shell("\"" + BinPath("StandInShell.exe") + "\"");
    ASSERT_TRUE(WaitFor([] { return FindWindowA("Progman", "Program Manager") != nullptr; }));
    HWND hView = FindWindowExA(FindWindowExA(FindWindowA("Progman", "Program Manager"), nullptr, "SHELLDLL_DefView",
                                             nullptr),
                               nullptr, "SysListView32", nullptr);
    g_hooksAlive = 0;
    g_pfnSetWinEventHook = (decltype(g_pfnSetWinEventHook))ReplaceImport("SetWinEventHook", (void*)CountedSetWinEventHook);
    g_pfnUnhookWinEvent = (decltype(g_pfnUnhookWinEvent))ReplaceImport("UnhookWinEvent", (void*)CountedUnhookWinEvent);
    DWORD red = 16;   // Red, which no shell's look has
    SetValue(SETTINGS_KEY, TEXT_COLOR_INDEX_VALUE, REG_DWORD, &red, sizeof red);
    StandIn contrast(Newer::SYSTEM_PARAMETERS_INFO, (void*)ContrastSetting);
    HWND hDlg = CreateHiddenDialog();
    ASSERT_TRUE(hDlg);
    DWORD session = CurrentSessionFacts().thisSession;
    COLORREF desktop = GetSysColor(COLOR_BACKGROUND);
    g_pfnGetSysColor = (decltype(g_pfnGetSysColor))ReplaceImport("GetSysColor", (void*)DesktopColor);

    struct Step
    {
        const char* what;
        UINT message;
        WPARAM wParam;
        bool listening;
        bool contrast = false;
        bool shellsLook = false;   // the labels: else Red, the stored entry
        COLORREF desktop = CLR_NONE;   // a new desktop colour, not yet announced
    };
    const Step steps[] = {
        {"resident", 0, 0, true},
        {"locked", WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, false},
        {"unlocked", WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, true},
        {"contrast theme on", WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, false, true, true},
        {"the same notice again", WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, false, true, true},
        {"the theme's notice before its colours' own", WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, false, true, true,
         GetContrastColor(desktop)},
        {"contrast theme off", WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, true},
        {"shown and in front", WM_ACTIVATE, WA_ACTIVE, false},
        {"contrast theme on in front", WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, false, true, true},
        {"contrast theme off in front", WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, false, false, true},
        {"left", WM_ACTIVATE, WA_INACTIVE, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        g_contrastOn = step.contrast;
        g_desktopColor = step.desktop;
        if (step.message == WM_ACTIVATE && step.wParam != WA_INACTIVE)
            ShowWindow(hDlg, SW_SHOWNA);
        if (step.message)
            SendMessageA(hDlg, step.message, step.wParam, step.message == WM_WTSSESSION_CHANGE ? session : 0);
        PumpFor(2 * WATCH_PERIOD_MS);
        EXPECT_EQ(step.listening ? hView : nullptr, ViewListenedTo());
        EXPECT_EQ(step.listening ? 2 : 0, g_hooksAlive);
        COLORREF shellsText = GetContrastColor(step.desktop != CLR_NONE ? step.desktop : desktop);
        EXPECT_EQ(step.shellsLook ? shellsText : RGB(255, 0, 0),
                  (COLORREF)SendMessageA(hView, LVM_GETTEXTCOLOR, 0, 0));
    }
    DestroyDialog();
    EXPECT_EQ(nullptr, ViewListenedTo());
    EXPECT_EQ(0, g_hooksAlive);
    ReplaceImport("GetSysColor", (void*)g_pfnGetSysColor);
    ReplaceImport("SetWinEventHook", (void*)g_pfnSetWinEventHook);
    ReplaceImport("UnhookWinEvent", (void*)g_pfnUnhookWinEvent);
    PostMessageA(FindWindowA("Progman", "Program Manager"), WM_CLOSE, 0, 0);
    shell.Wait();
}

// Of the events the view's thread raises, only its own items' moves are moves.
TEST(ViewEvents, TheViewsItemsMoving)
{
    const HWND hView = (HWND)0x1234, hOther = (HWND)0x5678;
    const DWORD MOVE = EVENT_OBJECT_LOCATIONCHANGE;
    const struct { HWND view; DWORD event; HWND hwnd; LONG child; bool moved; } cases[] = {
        {hView, MOVE, hView, 3, true}, {hView, MOVE, hView, 0, false}, {hView, MOVE, hOther, 3, false},
        {hView, EVENT_OBJECT_REORDER, hView, 3, false}, {hView, EVENT_OBJECT_SELECTION, hView, 3, false},
        {nullptr, MOVE, nullptr, 3, false}};
    for (const auto& c : cases)
        EXPECT_EQ(c.moved, IsItemMoved(c.view, c.event, c.hwnd, c.child)) << std::hex << c.event << " child " << c.child;
}

} // namespace
