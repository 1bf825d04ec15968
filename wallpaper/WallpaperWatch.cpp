#include "WallpaperWatch.h"
#include "../shell/DesktopView.h"
#include "WallpaperContrast.h"
#include <objbase.h>
#include <new>
#include <utility>

// One evaluation, on the heap: the thread that makes it and the one that
// waits for it each hold a reference, and whichever lets go last frees it,
// so that either may be gone. The window is told only its generation.
struct Evaluation
{
    LONG refs;
    LONG done;              // the result is whole
    HWND hWnd;              // told of the result; none when waited for
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

static DWORD WINAPI EvaluateOnWorker(void* parameter)
{
    Evaluation* e = (Evaluation*)parameter;
    bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    EvaluateWallpaperContrast(FindDesktopListView(), e->previewSize, e->result);
    // COM unloads the imaging component as the thread leaves it, and loading
    // it again is most of an evaluation's cost
    GetModuleHandleExW(0, L"windowscodecs.dll", &e->hCodecs);
    if (com)
        CoUninitialize();
    InterlockedExchange(&e->done, 1);
    if (e->hWnd)
        PostMessageA(e->hWnd, WM_WALLPAPER_EVALUATED, e->generation, 0);
    Release(e);
    return 0;
}

static HANDLE StartThread(LPTHREAD_START_ROUTINE routine, void* parameter)
{
    DWORD id;
    return CreateThread(nullptr, 0, routine, parameter, 0, &id);
}

static void TakeJudgedOn(const WallpaperContrast& result, JudgedOn& on)
{
    on.values = result.judgedValues;
    on.stamp = result.pictureStamp;
    lstrcpyW(on.picture, result.picture);
}

COLORREF EvaluateBeforeStart(JudgedOn& on)
{
    Evaluation* e = NewEvaluation(nullptr, 0, {0, 0}, 2);
    if (!e)
        return CLR_NONE;
    COLORREF text = CLR_NONE;
    HANDLE hThread = StartThread(EvaluateOnWorker, e);
    if (!hThread)
        Release(e);
    else if (WaitForSingleObject(hThread, WALLPAPER_START_WAIT_MS) == WAIT_OBJECT_0) {
        text = e->result.text;
        TakeJudgedOn(e->result, on);
    }
    if (hThread)
        CloseHandle(hThread);
    Release(e);
    return text;
}

// A new picture or position; the labels move with the work area and the
// icons' spacing, and with the shell's refill of its view.
bool ChangesWhatShows(UINT message, WPARAM wParam)
{
    switch (message) {
    case WM_SETTINGCHANGE:
        return wParam == SPI_SETDESKWALLPAPER || wParam == SPI_SETWORKAREA || wParam == SPI_SETICONMETRICS;
    case WM_SYSCOLORCHANGE:
    case WM_DISPLAYCHANGE:
    case WM_VIEW_REFILLED:
        return true;
    }
    return false;
}

void CWallpaperWatch::Attach(HWND hWnd, HWND hPreview)
{
    m_hWnd = hWnd;
    m_hPreview = hPreview;
}

// The program is ending: its threads are waited for, each a bounded time.
void CWallpaperWatch::Detach()
{
    LetWorkerGo(WALLPAPER_END_WAIT_MS);
    Stop(WALLPAPER_END_WAIT_MS);
}

void CWallpaperWatch::Follow(bool follow)
{
    if (follow && !m_bFollowing) {
        m_bFollowing = true;
        Evaluate();
    } else if (!follow && m_bFollowing) {
        Stop(0);
    }
}

// Threads still running are left to end by themselves: each holds what it uses.
void CWallpaperWatch::Stop(DWORD waitMs)
{
    m_bFollowing = false;
    ++m_Generation;
    m_bAgain = false;
    LetWorkerGo(0);
    m_Changes.Stop(waitMs);
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
    // one under way, or ended with its result on the way: asked for again
    // once it is taken, so that a flood of changes never starves the results
    bool running = m_hWorker && WaitForSingleObject(m_hWorker, 0) == WAIT_TIMEOUT
                   && GetTickCount() - m_WorkerStart < WALLPAPER_ABANDON_MS;
    if (running || (m_pEvaluation && InterlockedCompareExchange(&m_pEvaluation->done, 1, 1))) {
        m_bAgain = true;
        return;
    }
    LetWorkerGo(0);
    m_bAgain = false;
    RECT client = {};
    GetClientRect(m_hPreview, &client);
    Evaluation* e = NewEvaluation(m_hWnd, ++m_Generation, {client.right, client.bottom}, 2);
    if (!e)
        return;
    m_hWorker = StartThread(EvaluateOnWorker, e);
    m_WorkerStart = GetTickCount();
    if (!m_hWorker) {
        Release(e);
        Release(e);
        return;
    }
    m_pEvaluation = e;
}

// The thread is let go, and with it the evaluation, unless its result has
// been taken.
void CWallpaperWatch::LetWorkerGo(DWORD waitMs)
{
    if (m_pEvaluation) {
        Release(m_pEvaluation);
        m_pEvaluation = nullptr;
    }
    if (!m_hWorker)
        return;
    if (waitMs)
        WaitForSingleObject(m_hWorker, waitMs);
    CloseHandle(m_hWorker);
    m_hWorker = nullptr;
}

bool CWallpaperWatch::OnEvaluated(WPARAM generation, LPARAM lParam)
{
    Evaluation* e = m_pEvaluation;
    if (!m_bFollowing || !e || lParam != 0 || generation != e->generation
        || !InterlockedCompareExchange(&e->done, 1, 1))
        return false;
    std::swap(m_hCodecs, e->hCodecs);
    m_Text = e->result.text;
    TakeJudgedOn(e->result, m_Judged);
    m_PreviewPixels = std::move(e->result.preview);
    m_PreviewSize = e->result.previewSize;
    m_Changes.Watch(m_hWnd, e->result.picture, e->result.pictureStamp, e->result.desktopValues);
    LetWorkerGo(0);
    if (m_bAgain)
        Evaluate();
    return true;
}

// The sample stands on the piece of the wallpaper around the first label.
const DWORD* CWallpaperWatch::PreviewPixels() const
{
    return m_bFollowing && m_PreviewPixels.Count() ? m_PreviewPixels.Data() : nullptr;
}
