// What the system refuses at first is asked for again once a second, for a
// minute at most: at logon the taskbar and Terminal Services may come up
// long after the program.
#pragma once
#include <windows.h>

enum { RETRY_MS = 1000, RETRIES = 60 };

// One request's retries, on a timer of the window's own.
class CRetryTimer
{
public:
    explicit CRetryTimer(UINT_PTR nIDEvent) : m_nIDEvent(nIDEvent) {}

    // The first try has been made: a refused one is tried again on the timer.
    void Begin(HWND hWnd, bool done)
    {
        m_hWnd = hWnd;
        m_nLeft = done ? 0 : RETRIES;
        Arm();
    }
    // The timer has come: whether a try is due now.
    bool Due() const { return m_nLeft > 0; }
    void Tried(bool done)
    {
        m_nLeft = done ? 0 : m_nLeft - 1;
        Arm();
    }
    void Cancel()
    {
        m_nLeft = 0;
        Arm();
    }
    UINT_PTR Id() const { return m_nIDEvent; }

private:
    void Arm()
    {
        if (m_nLeft > 0)
            SetTimer(m_hWnd, m_nIDEvent, RETRY_MS, nullptr);
        else if (m_hWnd)
            KillTimer(m_hWnd, m_nIDEvent);
    }

    UINT_PTR m_nIDEvent;
    HWND m_hWnd = nullptr;
    int m_nLeft = 0;
};
