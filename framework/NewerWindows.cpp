#include "NewerWindows.h"

namespace {

struct Entry
{
    const char* dll;
    const char* name;
};

// In the order of Newer::Function.
const Entry FUNCTIONS[Newer::FUNCTION_COUNT] = {
    {"user32.dll", "SetCoalescableTimer"},
    {"user32.dll", "ChangeWindowMessageFilterEx"},
    {"user32.dll", "ChangeWindowMessageFilter"},
    {"wtsapi32.dll", "WTSRegisterSessionNotification"},
    {"wtsapi32.dll", "WTSUnRegisterSessionNotification"},
    {"user32.dll", "RegisterPowerSettingNotification"},
    {"user32.dll", "UnregisterPowerSettingNotification"},
    {"kernel32.dll", "RegisterApplicationRestart"},
    {"user32.dll", "GetDpiForWindow"},
    {"user32.dll", "GetSystemMetricsForDpi"},
    {"kernel32.dll", "WTSGetActiveConsoleSessionId"},
    {"oleacc.dll", "AccessibleObjectFromWindow"},
    {"user32.dll", "SystemParametersInfoW"},
    {"ole32.dll", "CoCancelCall"},
};

// Each is looked up once (a look-up by module name costs file-system calls
// under Wine, and the watch's timer is set anew at the end of every burst).
// The wallpaper's worker threads look functions up too: the pointer is
// stored before the flag that says it was looked up, so that a thread that
// sees the flag sees the pointer, and two threads that race only both look
// up the same function.
void* volatile g_found[Newer::FUNCTION_COUNT];
volatile LONG g_looked[Newer::FUNCTION_COUNT];

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

// The function, or null where this Windows lacks it.
template <typename Fn>
Fn Find(Newer::Function function)
{
    if (!InterlockedCompareExchange(&g_looked[function], 0, 0)) {
        HMODULE hModule = SystemDll(FUNCTIONS[function].dll);
        InterlockedExchangePointer(&g_found[function],
                                   hModule ? (void*)GetProcAddress(hModule, FUNCTIONS[function].name) : nullptr);
        InterlockedExchange(&g_looked[function], TRUE);
    }
    return (Fn)InterlockedCompareExchangePointer(&g_found[function], nullptr, nullptr);
}

} // namespace

namespace Newer {

const char* DllOf(Function function)
{
    return FUNCTIONS[function].dll;
}

const char* NameOf(Function function)
{
    return FUNCTIONS[function].name;
}

void Replace(Function function, void* pfn)
{
    InterlockedExchangePointer(&g_found[function], pfn);
    InterlockedExchange(&g_looked[function], TRUE);
}

UINT_PTR SetCoalescableTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc,
                             ULONG uToleranceDelay)
{
    typedef UINT_PTR(WINAPI * Fn)(HWND, UINT_PTR, UINT, TIMERPROC, ULONG);
    Fn fn = Find<Fn>(SET_COALESCABLE_TIMER);
    if (!fn)
        return SetTimer(hWnd, nIDEvent, uElapse, lpTimerFunc);
    return fn(hWnd, nIDEvent, uElapse, lpTimerFunc, uToleranceDelay);
}

BOOL ChangeWindowMessageFilterEx(HWND hWnd, UINT message, DWORD action, void* pChangeFilterStruct)
{
    typedef BOOL(WINAPI * Fn)(HWND, UINT, DWORD, void*);
    typedef BOOL(WINAPI * ProcessFn)(UINT, DWORD);
    if (Fn fn = Find<Fn>(CHANGE_WINDOW_MESSAGE_FILTER_EX))
        return fn(hWnd, message, action, pChangeFilterStruct);
    // MSGFLT_ADD, the process-wide filter's word for allowing a message
    ProcessFn processFn = Find<ProcessFn>(CHANGE_WINDOW_MESSAGE_FILTER);
    return processFn && action == MSGFLT_ALLOW ? processFn(message, 1) : FALSE;
}

BOOL WTSRegisterSessionNotification(HWND hWnd, DWORD dwFlags)
{
    typedef BOOL(WINAPI * Fn)(HWND, DWORD);
    Fn fn = Find<Fn>(WTS_REGISTER_SESSION_NOTIFICATION);
    return fn ? fn(hWnd, dwFlags) : FALSE;
}

BOOL WTSUnRegisterSessionNotification(HWND hWnd)
{
    typedef BOOL(WINAPI * Fn)(HWND);
    Fn fn = Find<Fn>(WTS_UNREGISTER_SESSION_NOTIFICATION);
    return fn ? fn(hWnd) : FALSE;
}

HANDLE RegisterPowerSettingNotification(HANDLE hRecipient, const GUID* PowerSettingGuid, DWORD Flags)
{
    typedef HANDLE(WINAPI * Fn)(HANDLE, const GUID*, DWORD);
    Fn fn = Find<Fn>(REGISTER_POWER_SETTING_NOTIFICATION);
    return fn ? fn(hRecipient, PowerSettingGuid, Flags) : nullptr;
}

BOOL UnregisterPowerSettingNotification(HANDLE Handle)
{
    typedef BOOL(WINAPI * Fn)(HANDLE);
    Fn fn = Find<Fn>(UNREGISTER_POWER_SETTING_NOTIFICATION);
    return fn && Handle ? fn(Handle) : FALSE;
}

HRESULT RegisterApplicationRestart(const WCHAR* pwzCommandline, DWORD dwFlags)
{
    typedef HRESULT(WINAPI * Fn)(const WCHAR*, DWORD);
    Fn fn = Find<Fn>(REGISTER_APPLICATION_RESTART);
    return fn ? fn(pwzCommandline, dwFlags) : E_NOTIMPL;
}

DWORD WTSGetActiveConsoleSessionId()
{
    typedef DWORD(WINAPI * Fn)();
    Fn fn = Find<Fn>(WTS_GET_ACTIVE_CONSOLE_SESSION_ID);
    return fn ? fn() : 0xFFFFFFFF;
}

UINT GetDpiForWindow(HWND hwnd)
{
    typedef UINT(WINAPI * Fn)(HWND);
    Fn fn = Find<Fn>(GET_DPI_FOR_WINDOW);
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
    Fn fn = Find<Fn>(GET_SYSTEM_METRICS_FOR_DPI);
    return fn ? fn(nIndex, dpi) : GetSystemMetrics(nIndex);
}

HRESULT AccessibleObjectFromWindow(HWND hwnd, DWORD dwId, const GUID& riid, void** ppvObject)
{
    typedef HRESULT(WINAPI * Fn)(HWND, DWORD, const GUID&, void**);
    Fn fn = Find<Fn>(ACCESSIBLE_OBJECT_FROM_WINDOW);
    return fn ? fn(hwnd, dwId, riid, ppvObject) : E_NOTIMPL;
}

BOOL SystemParametersInfoW(UINT uiAction, UINT uiParam, void* pvParam, UINT fWinIni)
{
    typedef BOOL(WINAPI * Fn)(UINT, UINT, void*, UINT);
    Fn fn = Find<Fn>(SYSTEM_PARAMETERS_INFO);
    return fn ? fn(uiAction, uiParam, pvParam, fWinIni) : FALSE;
}

HRESULT CoCancelCall(DWORD dwThreadId, ULONG ulTimeout)
{
    typedef HRESULT(WINAPI * Fn)(DWORD, ULONG);
    Fn fn = Find<Fn>(CO_CANCEL_CALL);
    return fn ? fn(dwThreadId, ulTimeout) : E_NOTIMPL;
}

} // namespace Newer
