#include "ChangeWatch.h"
#include "WallpaperScene.h"

// Shared by the thread and its owner; whichever lets go last frees it.
struct ChangeWatch
{
    LONG refs;
    LONG folderArmed;
    HWND hWnd;
    HANDLE hStop;
    WCHAR picture[MAX_PICTURE_PATH];
    WIN32_FILE_ATTRIBUTE_DATA known;
    DWORD values;           // DesktopValuesStamp
};

static void Release(ChangeWatch* w)
{
    if (InterlockedDecrement(&w->refs) != 0)
        return;
    CloseHandle(w->hStop);
    HeapFree(GetProcessHeap(), 0, w);
}

// The picture's folder; a picture at a drive's root, the root, not the
// drive's current folder. Empty for none.
static void FolderOf(const WCHAR* picture, WCHAR (&folder)[MAX_PICTURE_PATH])
{
    lstrcpyW(folder, picture);
    WCHAR* slash = folder;
    for (WCHAR* p = folder; *p; ++p)
        if (*p == L'\\' || *p == L'/')
            slash = p;
    *(slash == folder + 2 && folder[1] == L':' ? slash + 1 : slash) = 0;
}

// Each is armed afresh after it has fired (Wine's re-arming of a folder's
// notification misses later changes), and what it guards is looked at only
// once armed, so that no change slips between; the first look is for a
// change since the picture was judged, before the watch began.
static DWORD WINAPI WatchOnWorker(void* parameter)
{
    ChangeWatch* w = (ChangeWatch*)parameter;
    WCHAR folder[MAX_PICTURE_PATH];
    FolderOf(w->picture, folder);
    HKEY hKey = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, DESKTOP_KEY, 0, KEY_NOTIFY | KEY_QUERY_VALUE, &hKey);
    HANDLE hKeyChanged = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    bool keyArmed = false, keyFired = hKey != nullptr, settling = true;
    DWORD settleStart = GetTickCount();
    for (;;) {
        if (hKey && hKeyChanged && !keyArmed)
            keyArmed = RegNotifyChangeKeyValue(hKey, FALSE, REG_NOTIFY_CHANGE_LAST_SET, hKeyChanged, TRUE)
                       == ERROR_SUCCESS;
        HANDLE hFolder = folder[0] ? FindFirstChangeNotificationW(folder, FALSE,
                                                                  FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_FILE_NAME
                                                                      | FILE_NOTIFY_CHANGE_SIZE)
                                   : INVALID_HANDLE_VALUE;
        InterlockedExchange(&w->folderArmed, hFolder != INVALID_HANDLE_VALUE || !folder[0]);
        WIN32_FILE_ATTRIBUTE_DATA stamp;
        if (!settling && hFolder != INVALID_HANDLE_VALUE) {
            ZeroMemory(&stamp, sizeof stamp);
            GetFileAttributesExW(w->picture, GetFileExInfoStandard, &stamp);
            if (!SameFileStamp(w->known, stamp)) {
                PostMessageA(w->hWnd, WM_WALLPAPER_FILE_CHANGED, 0, 0);
                w->known = stamp;
            }
        }
        DWORD values;
        if (!settling && keyFired && (values = DesktopValuesStamp(hKey)) != w->values) {
            PostMessageA(w->hWnd, WM_WALLPAPER_FILE_CHANGED, 0, 0);
            w->values = values;
        }
        keyFired = keyFired && settling;
        // the stop first; no handle twice
        HANDLE handles[3] = {w->hStop};
        DWORD count = 1, key = keyArmed ? count++ : 0;
        if (keyArmed)
            handles[key] = hKeyChanged;
        if (hFolder != INVALID_HANDLE_VALUE)
            handles[count++] = hFolder;
        DWORD wait = WaitForMultipleObjects(count, handles, FALSE, settling ? (DWORD)WALLPAPER_SETTLE_MS : INFINITE);
        if (hFolder != INVALID_HANDLE_VALUE)
            FindCloseChangeNotification(hFolder);
        if (wait > WAIT_OBJECT_0 && wait < WAIT_OBJECT_0 + count) {
            if (key && wait == WAIT_OBJECT_0 + key)
                keyFired = true, keyArmed = false;
            // a folder that is never quiet is looked at once in a while all the same
            if (!settling)
                settleStart = GetTickCount();
            settling = GetTickCount() - settleStart < WALLPAPER_SETTLE_MAX_MS;
        } else if (wait == WAIT_TIMEOUT) {
            settling = false;
        } else {
            break;
        }
    }
    if (hKey)
        RegCloseKey(hKey);
    if (hKeyChanged)
        CloseHandle(hKeyChanged);
    Release(w);
    return 0;
}

void CChangeWatch::Watch(HWND hWnd, const WCHAR* picture, const WIN32_FILE_ATTRIBUTE_DATA& stamp, DWORD values)
{
    if (m_pWatch && lstrcmpiW(picture, m_pWatch->picture) == 0 && WaitForSingleObject(m_hThread, 0) == WAIT_TIMEOUT
        && InterlockedCompareExchange(&m_pWatch->folderArmed, 1, 1))
        return;
    Stop(0);
    auto* w = (ChangeWatch*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(ChangeWatch));
    if (!w)
        return;
    w->refs = 2;
    w->folderArmed = 1;
    w->hWnd = hWnd;
    w->hStop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    lstrcpynW(w->picture, picture, MAX_PICTURE_PATH);
    w->known = stamp;
    w->values = values;
    DWORD id;
    m_hThread = w->hStop ? CreateThread(nullptr, 0, WatchOnWorker, w, 0, &id) : nullptr;
    if (!m_hThread) {
        Release(w);
        Release(w);
        return;
    }
    m_pWatch = w;
}

void CChangeWatch::Stop(DWORD waitMs)
{
    if (!m_pWatch)
        return;
    SetEvent(m_pWatch->hStop);
    if (waitMs)
        WaitForSingleObject(m_hThread, waitMs);
    CloseHandle(m_hThread);
    Release(m_pWatch);
    m_pWatch = nullptr;
    m_hThread = nullptr;
}
