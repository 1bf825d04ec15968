// When nobody can see the desktop, and when it can be seen again.
#include "watch/WatchPause.h"
#include <gtest/gtest.h>
#include <wtsapi32.h>
#include <vector>

namespace {

const WPARAM POWER_SETTING_CHANGE = 0x8013;

// A GUID_CONSOLE_DISPLAY_STATE notification as Windows sends it (or a broken one).
struct DisplayNotice
{
    GUID setting;
    DWORD length;
    DWORD state;
};

enum Kind { SESSION, DISPLAY, WINDOWS7_DISPLAY, RESUME, OTHER_SETTING, SHORT_SETTING, REMOTE_DISPLAY, OTHER_SESSION };

const DWORD THIS_SESSION = 1;
const SessionFacts AT_THE_CONSOLE = {THIS_SESSION, THIS_SESSION};
const SessionFacts REMOTE = {THIS_SESSION, 2};

struct Event
{
    Kind kind;
    DWORD value;                // the session event, or the display state
    SightChange expected;
};

SightChange Deliver(WatchPause& pause, const Event& e)
{
    DisplayNotice notice = {CONSOLE_DISPLAY_STATE, sizeof(DWORD), e.value};
    switch (e.kind) {
    case SESSION: return OnSessionChange(pause, e.value, THIS_SESSION, AT_THE_CONSOLE);
    case OTHER_SESSION: return OnSessionChange(pause, e.value, THIS_SESSION + 1, AT_THE_CONSOLE);
    case RESUME: return OnPowerBroadcast(pause, PBT_APMRESUMEAUTOMATIC, 0, AT_THE_CONSOLE);
    case WINDOWS7_DISPLAY: notice.setting = MONITOR_POWER_ON; break;
    case OTHER_SETTING: notice.setting.Data1 ^= 1; break;
    case SHORT_SETTING: notice.length = 1; break;
    default: break;
    }
    return OnPowerBroadcast(pause, POWER_SETTING_CHANGE, (LPARAM)&notice,
                            e.kind == REMOTE_DISPLAY ? REMOTE : AT_THE_CONSOLE);
}

struct Case
{
    const char* what;
    std::vector<Event> events;
    bool pausedAfter;
};

TEST(WatchPause, FollowsTheSessionTheDisplayAndTheResume)
{
    const Case cases[] = {
        {"lock and unlock", {{SESSION, WTS_SESSION_LOCK, SIGHT_LOST}, {SESSION, WTS_SESSION_UNLOCK, SIGHT_BACK}}, false},
        {"a remote session leaves and comes back",
         {{SESSION, WTS_REMOTE_DISCONNECT, SIGHT_LOST}, {SESSION, WTS_REMOTE_CONNECT, SIGHT_BACK}}, false},
        {"another user takes the console, and the user comes back to the lock screen",
         {{SESSION, WTS_SESSION_LOCK, SIGHT_LOST}, {SESSION, WTS_CONSOLE_DISCONNECT, SIGHT_UNCHANGED},
          {SESSION, WTS_CONSOLE_CONNECT, SIGHT_UNCHANGED}, {SESSION, WTS_SESSION_UNLOCK, SIGHT_BACK}}, false},
        {"other session events", {{SESSION, WTS_SESSION_LOGON, SIGHT_UNCHANGED}, {SESSION, WTS_SESSION_UNLOCK, SIGHT_UNCHANGED}}, false},
        {"news of another session",
         {{OTHER_SESSION, WTS_SESSION_LOCK, SIGHT_UNCHANGED}, {OTHER_SESSION, WTS_CONSOLE_DISCONNECT, SIGHT_UNCHANGED},
          {SESSION, WTS_SESSION_LOCK, SIGHT_LOST}, {OTHER_SESSION, WTS_SESSION_UNLOCK, SIGHT_UNCHANGED}}, true},
        {"the display goes off, dims and comes on",
         {{DISPLAY, 0, SIGHT_LOST}, {DISPLAY, 2, SIGHT_BACK}, {DISPLAY, 1, SIGHT_UNCHANGED}}, false},
        {"the display state on registering", {{DISPLAY, 1, SIGHT_UNCHANGED}}, false},
        {"Windows 7's display, and both told at once",
         {{WINDOWS7_DISPLAY, 0, SIGHT_LOST}, {DISPLAY, 0, SIGHT_UNCHANGED}, {WINDOWS7_DISPLAY, 1, SIGHT_BACK},
          {DISPLAY, 1, SIGHT_UNCHANGED}}, false},
        {"locked with the display off: both must end",
         {{SESSION, WTS_SESSION_LOCK, SIGHT_LOST}, {DISPLAY, 0, SIGHT_UNCHANGED}, {DISPLAY, 1, SIGHT_UNCHANGED},
          {SESSION, WTS_SESSION_UNLOCK, SIGHT_BACK}}, false},
        {"a resume always checks, and brings the display back",
         {{RESUME, 0, SIGHT_BACK}, {DISPLAY, 0, SIGHT_LOST}, {RESUME, 0, SIGHT_BACK}}, false},
        {"a resume to the lock screen", {{SESSION, WTS_SESSION_LOCK, SIGHT_LOST}, {RESUME, 0, SIGHT_UNCHANGED}}, true},
        {"other power settings, and short data, are not the display's",
         {{OTHER_SETTING, 0, SIGHT_UNCHANGED}, {SHORT_SETTING, 0, SIGHT_UNCHANGED}}, false},
        {"a remote session does not go by the console's display", {{REMOTE_DISPLAY, 0, SIGHT_UNCHANGED}}, false},
        {"the console display went off, and the session is taken over remotely",
         {{DISPLAY, 0, SIGHT_LOST}, {SESSION, WTS_CONSOLE_DISCONNECT, SIGHT_UNCHANGED},
          {SESSION, WTS_REMOTE_CONNECT, SIGHT_BACK}},
         false},
        {"back at the console, whose display came on while the session was away",
         {{DISPLAY, 0, SIGHT_LOST}, {SESSION, WTS_CONSOLE_DISCONNECT, SIGHT_UNCHANGED},
          {SESSION, WTS_CONSOLE_CONNECT, SIGHT_BACK}},
         false},
        {"the console taken over remotely", {{SESSION, WTS_CONSOLE_DISCONNECT, SIGHT_LOST}}, true},
        {"the display went off, and the session is shown remotely without a connect heard",
         {{DISPLAY, 0, SIGHT_LOST}, {REMOTE_DISPLAY, 0, SIGHT_BACK}}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WatchPause pause;
        for (size_t i = 0; i < c.events.size(); ++i)
            EXPECT_EQ(c.events[i].expected, Deliver(pause, c.events[i])) << "event " << i;
        EXPECT_EQ(c.pausedAfter, IsPaused(pause));
    }
}

// Whether the session is the console's is told by the session ids, and by
// the registry's GlassSessionId where Windows has it (from Windows 8 on):
// SM_REMOTESESSION reads 0 in a Remote Desktop session with RemoteFX, and is
// not asked.
TEST(WatchPause, GoesByTheConsolesDisplayOnlyInTheConsolesSession)
{
    struct Row
    {
        const char* what;
        SessionFacts facts;
        bool restsWhileTheConsoleDisplayIsOff;
    };
    const Row rows[] = {
        {"at the console, Windows 7", {1, 1}, true},
        {"at the console, Windows 8 and later", {1, 1, true, 1}, true},
        {"remote", {2, 1, true, 1}, false},
        {"remote, with RemoteFX, whose session the console's id may name", {1, 1, true, 3}, false},
        {"disconnected, another user at the console", {1, 4}, false},
        {"nobody at the console, between two users", {1, 0xFFFFFFFF}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        WatchPause pause;
        DisplayNotice off = {CONSOLE_DISPLAY_STATE, sizeof(DWORD), 0};
        EXPECT_EQ(row.restsWhileTheConsoleDisplayIsOff ? SIGHT_LOST : SIGHT_UNCHANGED,
                  OnPowerBroadcast(pause, POWER_SETTING_CHANGE, (LPARAM)&off, row.facts));
        EXPECT_EQ(row.restsWhileTheConsoleDisplayIsOff, IsPaused(pause));
    }
}

} // namespace
