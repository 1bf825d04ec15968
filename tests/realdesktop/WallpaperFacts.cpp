#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0602
#include "WallpaperFacts.h"
#include "framework/NewerWindows.h"
#include "wallpaper/RegistryValues.h"
#include "wallpaper/ShellCopies.h"
#include "wallpaper/WallpaperWatch.h"
#include <shlwapi.h>
#include <shobjidl.h>
#include <stdio.h>

static void PrintClassAnswers()
{
    IDesktopWallpaper* p = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_DesktopWallpaper, nullptr, CLSCTX_ALL, __uuidof(IDesktopWallpaper), (void**)&p);
    printf("per-monitor wallpaper class: 0x%08lX\n", (unsigned long)hr);
    UINT count = 0;
    DESKTOP_WALLPAPER_POSITION position = DWPOS_FILL;
    if (FAILED(hr))
        return;
    printf("  position %d (0x%08lX)", (int)position, (unsigned long)p->GetPosition(&position));
    printf(", monitors (0x%08lX)\n", (unsigned long)p->GetMonitorDevicePathCount(&count));
    for (UINT i = 0; i < count; ++i) {
        LPWSTR id = nullptr, path = nullptr;
        RECT rect = {};
        HRESULT hrId = p->GetMonitorDevicePathAt(i, &id), hrRect = p->GetMonitorRECT(id, &rect);
        HRESULT hrPath = p->GetWallpaper(id, &path);
        printf("  monitor %u: id 0x%08lX, (%ld, %ld)-(%ld, %ld) 0x%08lX, picture \"%ls\" 0x%08lX\n", i, (unsigned long)hrId,
               rect.left, rect.top, rect.right, rect.bottom, (unsigned long)hrRect, path ? path : L"", (unsigned long)hrPath);
        CoTaskMemFree(path);
        CoTaskMemFree(id);
    }
    p->Release();
}

void PrintWallpaperFacts()
{
    PrintClassAnswers();
    CopyRecords records = {};
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, DESKTOP_KEY, 0, KEY_QUERY_VALUE, &hKey) == ERROR_SUCCESS) {
        DesktopValuesStamp(hKey, &records);
        RegistryValue value;
        ValueRead read;
        for (DWORD i = 0; (read = ValueAt(hKey, i, value)) != VALUE_END; ++i)
            if (read == VALUE_READ && !StrCmpNIW(value.name, L"TranscodedImageCache", 20))
                printf("value %ls: type %lu, %lu bytes\n", value.name, (unsigned long)value.type, (unsigned long)value.size);
        RegCloseKey(hKey);
    }
    for (int r = 0; r < records.count; ++r)
        printf("record %d (-1: TranscodedWallpaper): \"%ls\"\n", records.records[r].number, records.records[r].source);
    WCHAR themes[MAX_PATH] = L"";
    ThemesFolder(themes);
    WallpaperScene scene;
    ReadWallpaperScene(scene);
    for (int i = 0; i < scene.monitorCount; ++i) {
        const MonitorWallpaper& m = scene.monitors[i];
        // why, as the reading decides it
        bool copy = m.path[0] && !StrCmpNIW(m.path, themes, lstrlenW(themes)), proven = false;
        for (int r = 0; copy && r < records.count; ++r)
            proven = proven || SamePicture(records.records[r].source, m.fallback);
        const char* why = !m.path[0] ? "no picture: the desktop colour"
                          : copy     ? (proven ? "the shell's copy, its record names the picture"
                                               : "the shell's copy, of which it keeps no record")
                          : IsPlaceholder(GetFileAttributesW(m.path)) ? "a placeholder: never read"
                                                  : "the picture itself";
        printf("monitor %d (%ld, %ld)-(%ld, %ld): reads \"%ls\", then \"%ls\": %s\n", i, m.monitor.left,
               m.monitor.top, m.monitor.right, m.monitor.bottom, m.path, m.fallback, why);
    }
    printf("watched: \"%ls\"\n", scene.watched);
    fflush(stdout);
}

void PrintEvaluationFacts()
{
    Worker worker = {};
    if (!StartEvaluation(worker, nullptr, FindDesktopListView(), 0, {0, 0}, nullptr))
        return;
    DWORD start = GetTickCount(), calls = 0;
    HRESULT cancelled = S_FALSE;
    while (!Ended(worker) && GetTickCount() - start < 30000) {
        LONG since = worker.e->calls.since;
        calls = since ? GetTickCount() - since : calls;
        if (since && calls >= WALLPAPER_CALL_BOUND_MS && !worker.e->calls.givenUp) {
            InterlockedExchange(&worker.e->calls.givenUp, 1);
            cancelled = Newer::CoCancelCall(worker.threadId, 0);
        }
        Sleep(50);
    }
    printf("one evaluation: %lu ms, its calls into the shell %lu ms; %s (cancel: 0x%08lX); %s\n",
           (unsigned long)(GetTickCount() - start), (unsigned long)calls,
           worker.e->calls.givenUp ? "given up" : "not given up", (unsigned long)cancelled,
           Ended(worker) ? (worker.e->result.judged ? "judged" : "not judged") : "still running");
    LetGo(worker, 0);
}
