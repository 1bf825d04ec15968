// The re-apply watch: while it runs, it looks at the desktop's label colours
// once a period and puts the wanted colour back when the shell has reset
// them. Where the shell is known to reset them (a system-wide broadcast, a
// refill of its view, the desktop seen again) it checks at once and then
// fast for a while; while nobody can see the desktop it rests.
#pragma once
#include "ReapplyBurst.h"
#include "RetryTimer.h"
#include "ViewEvents.h"
#include "WatchPause.h"
#include "../color/ColorTable.h"
#include "../shell/DesktopView.h"
#include "../res/Messages.h"

enum {
    WATCH_PERIOD_MS = 100,
    // a tick a little late costs nothing, and lets Windows wake the processor
    // for several timers at once
    WATCH_TOLERANCE_MS = 20,
};

class CWatch
{
public:
    CWatch() : m_Retry(SESSION_RETRY_TIMER_ID) {}
    // The window that the watch's timers and messages go to. From then on it
    // hears of the session and the console display.
    void Attach(HWND hWnd);
    // Stops, and hears of them no more.
    void Detach();

    void Start();
    void Stop();

    // Its own timer, WATCH_TIMER_ID, has come: the check is the tick's turn.
    void OnTimer(COLORREF wanted, ShellTurn& turn);
    void OnCheckNow(COLORREF wanted);
    // The shell resets the labels as it handles a system-wide change, and
    // sets them as it ends a refill of its view.
    void OnSystemChange(DWORD burstMs);
    void OnSessionChange(WPARAM event, LPARAM lParam);
    void OnPowerBroadcast(WPARAM event, LPARAM lParam);
    // A contrast theme may have come on or gone off, or its colours come:
    // while it is on, the labels get the shell's own look and the watch
    // rests.
    void OnContrastTheme();
    // The retry timer has come.
    void OnRetry();

private:
    bool TryRegister();
    void SetPeriod();
    void Check(COLORREF wanted, ShellTurn& turn);
    void OnSightChange(SightChange change);

    HWND m_hWnd = nullptr;
    bool m_bRunning = false;
    ReapplyBurst m_Burst;
    WatchPause m_Pause;
    bool m_bSessionHeard = false;      // registered for the session's changes
    HANDLE m_hDisplayNotify[2] = {};   // the display's state, as Windows 8 and Windows 7 tell it
    CRetryTimer m_Retry;               // while the session's news cannot be had
};
