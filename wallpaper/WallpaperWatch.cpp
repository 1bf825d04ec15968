#include "WallpaperWatch.h"
#include "../framework/NewerWindows.h"
#include "../shell/DesktopView.h"
#include <utility>

static void TakeJudgedOn(const WallpaperContrast& result, JudgedOn& on)
{
    on.values = result.judgedValues;
    on.layout = result.layout;
    on.stamp = result.pictureStamp;
    lstrcpyW(on.picture, result.picture);
}

COLORREF EvaluateBeforeStart(JudgedOn& on)
{
    Worker worker = {};
    COLORREF text = CLR_NONE;
    if (StartEvaluation(worker, nullptr, FindDesktopListView(), 0, {0, 0}, nullptr)
        && WaitForSingleObject(worker.hThread, WALLPAPER_START_WAIT_MS) == WAIT_OBJECT_0 && worker.e->result.judged) {
        text = worker.e->result.text;
        TakeJudgedOn(worker.e->result, on);
    }
    LetGo(worker, 0);
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
    Stop();
    KillTimer(m_hWnd, WALLPAPER_BOUND_TIMER_ID);
    LetGo(m_Running, WALLPAPER_END_WAIT_MS);
    LetGo(m_GivenUp, WALLPAPER_END_WAIT_MS);
    m_Changes.Stop(WALLPAPER_END_WAIT_MS);
}

void CWallpaperWatch::Follow(bool follow)
{
    if (follow && !m_bFollowing) {
        m_bFollowing = true;
        Evaluate();
    } else if (!follow && m_bFollowing) {
        Stop();
    }
}

// A worker still running is let go but still counted: no other starts
// until it has ended or been given up on, and its result is dropped.
void CWallpaperWatch::Stop()
{
    m_bFollowing = false;
    ++m_Generation;
    m_bAgain = m_bShellHung = false;
    KillTimer(m_hWnd, WALLPAPER_TIMER_ID);
    m_Changes.Stop(0);
    m_PreviewPixels.Free();
    m_Shape = {};
    FreeDecodedScene(m_pDecoded);
    m_pDecoded = nullptr;
    if (m_hCodecs)
        FreeLibrary(m_hCodecs);
    m_hCodecs = nullptr;
}

// Whether the evaluation's result is the one wanted.
bool CWallpaperWatch::Current(const Evaluation* e) const
{
    return m_bFollowing && e->generation == m_Generation && !e->calls.givenUp;
}

// One evaluation at a time, however long it takes: a change meanwhile is
// judged once it has ended. A result whose message never came is taken now.
// Evaluations come at least WALLPAPER_GAP_MS apart while changes keep coming,
// and none while the shell is hung, gone or given up on.
void CWallpaperWatch::Evaluate()
{
    if (!m_bFollowing)
        return;
    m_bAgain = true;
    if (Ended(m_Running) && Current(m_Running.e)) {
        SendMessageA(m_hWnd, WM_WALLPAPER_EVALUATED, m_Running.e->generation, 0);
        return;
    }
    Reap();
    DWORD since = GetTickCount() - m_LastStart;
    if (m_Running.e || m_bShellHung)
        return;
    if (m_LastStart && since < WALLPAPER_GAP_MS) {
        SetTimer(m_hWnd, WALLPAPER_TIMER_ID, WALLPAPER_GAP_MS - since, nullptr);
        return;
    }
    RECT client = {};
    GetClientRect(m_hPreview, &client);
    m_LastStart = GetTickCount() | 1;
    if (!StartEvaluation(m_Running, m_hWnd, FindDesktopListView(), ++m_Generation, {client.right, client.bottom},
                         m_pDecoded))
        return;
    m_bAgain = false;
    m_pDecoded = nullptr;
    SetTimer(m_hWnd, WALLPAPER_BOUND_TIMER_ID, WALLPAPER_LOOK_MS, nullptr);
}

void CWallpaperWatch::OnNewView()
{
    if (!m_bFollowing)
        return;
    ++m_Generation;
    m_bShellHung = false;
    Evaluate();
}

