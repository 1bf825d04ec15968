// Nobody looks at a locked screen: while the session is locked or away
// (disconnected, or switched to another user) or the console display is off,
// the re-apply watch makes no checks. When the desktop can be seen again, the
// shell may have redrawn it meanwhile, so the watch checks at once and then
// fast for a while, as after a broadcast. While a contrast theme is on, the
// watch steps aside altogether: the shell's own look is what its user needs.
#pragma once
#include <windows.h>

struct WatchPause
{
    bool locked = false;
    bool away = false;
    bool displayOff = false;
    bool contrastTheme = false;
};

enum SightChange {
    SIGHT_UNCHANGED,
    SIGHT_LOST,      // stop checking
    SIGHT_BACK,      // check at once, and fast for a while
};

// The power settings whose changes tell when the console display goes off
// and comes on again: GUID_CONSOLE_DISPLAY_STATE from Windows 8, and
// GUID_MONITOR_POWER_ON, which Windows 7 has instead (both: 0 off, 1 on).
extern const GUID CONSOLE_DISPLAY_STATE;
extern const GUID MONITOR_POWER_ON;

// The session this process runs in, and the one that has the console's
// screen (none while nobody is at it). A session shown elsewhere, through
// Remote Desktop, does not go by the console's display, even where it reads
// as local (RemoteFX, from Windows 8 on, does so for SM_REMOTESESSION).
// Windows 8 and later also name the console's session in the registry
// (GlassSessionId), which Windows 7 and Wine lack.
struct SessionFacts
{
    DWORD thisSession;
    DWORD consoleSession;       // WTSGetActiveConsoleSessionId
    bool glassKnown = false;
    DWORD glassSession = 0;     // GlassSessionId, where glassKnown
};
SessionFacts CurrentSessionFacts();
// Only where every source that this Windows has says so: a RemoteFX session
// is never held by the console's display.
bool OnTheConsole(const SessionFacts& facts);

bool IsPaused(const WatchPause& pause);

// Whether a high-contrast theme is on now.
bool HighContrastOn();
// The theme has come on or gone off.
SightChange OnContrastTheme(WatchPause& pause, bool on);

// A display-off heard at the console holds no longer once the session has
// left it: any session or display notice that finds it elsewhere ends it,
// whether or not a connect was heard on the way.

// WM_WTSSESSION_CHANGE: lock, unlock, disconnect and connect of this
// session; news of another session changes nothing else.
SightChange OnSessionChange(WatchPause& pause, WPARAM event, DWORD session, const SessionFacts& facts);

// WM_POWERBROADCAST: the console display's state (off, on or dimmed), which a
// session on another screen than the console's does not go by; and the
// resume from sleep.
SightChange OnPowerBroadcast(WatchPause& pause, WPARAM event, LPARAM lParam, const SessionFacts& facts);
