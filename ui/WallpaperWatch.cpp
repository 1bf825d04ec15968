#include "WallpaperWatch.h"
#include "../color/DesktopView.h"
#include "../color/WallpaperContrast.h"
#include "../settings/Settings.h"
#include "ViewEvents.h"
#include <objbase.h>
#include <new>
#include <utility>

// One evaluation, on the heap: the thread that makes it and the one that
// waits for it (or the window its result is posted to) each hold a
// reference, and whichever lets go last frees it, so that either may be gone.
struct Evaluation
{
    LONG refs;
    HWND hWnd;              // posted the result; none when waited for
    UINT generation;
    SIZE previewSize;
    WallpaperContrast result;
    HMODULE hCodecs;        // the imaging component, held loaded
};

static Evaluation* NewEvaluation(HWND hWnd, UINT generation, SIZE previewSize, LONG refs)
{
    void* memory = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Evaluation));
    if (!memory)
        return nullptr;
    Evaluation* e = new (memory) Evaluation();
    e->refs = refs;
    e->hWnd = hWnd;
    e->generation = generation;
    e->previewSize = previewSize;
    return e;
}

static void Release(Evaluation* e)
{
    if (InterlockedDecrement(&e->refs) != 0)
        return;
    if (e->hCodecs)
        FreeLibrary(e->hCodecs);
    e->~Evaluation();
    HeapFree(GetProcessHeap(), 0, e);
}

// zero for a file that is not there
static void FileStamp(const WCHAR* path, WIN32_FILE_ATTRIBUTE_DATA& stamp)
{
    ZeroMemory(&stamp, sizeof stamp);
    GetFileAttributesExW(path, GetFileExInfoStandard, &stamp);
}

static DWORD WINAPI EvaluateOnWorker(void* parameter)
{
    Evaluation* e = (Evaluation*)parameter;
    bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    EvaluateWallpaperContrast(FindDesktopListView(), e->previewSize, e->result);
    // COM unloads the imaging component as the thread leaves it, and loading
    // it again costs most of an evaluation (300 ms of 320 under Wine)
    GetModuleHandleExW(0, L"windowscodecs.dll", &e->hCodecs);
    if (com)
        CoUninitialize();
    // the window that receives it frees it; a window already gone does not
    if (!e->hWnd || !PostMessageA(e->hWnd, WM_WALLPAPER_EVALUATED, e->generation, (LPARAM)e))
        Release(e);
    return 0;
}

static HANDLE StartThread(LPTHREAD_START_ROUTINE routine, void* parameter)
{
    DWORD id;
    return CreateThread(nullptr, 0, routine, parameter, 0, &id);
}

void EvaluateBeforeStart(ColorTable& table)
{
    Evaluation* e = NewEvaluation(nullptr, 0, {0, 0}, 2);
    if (!e)
        return;
    HANDLE hThread = StartThread(EvaluateOnWorker, e);
    if (!hThread)
        Release(e);
    else if (WaitForSingleObject(hThread, WALLPAPER_START_WAIT_MS) == WAIT_OBJECT_0)
        SetWallpaperTextColor(table.entry[WALLPAPER_CONTRAST_COLOR].color = e->result.text);
    if (hThread)
        CloseHandle(hThread);
    Release(e);
}

// The picture's folder, watched by a thread of its own with the system's
// change notification: it tells the window when the picture's file has
// another time or size once the folder has been quiet for a moment.
struct FolderWatch
{
    LONG refs;
    HWND hWnd;
    HANDLE hStop;
    WCHAR picture[MAX_PATH];
    WIN32_FILE_ATTRIBUTE_DATA known;
};

static void Release(FolderWatch* w)
{
    if (InterlockedDecrement(&w->refs) != 0)
        return;
    CloseHandle(w->hStop);
    HeapFree(GetProcessHeap(), 0, w);
}

static bool SameStamp(const WIN32_FILE_ATTRIBUTE_DATA& a, const WIN32_FILE_ATTRIBUTE_DATA& b)
{
    return CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) == 0 && a.nFileSizeLow == b.nFileSizeLow
           && a.nFileSizeHigh == b.nFileSizeHigh;
}

