// Functions that the oldest Windows this program runs on lacks (and some that
// Wine lacks), looked up on their first call, so that the executable still
// loads where they are missing. Each does the next best thing there. With
// them, one whose answer Wine only makes up, one whose answers Wine cannot
// give, and two whose DLLs only the wallpaper's evaluation needs. Any thread
// may call them.
#pragma once
#include <windows.h>

namespace Newer {

// A timer that Windows may fire up to uToleranceDelay ms late, so that it
// wakes the processor together with others (Windows 8); SetTimer elsewhere.
UINT_PTR SetCoalescableTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc,
                             ULONG uToleranceDelay);

// Lets the message through the window's filter for messages from processes
// of lower integrity (Windows 7); through the process's filter on Windows
// Vista; nothing where there is no such filter.
BOOL ChangeWindowMessageFilterEx(HWND hWnd, UINT message, DWORD action, void* pChangeFilterStruct);
enum { MSGFLT_ALLOW = 1 };

// Session changes as WM_WTSSESSION_CHANGE (wtsapi32); FALSE where they
// cannot be had, and while Terminal Services is not ready yet (at logon).
BOOL WTSRegisterSessionNotification(HWND hWnd, DWORD dwFlags);
BOOL WTSUnRegisterSessionNotification(HWND hWnd);

// A power setting's changes as WM_POWERBROADCAST (Windows Vista); null
// where it cannot be had.
HANDLE RegisterPowerSettingNotification(HANDLE hRecipient, const GUID* PowerSettingGuid, DWORD Flags);
BOOL UnregisterPowerSettingNotification(HANDLE Handle);

// Started again with this command line when the Restart Manager has closed
// the program for an update (Windows Vista); E_NOTIMPL elsewhere.
HRESULT RegisterApplicationRestart(const WCHAR* pwzCommandline, DWORD dwFlags);

// The session that has the console's screen (Windows XP); under Wine always
// this process's own.
DWORD WTSGetActiveConsoleSessionId();

// The DPI of the monitor a window is on, for a per-monitor aware window
// (Windows 10 1607); the system DPI elsewhere, and for no window.
UINT GetDpiForWindow(HWND hwnd);
// A system metric at that DPI (Windows 10 1607); at the system DPI elsewhere,
// where every window has it.
int GetSystemMetricsForDpi(int nIndex, UINT dpi);

// An object's accessibility interface (oleacc, loaded on the first call
// rather than at every start); E_NOTIMPL where it cannot be had.
HRESULT AccessibleObjectFromWindow(HWND hwnd, DWORD dwId, const GUID& riid, void** ppvObject);

// A system-wide setting (every Windows); Wine has no contrast theme to report.
BOOL SystemParametersInfoW(UINT uiAction, UINT uiParam, void* pvParam, UINT fWinIni);

// Cancels the COM call that a thread is waiting on in another apartment or
// process, where the thread has enabled cancellation (Windows 2000; Wine's
// ole32 lacks it); E_NOTIMPL where it cannot be had.
HRESULT CoCancelCall(DWORD dwThreadId, ULONG ulTimeout);

// Every function looked up, by the DLL and the name it is looked up by.
enum Function {
    SET_COALESCABLE_TIMER,
    CHANGE_WINDOW_MESSAGE_FILTER_EX,
    CHANGE_WINDOW_MESSAGE_FILTER,
    WTS_REGISTER_SESSION_NOTIFICATION,
    WTS_UNREGISTER_SESSION_NOTIFICATION,
    REGISTER_POWER_SETTING_NOTIFICATION,
    UNREGISTER_POWER_SETTING_NOTIFICATION,
    REGISTER_APPLICATION_RESTART,
    GET_DPI_FOR_WINDOW,
    GET_SYSTEM_METRICS_FOR_DPI,
    WTS_GET_ACTIVE_CONSOLE_SESSION_ID,
    ACCESSIBLE_OBJECT_FROM_WINDOW,
    SYSTEM_PARAMETERS_INFO,
    CO_CANCEL_CALL,
    FUNCTION_COUNT
};
const char* DllOf(Function function);
const char* NameOf(Function function);

// Stands another function in for one of these, so that what Windows does
// and Wine does not can be tried in process: pfn is called instead (null:
// as if it were missing).
void Replace(Function function, void* pfn);

} // namespace Newer

// Sent to a per-monitor aware window when its DPI changes: the new DPI in
// wParam, the suggested window rectangle in lParam (Windows 8.1).
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
