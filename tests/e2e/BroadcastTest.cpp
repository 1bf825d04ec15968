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

// The watch's checks over a while: each asks for the label background first.
int ChecksOver(Desktop& desktop, DWORD ms)
{
    desktop.NewMessages();
    WaitFor([] { return false; }, ms);
    int checks = 0;
    for (const std::string& m : desktop.NewMessages())
        checks += m == "GETTEXTBKCOLOR 0 0";
    return checks;
}

// The checks the watch makes in its own period over that while, and a little.
int PeriodChecks(DWORD ms)
{
    return (int)(ms / WATCH_PERIOD_MS) + 2;
}

TEST_F(Broadcasts, EachKindIsRepairedInABurstAndTheWatchThenKeepsItsPeriod)
{
    Desktop desktop("--reset-on-broadcast --taskbar");
    Vireola program;
    ASSERT_TRUE(WaitFor([&] { return DialogReady() && desktop.LabelsAre(BLACK); }));
    for (const Kind& kind : KINDS) {
        SCOPED_TRACE(kind.name);
        ASSERT_TRUE(WaitFor([&] { return desktop.LabelsAre(BLACK); }));
        LRESULT resets = desktop.Ask(SHELL_RESET_COUNT);
        desktop.NewMessages();
        kind.send();
        EXPECT_TRUE(WaitFor([&] { return desktop.Ask(SHELL_RESET_COUNT) > resets; }));
        EXPECT_TRUE(WaitFor([&] { return desktop.LabelsAre(BLACK); }, 1000));

        // counted from the broadcast on, with room for a slow machine
        WaitFor([] { return false; }, kind.burstMs / 3);
        int burst = ChecksOver(desktop, kind.burstMs / 3);
        EXPECT_GT(burst, PeriodChecks(kind.burstMs / 3) + 3) << "no fast checks";
        WaitFor([] { return false; }, kind.burstMs / 2);
        int after = ChecksOver(desktop, 1000);
        EXPECT_LE(after, PeriodChecks(1000)) << "still at the fast rate";
    }
}

TEST_F(Broadcasts, NoBurstWhileTheDialogIsInFrontNorAfterRestoreWindowsColors)
{
    Opened o("--reset-on-broadcast");
    Broadcast(WM_SETTINGCHANGE);
    EXPECT_EQ(0, ChecksOver(o.desktop, 500));

    Click(IDC_RESTORE_WINDOWS_COLORS);
    OtherWindow other;
    other.Activate();
    Broadcast(WM_SETTINGCHANGE);
    EXPECT_EQ(0, ChecksOver(o.desktop, 500));

    // the watch started again: the box ticked, and the dialog left
    SetForegroundWindow(FindSettingsDialog());
    ASSERT_TRUE(WaitFor(DialogInFront));
    SelectColor(YELLOW_INDEX);
    Send(DialogItem(IDC_REAPPLY), BM_SETCHECK, BST_CHECKED, 0);
    other.Activate();
    ASSERT_TRUE(WaitFor([&] { return o.desktop.LabelsAre(YELLOW); }, 1000));
    Broadcast(WM_SETTINGCHANGE);
    EXPECT_GT(ChecksOver(o.desktop, BURST_MS), PeriodChecks(BURST_MS) + 3);
    EXPECT_TRUE(o.desktop.LabelsAre(YELLOW));
}

} // namespace
