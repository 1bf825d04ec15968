#include "RunningCopy.h"

// A copy of this version shows its dialog as soon as it hears of it; one of
// an earlier version never does.
enum { SHOW_WAIT_MS = 1000, POLL_MS = 20 };

// Reads the window's style, which asks nothing of the thread that owns it.
static bool BecomesVisible(HWND hWnd, DWORD ms)
{
    for (DWORD start = GetTickCount(); !IsWindowVisible(hWnd); Sleep(POLL_MS))
        if (GetTickCount() - start >= ms)
            return false;
    return true;
}

void HandOver(HWND hRunning, CStartLock& lock)
{
    lock.Release();
    DWORD pid = 0;
    GetWindowThreadProcessId(hRunning, &pid);
    AllowSetForegroundWindow(pid);
    PostMessageA(hRunning, WM_SHOW_DIALOG, 0, 0);
    if (BecomesVisible(hRunning, SHOW_WAIT_MS))
        return;
    // ShowWindow would wait on a copy that does not answer; this is posted
    ShowWindowAsync(hRunning, SW_SHOWNORMAL);
    if (BecomesVisible(hRunning, SHOW_WAIT_MS))
        SetForegroundWindow(hRunning);
}
