#include "NewerWindows.h"

namespace {

// A system DLL by its full path: a portable copy runs from folders such as
// Downloads, where a file of the same name must never be loaded instead.
HMODULE SystemDll(const char* name)
{
    if (HMODULE hModule = GetModuleHandleA(name))
        return hModule;
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (!length || length + 1 + lstrlenA(name) >= MAX_PATH)
        return nullptr;
    lstrcatA(path, "\\");
    lstrcatA(path, name);
    return LoadLibraryA(path);
}

// The function, or null where this Windows lacks it. Each is looked up once
// (a look-up by module name costs file-system calls under Wine, and the
// watch's timer is set anew at the end of every burst).
template <typename Function>
Function Find(const char* dll, const char* name)
{
    HMODULE hModule = SystemDll(dll);
    return hModule ? (Function)(void*)GetProcAddress(hModule, name) : nullptr;
}

} // namespace

namespace Newer {

UINT_PTR SetCoalescableTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc,
                             ULONG uToleranceDelay)
{
    typedef UINT_PTR(WINAPI * Fn)(HWND, UINT_PTR, UINT, TIMERPROC, ULONG);
    static const Fn fn = Find<Fn>("user32.dll", "SetCoalescableTimer");
    if (!fn)
        return SetTimer(hWnd, nIDEvent, uElapse, lpTimerFunc);
    return fn(hWnd, nIDEvent, uElapse, lpTimerFunc, uToleranceDelay);
}

BOOL ChangeWindowMessageFilterEx(HWND hWnd, UINT message, DWORD action, void* pChangeFilterStruct)
{
    typedef BOOL(WINAPI * Fn)(HWND, UINT, DWORD, void*);
    typedef BOOL(WINAPI * ProcessFn)(UINT, DWORD);
    static const Fn fn = Find<Fn>("user32.dll", "ChangeWindowMessageFilterEx");
    static const ProcessFn processFn = Find<ProcessFn>("user32.dll", "ChangeWindowMessageFilter");
    if (fn)
        return fn(hWnd, message, action, pChangeFilterStruct);
    // MSGFLT_ADD, the process-wide filter's word for allowing a message
    return processFn && action == MSGFLT_ALLOW ? processFn(message, 1) : FALSE;
}

BOOL WTSRegisterSessionNotification(HWND hWnd, DWORD dwFlags)
{
    typedef BOOL(WINAPI * Fn)(HWND, DWORD);
    static const Fn fn = Find<Fn>("wtsapi32.dll", "WTSRegisterSessionNotification");
    return fn ? fn(hWnd, dwFlags) : FALSE;
}

BOOL WTSUnRegisterSessionNotification(HWND hWnd)
{
    typedef BOOL(WINAPI * Fn)(HWND);
    static const Fn fn = Find<Fn>("wtsapi32.dll", "WTSUnRegisterSessionNotification");
    return fn ? fn(hWnd) : FALSE;
}

HANDLE RegisterPowerSettingNotification(HANDLE hRecipient, const GUID* PowerSettingGuid, DWORD Flags)
{
    typedef HANDLE(WINAPI * Fn)(HANDLE, const GUID*, DWORD);
    static const Fn fn = Find<Fn>("user32.dll", "RegisterPowerSettingNotification");
    return fn ? fn(hRecipient, PowerSettingGuid, Flags) : nullptr;
}

BOOL UnregisterPowerSettingNotification(HANDLE Handle)
{
    typedef BOOL(WINAPI * Fn)(HANDLE);
    static const Fn fn = Find<Fn>("user32.dll", "UnregisterPowerSettingNotification");
    return fn && Handle ? fn(Handle) : FALSE;
}

UINT GetDpiForWindow(HWND hwnd)
{
    typedef UINT(WINAPI * Fn)(HWND);
    static const Fn fn = Find<Fn>("user32.dll", "GetDpiForWindow");
    if (UINT dpi = fn && hwnd ? fn(hwnd) : 0)
        return dpi;
    HDC hDC = GetDC(nullptr);
    UINT dpi = GetDeviceCaps(hDC, LOGPIXELSY);
    ReleaseDC(nullptr, hDC);
    return dpi;
}

int GetSystemMetricsForDpi(int nIndex, UINT dpi)
{
    typedef int(WINAPI * Fn)(int, UINT);
    static const Fn fn = Find<Fn>("user32.dll", "GetSystemMetricsForDpi");
    return fn ? fn(nIndex, dpi) : GetSystemMetrics(nIndex);
}

} // namespace Newer
