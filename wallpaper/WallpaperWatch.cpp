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
    DecodedScene* decoded;  // the scene last decoded, handed on to the next
    WallpaperContrast result;
    HMODULE hCodecs;        // the imaging component, held loaded
};

static DecodedScene* NewDecodedScene()
{
    void* memory = HeapAlloc(GetProcessHeap(), 0, sizeof(DecodedScene));
    return memory ? new (memory) DecodedScene() : nullptr;
}

static void FreeDecodedScene(DecodedScene* decoded)
{
    if (!decoded)
        return;
    decoded->~DecodedScene();
    HeapFree(GetProcessHeap(), 0, decoded);
}

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
    FreeDecodedScene(e->decoded);
    e->~Evaluation();
    HeapFree(GetProcessHeap(), 0, e);
}

static DWORD WINAPI EvaluateOnWorker(void* parameter)
{
    Evaluation* e = (Evaluation*)parameter;
    bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    if (!e->decoded)
        e->decoded = NewDecodedScene();
    if (e->decoded)
        EvaluateWallpaperContrast(FindDesktopListView(), e->previewSize, *e->decoded, e->result);
    else
        e->result.shellHung = true;   // no memory: tried again a second later, as for a hung shell
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
    else if (WaitForSingleObject(hThread, WALLPAPER_START_WAIT_MS) == WAIT_OBJECT_0 && !e->result.shellHung) {
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

// A thread still running is left to end by itself: it holds what it uses.
void CWallpaperWatch::Stop(DWORD waitMs)
{
    m_bFollowing = false;
    ++m_Generation;
    m_bAgain = m_bShellHung = false;
    KillTimer(m_hWnd, WALLPAPER_TIMER_ID);
    LetWorkerGo(0);
    m_Changes.Stop(waitMs);
    m_PreviewPixels.Free();
    FreeDecodedScene(m_pDecoded);
    m_pDecoded = nullptr;
    if (m_hCodecs)
        FreeLibrary(m_hCodecs);
    m_hCodecs = nullptr;
}

// One evaluation at a time, however long it takes: a change meanwhile is
// judged once it has ended. A result whose message never came is taken now.
// Evaluations come at least WALLPAPER_GAP_MS apart while changes keep coming,
// and none while the shell is hung.
void CWallpaperWatch::Evaluate()
{
    if (!m_bFollowing)
        return;
    m_bAgain = true;
    if (m_pEvaluation && InterlockedCompareExchange(&m_pEvaluation->done, 1, 1)) {
        SendMessageA(m_hWnd, WM_WALLPAPER_EVALUATED, m_pEvaluation->generation, 0);
        return;
    }
    DWORD since = GetTickCount() - m_LastStart;
    if (m_pEvaluation || m_bShellHung)
        return;
    if (m_LastStart && since < WALLPAPER_GAP_MS) {
        SetTimer(m_hWnd, WALLPAPER_TIMER_ID, WALLPAPER_GAP_MS - since, nullptr);
        return;
    }
    LetWorkerGo(0);
    m_bAgain = false;
    RECT client = {};
    GetClientRect(m_hPreview, &client);
    Evaluation* e = NewEvaluation(m_hWnd, ++m_Generation, {client.right, client.bottom}, 2);
    if (!e)
        return;
    e->decoded = m_pDecoded;
    m_pDecoded = nullptr;
    m_hWorker = StartThread(EvaluateOnWorker, e);
    m_LastStart = GetTickCount() | 1;
    if (!m_hWorker) {
        Release(e);
        Release(e);
        return;
    }
    m_pEvaluation = e;
}

// Its timer: the gap has passed, or the hung shell is looked at again, by
// Windows' own judgement of it, which asks the shell nothing.
void CWallpaperWatch::OnTimer()
{
    KillTimer(m_hWnd, WALLPAPER_TIMER_ID);
    HWND hView = FindDesktopListView();
    if (m_bShellHung && hView && IsHungAppWindow(GetAncestor(hView, GA_ROOT))) {
        SetTimer(m_hWnd, WALLPAPER_TIMER_ID, WALLPAPER_HUNG_LOOK_MS, nullptr);
        return;
    }
    m_bShellHung = false;
    if (m_bAgain)
        Evaluate();
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
    std::swap(m_pDecoded, e->decoded);
    bool judged = !e->result.shellHung;
    if (judged) {
        m_Text = e->result.text;
        TakeJudgedOn(e->result, m_Judged);
        m_PreviewPixels = std::move(e->result.preview);
        m_PreviewSize = e->result.previewSize;
        m_Changes.Watch(m_hWnd, e->result.picture, e->result.pictureStamp, e->result.desktopValues);
    } else {
        // judged again once Windows no longer takes it for hung
        m_bShellHung = m_bAgain = true;
        SetTimer(m_hWnd, WALLPAPER_TIMER_ID, WALLPAPER_HUNG_LOOK_MS, nullptr);
    }
    LetWorkerGo(0);
    if (m_bAgain)
        Evaluate();
    return judged;
}

// The sample stands on the piece of the wallpaper around the first label.
const DWORD* CWallpaperWatch::PreviewPixels() const
{
    return m_bFollowing && m_PreviewPixels.Count() ? m_PreviewPixels.Data() : nullptr;
}