static DWORD WINAPI WatchFolderOnWorker(void* parameter)
{
    FolderWatch* w = (FolderWatch*)parameter;
    WCHAR folder[MAX_PATH];
    lstrcpyW(folder, w->picture);
    WCHAR* slash = folder;
    for (WCHAR* p = folder; *p; ++p)
        if (*p == L'\\' || *p == L'/')
            slash = p;
    // a picture at a drive's root: the root, not the drive's current folder
    *(slash == folder + 2 && folder[1] == L':' ? slash + 1 : slash) = 0;
    // Armed afresh for each wait (Wine's re-arming of a notification misses
    // later changes); the file is looked at only once armed, so that no
    // change slips between; the first look is for a change since the
    // picture was judged, before the watch began.
    bool settling = true;
    DWORD settleStart = GetTickCount();
    for (;;) {
        HANDLE hChange = FindFirstChangeNotificationW(
            folder, FALSE, FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE);
        if (hChange == INVALID_HANDLE_VALUE)
            break;
        // other files of the folder come and go as they will
        WIN32_FILE_ATTRIBUTE_DATA now;
        if (!settling && (FileStamp(w->picture, now), !SameStamp(w->known, now))) {
            PostMessageA(w->hWnd, WM_WALLPAPER_FILE_CHANGED, 0, 0);
            w->known = now;
        }
        HANDLE handles[2] = {w->hStop, hChange};
        DWORD wait = WaitForMultipleObjects(2, handles, FALSE, settling ? (DWORD)WALLPAPER_SETTLE_MS : INFINITE);
        FindCloseChangeNotification(hChange);
        if (wait == WAIT_OBJECT_0 + 1) {
            // a folder that is never quiet is looked at once in a while all the same
            if (!settling)
                settleStart = GetTickCount();
            settling = GetTickCount() - settleStart < WALLPAPER_SETTLE_MAX_MS;
        } else if (wait == WAIT_TIMEOUT)
            settling = false;
        else
            break;
    }
    Release(w);
    return 0;
}

void CWallpaperWatch::Attach(HWND hWnd, ColorTable& colors, CPreviewList& preview)
{
    m_hWnd = hWnd;
    m_pColors = &colors;
    m_pPreview = &preview;
}

// The program is ending: its threads are waited for, each a bounded time.
void CWallpaperWatch::Detach()
{
    LetWorkerGo(WALLPAPER_END_WAIT_MS);
    Stop(WALLPAPER_END_WAIT_MS);
}

void CWallpaperWatch::Select(int index)
{
    bool follow = index == WALLPAPER_CONTRAST_COLOR;
    if (follow && !m_bFollowing) {
        m_bFollowing = true;
        Evaluate();
    } else if (!follow && m_bFollowing) {
        Stop(0);
    }
    ShowPreview();
}

// Threads still running are left to end by themselves: each holds what it uses.
void CWallpaperWatch::Stop(DWORD waitMs)
{
    m_bFollowing = false;
    ++m_Generation;
    m_bAgain = false;
    LetWorkerGo(0);
    StopFolderWatch(waitMs);
    m_PreviewPixels.Free();
    if (m_hCodecs)
        FreeLibrary(m_hCodecs);
    m_hCodecs = nullptr;
}

// An evaluation already under way is waited for, unless it has run so long
// that it may never end: then it is left to itself and its result dropped.
void CWallpaperWatch::Evaluate()
{
    if (!m_bFollowing)
        return;
    if (m_hWorker && WaitForSingleObject(m_hWorker, 0) == WAIT_TIMEOUT
        && GetTickCount() - m_WorkerStart < WALLPAPER_ABANDON_MS) {
        m_bAgain = true;
        return;
    }
    LetWorkerGo(0);
    m_bAgain = false;
    RECT client = {};
    GetClientRect(m_pPreview->m_hWnd, &client);
    Evaluation* e = NewEvaluation(m_hWnd, ++m_Generation, {client.right, client.bottom}, 1);
    if (!e)
        return;
    m_hWorker = StartThread(EvaluateOnWorker, e);
    m_WorkerStart = GetTickCount();
    if (!m_hWorker)
        Release(e);
}

