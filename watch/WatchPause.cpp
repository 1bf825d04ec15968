#include "WatchPause.h"
#include "../framework/NewerWindows.h"

namespace {

// Values of a Windows newer than the one this program is built for.
const WPARAM POWER_SETTING_CHANGE = 0x8013;     // PBT_POWERSETTINGCHANGE
const DWORD DISPLAY_OFF = 0;                    // 1 is on, 2 dimmed: still seen

// The POWERBROADCAST_SETTING that comes with PBT_POWERSETTINGCHANGE.
struct PowerSetting
{
    GUID setting;
    DWORD length;
    BYTE data[1];
};

SightChange Compare(bool pausedBefore, const WatchPause& pause)
{
    if (!pausedBefore && IsPaused(pause))
        return SIGHT_LOST;
    if (pausedBefore && !IsPaused(pause))
        return SIGHT_BACK;
    return SIGHT_UNCHANGED;
}

// Where a value of Windows 8 and later names the console's session.
const char TERMINAL_SERVER_KEY[] = "SYSTEM\\CurrentControlSet\\Control\\Terminal Server";
const char GLASS_SESSION_ID[] = "GlassSessionId";

// The console's display is not the screen of a session that has left it.
void ForgetTheDisplayAway(WatchPause& pause, const SessionFacts& facts)
{
    if (!OnTheConsole(facts))
        pause.displayOff = false;
}

} // namespace

const GUID CONSOLE_DISPLAY_STATE = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
const GUID MONITOR_POWER_ON = {0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};

SessionFacts CurrentSessionFacts()
{
    SessionFacts facts = {0, Newer::WTSGetActiveConsoleSessionId()};
    ProcessIdToSessionId(GetCurrentProcessId(), &facts.thisSession);
    // read at each notice: the value follows the console from session to session
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, TERMINAL_SERVER_KEY, 0, KEY_QUERY_VALUE, &hKey) == ERROR_SUCCESS) {
        DWORD type, size = sizeof facts.glassSession;
        facts.glassKnown = RegQueryValueExA(hKey, GLASS_SESSION_ID, nullptr, &type, (BYTE*)&facts.glassSession, &size)
                               == ERROR_SUCCESS
                           && type == REG_DWORD && size == sizeof facts.glassSession;
        RegCloseKey(hKey);
    }
    return facts;
}

bool OnTheConsole(const SessionFacts& facts)
{
    return facts.thisSession == facts.consoleSession && (!facts.glassKnown || facts.thisSession == facts.glassSession);
}

bool IsPaused(const WatchPause& pause)
{
    return pause.locked || pause.away || pause.displayOff || pause.contrastTheme;
}

// Asked through the run-time look-ups, which can stand a theme in where the
// system has none.
bool HighContrastOn()
{
    HIGHCONTRASTW contrast = {sizeof contrast, 0, nullptr};
    return Newer::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0)
           && (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

SightChange OnContrastTheme(WatchPause& pause, bool on)
{
    bool before = IsPaused(pause);
    pause.contrastTheme = on;
    return Compare(before, pause);
}

SightChange OnSessionChange(WatchPause& pause, WPARAM event, DWORD session, const SessionFacts& facts)
{
    bool before = IsPaused(pause);
    ForgetTheDisplayAway(pause, facts);
    if (session != facts.thisSession)
        return Compare(before, pause);
    switch (event) {
    case WTS_SESSION_LOCK: pause.locked = true; break;
    case WTS_SESSION_UNLOCK: pause.locked = false; break;
    case WTS_CONSOLE_DISCONNECT:
    case WTS_REMOTE_DISCONNECT: pause.away = true; break;
    case WTS_CONSOLE_CONNECT:
    case WTS_REMOTE_CONNECT:
        // A session that comes to a screen is seen there. The console's
        // display may have gone off before it left, and come on again while
        // it was away or remote (unheeded then): the display state last
        // heard no longer holds, or the watch would rest for good.
        pause.away = false;
        pause.displayOff = false;
        break;
    }
    return Compare(before, pause);
}

SightChange OnPowerBroadcast(WatchPause& pause, WPARAM event, LPARAM lParam, const SessionFacts& facts)
{
    bool before = IsPaused(pause);
    ForgetTheDisplayAway(pause, facts);
    if (event == PBT_APMRESUMEAUTOMATIC) {
        // The display comes on with a resume that somebody asked for; after
        // an automatic wake it may stay off, and the watch then checks for
        // nothing until the next sleep, rather than miss a display-on.
        pause.displayOff = false;
        return IsPaused(pause) ? SIGHT_UNCHANGED : SIGHT_BACK;
    }
    const PowerSetting* setting = (const PowerSetting*)lParam;
    if (event != POWER_SETTING_CHANGE || !setting || !OnTheConsole(facts) || setting->length < sizeof(DWORD)
        || !(IsEqualGUID(setting->setting, CONSOLE_DISPLAY_STATE) || IsEqualGUID(setting->setting, MONITOR_POWER_ON)))
        return Compare(before, pause);
    DWORD state;
    CopyMemory(&state, setting->data, sizeof state);
    pause.displayOff = state == DISPLAY_OFF;
    return Compare(before, pause);
}
