#include "Watch.h"
#include "../shell/DesktopView.h"
#include "../framework/NewerWindows.h"
#include "ViewEvents.h"
#include <wtsapi32.h>

// Lock, unlock, the display and the resume come as messages.
void CWatch::Attach(HWND hWnd)
{
    m_hWnd = hWnd;
    m_Pause.contrastTheme = HighContrastOn();
    const GUID* settings[2] = {&CONSOLE_DISPLAY_STATE, &MONITOR_POWER_ON};
    for (int i = 0; i < 2; ++i)
        m_hDisplayNotify[i] = Newer::RegisterPowerSettingNotification(m_hWnd, settings[i], DEVICE_NOTIFY_WINDOW_HANDLE);
    m_Retry.Begin(m_hWnd, TryRegister());
}

// Terminal Services refuses the registration until it is ready, which at
// logon may be after the program has started.
bool CWatch::TryRegister()
{
    m_bSessionHeard = Newer::WTSRegisterSessionNotification(m_hWnd, NOTIFY_FOR_THIS_SESSION) != FALSE;
    return m_bSessionHeard;
}

void CWatch::OnRetry()
{
    if (m_Retry.Due())
        m_Retry.Tried(TryRegister());
}

void CWatch::Detach()
{
    Stop();
    if (m_bSessionHeard)
        Newer::WTSUnRegisterSessionNotification(m_hWnd);
    m_bSessionHeard = false;
    m_Retry.Cancel();
    for (HANDLE& hNotify : m_hDisplayNotify) {
        Newer::UnregisterPowerSettingNotification(hNotify);
        hNotify = nullptr;
    }
}

void CWatch::Start()
{
    m_bRunning = true;
    EndBurst(m_Burst);
    SetPeriod();
    if (!IsPaused(m_Pause))
        ListenToView(FindDesktopListView(), m_hWnd);
}

// The watch's own period, while anybody can see the desktop.
void CWatch::SetPeriod()
{
    if (IsPaused(m_Pause))
        KillTimer(m_hWnd, WATCH_TIMER_ID);
    else
        Newer::SetCoalescableTimer(m_hWnd, WATCH_TIMER_ID, WATCH_PERIOD_MS, nullptr, WATCH_TOLERANCE_MS);
}

void CWatch::Stop()
{
    m_bRunning = false;
    EndBurst(m_Burst);
    KillTimer(m_hWnd, WATCH_TIMER_ID);
    StopListeningToView();
}

// A check finds the view, which may be another since the last: a restarted
// shell makes a new one, and its refills are listened to then.
void CWatch::Check(COLORREF wanted, ShellTurn& turn)
{
    HWND hView = ReapplyIfReset(wanted, turn);
    if (m_bRunning && !IsPaused(m_Pause))
        ListenToView(hView, m_hWnd);
}

void CWatch::OnTimer(COLORREF wanted, ShellTurn& turn)
{
    // a fast tick past its burst or its budget gives the watch its period back
    if (m_Burst.active && !TakeBurstCheck(m_Burst, GetTickCount()))
        SetPeriod();
    Check(wanted, turn);
}

// While the watch runs, it checks at once and then at the fast rate for a while.
void CWatch::OnSystemChange(DWORD burstMs)
{
    DWORD now = GetTickCount();
    if (!m_bRunning || IsPaused(m_Pause) || !StartBurst(m_Burst, now, burstMs))
        return;
    // a budget spent by a flood of broadcasts leaves the watch at its period
    if (!TakeBurstCheck(m_Burst, now))
        return;
    SetTimer(m_hWnd, WATCH_TIMER_ID, BURST_PERIOD_MS, nullptr);
    // once the broadcast's sender, which waits on every window, is let go
    PostMessageA(m_hWnd, WM_CHECK_NOW, 0, 0);
}

void CWatch::OnCheckNow(COLORREF wanted)
{
    ShellTurn turn(ShellTurn::WATCH);
    if (m_bRunning && !IsPaused(m_Pause))
        Check(wanted, turn);
}

// Whether this session is the console's is asked at each message: a session
// moves between the console and a remote screen while the program runs.
void CWatch::OnSessionChange(WPARAM event, LPARAM lParam)
{
    OnSightChange(::OnSessionChange(m_Pause, event, (DWORD)lParam, CurrentSessionFacts()));
}

void CWatch::OnPowerBroadcast(WPARAM event, LPARAM lParam)
{
    OnSightChange(::OnPowerBroadcast(m_Pause, event, lParam, CurrentSessionFacts()));
}

// While the theme is on, each notice puts the shell's own look back, since
// the theme's colours may come after it. As the theme goes off, the running
// watch puts the colour back as it does after a lock; while the dialog is in
// front, nothing the user has not applied reaches the desktop.
void CWatch::OnContrastTheme()
{
    bool on = HighContrastOn();
    if (on)
        RestoreDesktopColors();
    if (on != m_Pause.contrastTheme)
        OnSightChange(::OnContrastTheme(m_Pause, on));
}

void CWatch::OnSightChange(SightChange change)
{
    if (change == SIGHT_LOST) {
        EndBurst(m_Burst);
        KillTimer(m_hWnd, WATCH_TIMER_ID);
        StopListeningToView();
    } else if (change == SIGHT_BACK && m_bRunning) {
        SetPeriod();
        OnSystemChange(BURST_MS);
    }
}