void CWallpaperWatch::LetWorkerGo(DWORD waitMs)
{
    if (!m_hWorker)
        return;
    if (waitMs)
        WaitForSingleObject(m_hWorker, waitMs);
    CloseHandle(m_hWorker);
    m_hWorker = nullptr;
}

bool CWallpaperWatch::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_WALLPAPER_EVALUATED:
        OnEvaluated((UINT)wParam, (Evaluation*)lParam);
        return true;
    case WM_WALLPAPER_FILE_CHANGED:
        Evaluate();
        return true;
    case WM_SETTINGCHANGE:
        // a new picture or position; the labels move with the work area and
        // the icons' spacing
        if (wParam == SPI_SETDESKWALLPAPER || wParam == SPI_SETWORKAREA || wParam == SPI_SETICONMETRICS)
            Evaluate();
        return false;
    case WM_SYSCOLORCHANGE:
    case WM_DISPLAYCHANGE:
    case WM_VIEW_REFILLED:
        Evaluate();
        return false;
    }
    return false;
}

// The colour becomes the entry's, and the labels' while the entry is the
// one applied; the watch then puts it back as it does any colour.
void CWallpaperWatch::OnEvaluated(UINT generation, Evaluation* e)
{
    if (m_bFollowing && generation == m_Generation) {
        LetWorkerGo(0);
        std::swap(m_hCodecs, e->hCodecs);
        COLORREF text = e->result.text;
        SetWallpaperTextColor(text);
        m_pColors->entry[WALLPAPER_CONTRAST_COLOR].color = text;
        m_PreviewPixels = std::move(e->result.preview);
        m_PreviewSize = e->result.previewSize;
        WatchFolder(e->result.picture, e->result.pictureStamp);
        ShowPreview();
        m_pPreview->ShowColors(text, m_pColors->entry[SYSTEM_BACKGROUND_COLOR].color);
        if (ReadTextColorIndex() == WALLPAPER_CONTRAST_COLOR)
            ApplyDesktopColors(text, CLR_NONE);
        if (m_bAgain)
            Evaluate();
    }
    Release(e);
}

void CWallpaperWatch::WatchFolder(const WCHAR* picture, const WIN32_FILE_ATTRIBUTE_DATA& stamp)
{
    if (m_hFolderThread && lstrcmpiW(picture, m_WatchedPicture) == 0)
        return;
    StopFolderWatch(0);
    if (!picture[0])
        return;
    auto* w = (FolderWatch*)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(FolderWatch));
    if (!w)
        return;
    w->refs = 2;
    w->hWnd = m_hWnd;
    w->hStop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    lstrcpyW(w->picture, picture);
    w->known = stamp;
    m_hFolderThread = w->hStop ? StartThread(WatchFolderOnWorker, w) : nullptr;
    if (!m_hFolderThread) {
        Release(w);
        Release(w);
        return;
    }
    m_pFolder = w;
    lstrcpyW(m_WatchedPicture, picture);
}

void CWallpaperWatch::StopFolderWatch(DWORD waitMs)
{
    if (!m_pFolder)
        return;
    SetEvent(m_pFolder->hStop);
    if (waitMs)
        WaitForSingleObject(m_hFolderThread, waitMs);
    CloseHandle(m_hFolderThread);
    Release(m_pFolder);
    m_pFolder = nullptr;
    m_hFolderThread = nullptr;
    m_WatchedPicture[0] = 0;
}

// The sample stands on the piece of the wallpaper around the first label.
void CWallpaperWatch::ShowPreview()
{
    bool picture = m_bFollowing && m_PreviewPixels.Count();
    m_pPreview->ShowPicture(picture ? m_PreviewPixels.Data() : nullptr, m_PreviewSize);
}
