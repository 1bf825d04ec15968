// What a Windows session does to a resident program: shutdowns that go on or
// are cancelled, the Restart Manager closing it for an installer, locks,
// disconnects and resumes. Wine sends none of these, so the test sends them
// as Windows would (WM_ENDSESSION is posted: sent from another process, Wine
// never delivers it); a display notice, which carries a pointer, is written
// into the program's memory first.
#include "Harness.h"
#include "tests/standin/StandInShell.h"
#include "tests/support/Platform.h"
#include "watch/ReapplyBurst.h"
#include "ui/VireolaDlg.h"
#include <shlwapi.h>
#include <wtsapi32.h>
#include <algorithm>

namespace {

using Session = EndToEnd;

struct Message
{
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

enum Outcome {
    WATCHES,     // a reset is repaired at the watch's pace
    RESTS,       // no checks, and a reset stays
    COMES_BACK,  // a reset made while nobody looked is repaired at once, in a burst
    ENDS,        // the icon goes and the program ends with code 0
};

struct Row
{
    const char* what;
    std::vector<Message> messages;
    Outcome outcome;
};

// The session the program runs in, the test's own; Windows names it in lParam.
DWORD ThisSession()
{
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return session;
}

const LPARAM SESSION = ThisSession();
const Message LOCK = {WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, SESSION};
const Message UNLOCK = {WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, SESSION};
const Message DISCONNECT = {WM_WTSSESSION_CHANGE, WTS_REMOTE_DISCONNECT, SESSION};
const Message CONNECT = {WM_WTSSESSION_CHANGE, WTS_REMOTE_CONNECT, SESSION};
const Message ANOTHER_LOCKED = {WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, SESSION + 1};
const Message RESUME = {WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0};
const Message IN_FRONT = {WM_SHOW_DIALOG, 0, 0};
const Message DISPLAY_OFF = {WM_POWERBROADCAST, 0x8013 /* PBT_POWERSETTINGCHANGE */, 0};
// From here on another session has the console's screen, as the registry of
// Windows 8 and later tells it: made under Wine only, which has no such value.
const Message SHOWN_ELSEWHERE = {WM_NULL, 0, SESSION + 1};

const char TERMINAL_SERVER_KEY[] = "SYSTEM\\CurrentControlSet\\Control\\Terminal Server";

void Deliver(HWND hDlg, const Message& m, const Process& program)
{
    struct { GUID setting; DWORD length, state; } notice = {CONSOLE_DISPLAY_STATE, sizeof(DWORD), 0};
    if (m.message == WM_NULL) {
        SHSetValueA(HKEY_LOCAL_MACHINE, TERMINAL_SERVER_KEY, "GlassSessionId", REG_DWORD, &m.lParam, sizeof(DWORD));
    } else if (m.message == WM_POWERBROADCAST && m.wParam == DISPLAY_OFF.wParam) {
        void* remote = VirtualAllocEx(program.Handle(), nullptr, sizeof notice, MEM_COMMIT, PAGE_READWRITE);
        WriteProcessMemory(program.Handle(), remote, &notice, sizeof notice, nullptr);
        Send(hDlg, m.message, m.wParam, (LPARAM)remote);
    } else if (m.message == WM_ENDSESSION) {
        PostMessageA(hDlg, m.message, m.wParam, m.lParam);
        PumpFor(2 * WATCH_PERIOD_MS);   // to be handled, and a tick on its way to be done
    } else {
        Send(hDlg, m.message, m.wParam, m.lParam);
    }
}

TEST_F(Session, EachChangeLeavesTheWatchAsItShouldBe)
{
    const Row rows[] = {
        {"a shutdown that the user cancels", {{WM_QUERYENDSESSION, 0, 0}, {WM_ENDSESSION, FALSE, 0}}, WATCHES},
        {"a shutdown that goes on", {{WM_ENDSESSION, TRUE, 0}}, RESTS},
        {"the Restart Manager closing it", {{WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP}}, ENDS},
        {"a cancelled close by the Restart Manager", {{WM_ENDSESSION, FALSE, ENDSESSION_CLOSEAPP}}, WATCHES},
        {"the session locked", {LOCK}, RESTS},
        {"another session locked", {ANOTHER_LOCKED}, WATCHES},
        {"the session unlocked", {LOCK, UNLOCK}, COMES_BACK},
        {"the session disconnected", {DISCONNECT}, RESTS},
        {"the session connected again", {DISCONNECT, CONNECT}, COMES_BACK},
        {"connected again to the lock screen", {LOCK, DISCONNECT, CONNECT}, RESTS},
        {"a resume", {RESUME}, COMES_BACK},
        {"a resume to the lock screen", {LOCK, RESUME}, RESTS},
        {"an unlock while the dialog is in front", {IN_FRONT, LOCK, UNLOCK}, RESTS},
        {"a resume while the dialog is in front", {IN_FRONT, RESUME}, RESTS},
        {"the display off, then shown elsewhere: the next notice", {DISPLAY_OFF, SHOWN_ELSEWHERE, ANOTHER_LOCKED},
         COMES_BACK},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        bool elsewhere = std::any_of(row.messages.begin(), row.messages.end(),
                                     [](const Message& m) { return m.message == SHOWN_ELSEWHERE.message; });
        if (elsewhere && !RunningOnWine())
            continue;
        Desktop desktop("--taskbar");
        Vireola program;
        ASSERT_TRUE(WaitFor([&] { return DialogReady() && desktop.LabelsAre(BLACK); }));
        ASSERT_EQ(1u, desktop.TrayRequests(1).size());
        HWND hDlg = FindSettingsDialog();
        for (size_t i = 0; i < row.messages.size(); ++i) {
            // the shell redraws while nobody looks
            if (row.outcome == COMES_BACK && i + 1 == row.messages.size())
                desktop.Reset();
            desktop.NewMessages();
            Deliver(hDlg, row.messages[i], program);
        }
        switch (row.outcome) {
        case WATCHES:
            desktop.Reset();
            EXPECT_TRUE(WaitFor([&] { return desktop.LabelsAre(BLACK); }, 1000));
            break;
        case RESTS:
            desktop.Reset();
            desktop.NewMessages();
            EXPECT_EQ(0, desktop.ChecksOver(5 * WATCH_PERIOD_MS));
            EXPECT_FALSE(desktop.LabelsAre(BLACK));
            EXPECT_TRUE(program.Running());
            break;
        case COMES_BACK:
            EXPECT_GT(desktop.ChecksOver(BURST_MS), TwicePeriodChecks(BURST_MS)) << "no burst";
            EXPECT_TRUE(desktop.LabelsAre(BLACK));
            break;
        case ENDS:
            EXPECT_EQ(0u, program.Wait());
            std::vector<std::string> tray = desktop.TrayRequests(2);
            EXPECT_TRUE(tray.size() == 2 && tray[1].rfind("TRAY 2 ", 0) == 0) << "the icon stays";
            break;
        }
        if (elsewhere)
            SHDeleteValueA(HKEY_LOCAL_MACHINE, TERMINAL_SERVER_KEY, "GlassSessionId");
    }
}

} // namespace
