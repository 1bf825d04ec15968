// System-wide changes make the shell reset the labels as it handles their
// broadcast: the program, which gets the same broadcast, checks at a fast rate
// for a while, then goes back to its period. So does a refill of the desktop
// view, which the view's list view announces and the program listens to.
#include "Harness.h"
#include "res/resource.h"
#include "tests/standin/StandInShell.h"
#include "watch/ReapplyBurst.h"
#include "ui/VireolaDlg.h"
#include <memory>

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
    void (*send)(const Desktop& desktop);
    DWORD burstMs;
};

const Kind KINDS[] = {
    {"system colours", [](const Desktop&) { Broadcast(WM_SYSCOLORCHANGE); }, BURST_MS},
    {"settings", [](const Desktop&) { Broadcast(WM_SETTINGCHANGE); }, BURST_MS},
    {"theme", [](const Desktop&) { Broadcast(WM_THEMECHANGED); }, BURST_MS},
    {"display", [](const Desktop&) { Broadcast(WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024)); }, BURST_MS},
    // as a restarted shell's new taskbar announces itself
    {"a new taskbar",
     [](const Desktop&) { PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0); },
     RESTART_BURST_MS},
    // F5 on the desktop: no broadcast, but the view's own event
    {"a refresh of the view", [](const Desktop& d) { Send(d.Progman(), SHELL_REFRESH, SHELL_REFRESH_ANNOUNCED, 0); },
     BURST_MS},
    // any program may post numbers of the window's own range: handled after the broadcast
    {"stray values posted in the window's own range, then settings",
     [](const Desktop&) {
         for (UINT message = WM_APP + 100; message <= WM_APP + 106; ++message)
             for (WPARAM stray : {0, 1, 2, 3, 0x1234})
                 PostMessageA(FindSettingsDialog(), message, stray, 0x1234);
         Broadcast(WM_SETTINGCHANGE);
     },
     BURST_MS},
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
        kind.send(desktop);
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

using BroadcastsOnEveryView = OnEveryView;
INSTANTIATE_ON_EVERY_VIEW(BroadcastsOnEveryView);

// What wakes the program of the shell's events is the view's refill alone:
// not a refill that nothing announces (Wine's own list view raises nothing;
// the watch's period repairs it), nor the same event from the shell's other
// windows or threads. A shell made anew is listened to anew.
TEST_P(BroadcastsOnEveryView, OnlyTheViewsOwnRefillStartsABurst)
{
    struct Event
    {
        const char* what;
        UINT message;
        WPARAM wParam;
        bool burst;
    };
    const Event events[] = {
        {"the view filled again", SHELL_REFRESH, SHELL_REFRESH_ANNOUNCED, true},
        {"the view filled again, unannounced", SHELL_REFRESH, SHELL_REFRESH_UNANNOUNCED, false},
        {"another window of the view's thread", SHELL_RAISE_OTHER_REORDER, SHELL_OTHER_WINDOW, false},
        {"another thread of the shell's", SHELL_RAISE_OTHER_REORDER, SHELL_OTHER_THREAD, false},
    };
    for (bool restarted : {false, true}) {
        SCOPED_TRACE(restarted ? "a shell made anew" : "the shell the program started with");
        Desktop first(View());
        Vireola program;
        ASSERT_TRUE(WaitFor([&] { return DialogReady() && first.LabelsAre(BLACK); }));
        std::unique_ptr<Desktop> anew;
        if (restarted) {
            // the first view is listened to before it goes: each check
            // listens to the view it found, and a second has ended the first
            int checks = 0;
            ASSERT_TRUE(WaitFor([&] { return (checks += first.ChecksOver(0)) >= 2; }));
            first.Close();
            anew.reset(new Desktop(View()));
            ASSERT_TRUE(WaitFor([&] { return anew->LabelsAre(BLACK); }));
        }
        Desktop& desktop = restarted ? *anew : first;
        for (const Event& event : events) {
            SCOPED_TRACE(event.what);
            PumpFor(BURST_MS);   // a burst before is over
            desktop.NewMessages();
            Send(desktop.Progman(), event.message, event.wParam, 0);
            int checks = desktop.ChecksOver(BURST_MS);
            if (event.burst)
                EXPECT_GT(checks, TwicePeriodChecks(BURST_MS)) << "no fast checks";
            else
                EXPECT_LE(checks, TwicePeriodChecks(BURST_MS)) << "fast checks";
            EXPECT_TRUE(WaitFor([&] { return desktop.LabelsAre(BLACK); }, 1000));
        }
    }
}

} // namespace
