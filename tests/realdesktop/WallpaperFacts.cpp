#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0602
#include "WallpaperFacts.h"
#include "wallpaper/ShellCopies.h"
#include <shlwapi.h>
#include <shobjidl.h>
#include <stdio.h>

namespace {

// A wide path as this console's code page prints it.
const char* Narrow(const WCHAR* path)
{
    static char text[2 * MAX_PATH];
    if (!WideCharToMultiByte(CP_ACP, 0, path, -1, text, sizeof text, nullptr, nullptr))
        text[0] = 0;
    return text;
}

void PrintClassAnswers()
{
    IDesktopWallpaper* pWallpaper = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_DesktopWallpaper, nullptr, CLSCTX_ALL, __uuidof(IDesktopWallpaper),
                                  (void**)&pWallpaper);
    printf("per-monitor wallpaper class: 0x%08lX\n", (unsigned long)hr);
    if (FAILED(hr))
        return;
    UINT count = 0;
    DESKTOP_WALLPAPER_POSITION position = DWPOS_FILL;
    hr = pWallpaper->GetPosition(&position);
    printf("  position %d (0x%08lX)\n", (int)position, (unsigned long)hr);
    hr = pWallpaper->GetMonitorDevicePathCount(&count);
    printf("  monitors %u (0x%08lX)\n", count, (unsigned long)hr);
    for (UINT i = 0; i < count; ++i) {
        LPWSTR id = nullptr, path = nullptr;
        RECT rect = {};
        HRESULT hrId = pWallpaper->GetMonitorDevicePathAt(i, &id);
        HRESULT hrRect = id ? pWallpaper->GetMonitorRECT(id, &rect) : E_POINTER;
        HRESULT hrPath = id ? pWallpaper->GetWallpaper(id, &path) : E_POINTER;
        printf("  monitor %u: id 0x%08lX; rectangle (%ld, %ld)-(%ld, %ld) 0x%08lX; picture \"%s\" 0x%08lX\n", i,
               (unsigned long)hrId, rect.left, rect.top, rect.right, rect.bottom, (unsigned long)hrRect,
               path ? Narrow(path) : "", (unsigned long)hrPath);
        CoTaskMemFree(path);
        CoTaskMemFree(id);
    }
    pWallpaper->Release();
}

// Why the first file was chosen, told from the records as the reading tells it.
const char* Reason(const MonitorWallpaper& m, const CopyRecords& records, const WCHAR* themes)
{
    bool copy = m.path[0] && !StrCmpNIW(m.path, themes, lstrlenW(themes));
    if (!m.path[0])
        return "no picture: the desktop colour";
    if (copy) {
        for (int r = 0; r < records.count; ++r)
            if (SamePicture(records.records[r].source, m.fallback))
                return "the shell's copy, its record names the picture";
        return "the shell's copy, of which it keeps no record";
    }
    if (IsPlaceholder(m.path))
        return "a placeholder: never read";
    return m.fallback[0] ? "the picture, its copy (unrecorded) after it" : "the picture: no copy made from it";
}

} // namespace

void PrintWallpaperFacts()
{
    PrintClassAnswers();
    CopyRecords records = {};
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, DESKTOP_KEY, 0, KEY_QUERY_VALUE, &hKey) == ERROR_SUCCESS) {
        ReadCopyRecords(hKey, records);
        RegCloseKey(hKey);
    }
    for (int r = 0; r < records.count; ++r)
        printf("record %d (-1: TranscodedWallpaper): \"%s\"\n", records.records[r].number,
               Narrow(records.records[r].source));
    WCHAR themes[MAX_PATH] = L"";
    ThemesFolder(themes);
    WallpaperScene scene;
    ReadWallpaperScene(scene);
    for (int i = 0; i < scene.monitorCount; ++i) {
        const MonitorWallpaper& m = scene.monitors[i];
        printf("monitor %d (%ld, %ld)-(%ld, %ld): reads \"%s\"", i, m.monitor.left, m.monitor.top, m.monitor.right,
               m.monitor.bottom, Narrow(m.path));
        printf(", then \"%s\": %s\n", Narrow(m.fallback), Reason(m, records, themes));
    }
    printf("watched: \"%s\"\n", Narrow(scene.watched));
    fflush(stdout);
}