void CWallpaperWatch::OnWatchTick(ShellTurn& turn)
{
    DWORD now = GetTickCount();
    if (!m_bFollowing || !m_Shape.hView || m_Running.e || m_bShellHung || now - m_LastLook < WALLPAPER_LAYOUT_LOOK_MS)
        return;
    m_LastLook = now;
    HWND hView = FindDesktopListView();
    ViewShape shape;
    if (hView != m_Shape.hView)
        OnNewView();
    else if (ReadViewShape(hView, turn, shape) && !SameViewShape(shape, m_Shape))
        Evaluate();
}

// The gap has passed, or the shell is looked at again, by Windows' own
// judgement of it, which asks the shell nothing; or the running
// evaluation's calls into the shell are looked at.
void CWallpaperWatch::OnTimer(UINT_PTR id)
{
    if (id == WALLPAPER_BOUND_TIMER_ID) {
        Reap();
        const Evaluation* e = m_Running.e;
        LONG since = e ? e->calls.since : 0;
        if (!e)
            KillTimer(m_hWnd, WALLPAPER_BOUND_TIMER_ID);
        if (since && !e->calls.givenUp && GetTickCount() - since >= WALLPAPER_CALL_BOUND_MS)
            GiveUp();
        // a worker whose message never came
        else if (!e && m_bAgain)
            Evaluate();
        return;
    }
    KillTimer(m_hWnd, WALLPAPER_TIMER_ID);
    HWND hView = FindDesktopListView();
    if (m_bShellHung && (!hView || IsHungAppWindow(GetAncestor(hView, GA_ROOT)))) {
        SetTimer(m_hWnd, WALLPAPER_TIMER_ID, WALLPAPER_LOOK_MS, nullptr);
        return;
    }
    m_bShellHung = false;
    if (m_bAgain)
        Evaluate();
}

// Nothing is judged until the shell is back: looked at every second.
void CWallpaperWatch::LookAgain()
{
    m_bShellHung = m_bAgain = true;
    SetTimer(m_hWnd, WALLPAPER_TIMER_ID, WALLPAPER_LOOK_MS, nullptr);
}

// A call into the shell has run past its bound: cancelled where it went to
// the shell's process (a call within this one cannot be), and its evaluation
// given up on, whatever it does; its result is dropped.
void CWallpaperWatch::GiveUp()
{
    InterlockedExchange(&m_Running.e->calls.givenUp, 1);
    Newer::CoCancelCall(m_Running.threadId, 0);
    if (m_bFollowing)
        LookAgain();
    Reap();
}

// Workers that have ended are let go, unless a result is to be taken; one
// given up on makes room for another while no other given up on lives.
void CWallpaperWatch::Reap()
{
    if (Ended(m_GivenUp))
        LetGo(m_GivenUp, 0);
    if (Ended(m_Running) && !Current(m_Running.e))
        LetGo(m_Running, 0);
    if (!m_GivenUp.e && m_Running.e && m_Running.e->calls.givenUp)
        std::swap(m_GivenUp, m_Running);
}

void CWallpaperWatch::Take(Evaluation* e)
{
    std::swap(m_hCodecs, e->hCodecs);
    std::swap(m_pDecoded, e->decoded);
    const WallpaperContrast& result = e->result;
    if (!result.judged) {
        LookAgain();
        return;
    }
    m_Text = result.text;
    TakeJudgedOn(result, m_Judged);
    m_Shape = result.view;
    m_PreviewPixels = std::move(e->result.preview);
    m_PreviewSize = result.previewSize;
    m_Changes.Watch(m_hWnd, result.picture, result.pictureStamp, result.desktopValues);
}

bool CWallpaperWatch::OnEvaluated(WPARAM generation, LPARAM lParam)
{
    Evaluation* e = m_Running.e;
    bool mine = lParam == 0 && Ended(m_Running) && generation == e->generation && Current(e);
    bool judged = mine && e->result.judged;
    if (mine) {
        Take(e);
        LetGo(m_Running, 0);
    }
    Reap();
    if (lParam == 0 && m_bAgain)
        Evaluate();
    return judged;
}

// The sample stands on the piece of the wallpaper around the first label.
const DWORD* CWallpaperWatch::PreviewPixels() const
{
    return m_bFollowing && m_PreviewPixels.Count() ? m_PreviewPixels.Data() : nullptr;
}
