// System-wide changes make the shell reset the labels as it handles their
// broadcast: the program, which gets the same broadcast, checks at a fast rate
// for a while, then goes back to its period.
#include "Harness.h"
#include "res/resource.h"
#include "tools/StandInShell.h"
#include "ui/ReapplyBurst.h"
#include "ui/VireolaDlg.h"

namespace {

using Broadcasts = EndToEnd;

void Broadcast(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR result;
    SendMessageTimeoutA(HWND_BROADCAST, message, wParam, lParam, SMTO_ABORTIFHUNG, 2000, &result);
}

struct Kind
{
    const char* name;
    void (*send)();
    DWORD burstMs;
};

const Kind KINDS[] = {
    {"system colours", [] { Broadcast(WM_SYSCOLORCHANGE); }, BURST_MS},
    {"settings", [] { Broadcast(WM_SETTINGCHANGE); }, BURST_MS},
    {"theme", [] { Broadcast(WM_THEMECHANGED); }, BURST_MS},
    {"display", [] { Broadcast(WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024)); }, BURST_MS},
    // as a restarted shell's new taskbar announces itself
    {"a new taskbar", [] { PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0); },
     RESTART_BURST_MS},
};

TEST_F(Broadcasts, EachKindIsRepairedInABurstAndTheWatchThenKeepsItsPeriod)
{
    Desktop desktop("--reset-on-broadcast --taskbar");
    Vireola program;
    ASSERT_TRUE(WaitFor([&] { return DialogReady() && desktop.LabelsAre(BLACK); }));
    // the burst that the stand-in's new taskbar brought is over
    PumpFor(RESTART_BURST_MS);
    for (const Kind& kind : KINDS) {
        SCOPED_TRACE(kind.name);
        LRESULT resets = desktop.Ask(SHELL_RESET_COUNT);
        desktop.NewMessages();
        kind.send();
        EXPECT_GT(desktop.ChecksOver(kind.burstMs), TwicePeriodChecks(kind.burstMs)) << "no fast checks";
        EXPECT_GT(desktop.Ask(SHELL_RESET_COUNT), resets);
        EXPECT_TRUE(WaitFor([&] { return desktop.LabelsAre(BLACK); }, 1000));
        desktop.NewMessages();
        EXPECT_LT(desktop.ChecksOver(1000), TwicePeriodChecks(1000)) << "still at the fast rate";
    }
}

TEST_F(Broadcasts, NoBurstWhileTheDialogIsInFrontNorAfterRestoreWindowsColors)
{
    Opened o("--reset-on-broadcast");
    o.desktop.NewMessages();
    Broadcast(WM_SETTINGCHANGE);
    EXPECT_EQ(0, o.desktop.ChecksOver(500));

    Click(IDC_RESTORE_WINDOWS_COLORS);
    OtherWindow other;
    other.Activate();
    o.desktop.NewMessages();
    Broadcast(WM_SETTINGCHANGE);
    EXPECT_EQ(0, o.desktop.ChecksOver(500));

    // the watch started again: the box ticked, and the dialog left
    SetForegroundWindow(FindSettingsDialog());
    ASSERT_TRUE(WaitFor(DialogInFront));
    SelectColor(YELLOW_INDEX);
    Send(DialogItem(IDC_REAPPLY), BM_SETCHECK, BST_CHECKED, 0);
    other.Activate();
    ASSERT_TRUE(WaitFor([&] { return o.desktop.LabelsAre(YELLOW); }, 1000));
    o.desktop.NewMessages();
    Broadcast(WM_SETTINGCHANGE);
    EXPECT_GT(o.desktop.ChecksOver(BURST_MS), TwicePeriodChecks(BURST_MS));
    EXPECT_TRUE(o.desktop.LabelsAre(YELLOW));
}

} // namespace
