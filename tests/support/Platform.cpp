#include "Platform.h"
#include <stdio.h>

const char* WineVersion()
{
    typedef const char*(CDECL * WineGetVersion)();
    HMODULE hNtdll = GetModuleHandleA("ntdll.dll");
    WineGetVersion get = hNtdll ? (WineGetVersion)(void*)GetProcAddress(hNtdll, "wine_get_version") : nullptr;
    return get ? get() : nullptr;
}

bool RunningOnWine()
{
    return WineVersion() != nullptr;
}

const char* PlatformName()
{
    static char name[64];
    if (const char* wine = WineVersion()) {
        snprintf(name, sizeof name, "Wine %s", wine);
        return name;
    }
    // GetVersionEx answers as the manifest allows; ntdll tells the truth
    typedef LONG(WINAPI * RtlGetVersionProc)(OSVERSIONINFOW*);
    RtlGetVersionProc get = (RtlGetVersionProc)(void*)GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlGetVersion");
    OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof info;
    if (get && get(&info) == 0)
        snprintf(name, sizeof name, "Windows %lu.%lu.%lu", info.dwMajorVersion, info.dwMinorVersion,
                 info.dwBuildNumber);
    else
        snprintf(name, sizeof name, "Windows");
    return name;
}
