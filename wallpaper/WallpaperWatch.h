// "(Contrast With Wallpaper)" kept true to the wallpaper. While it is
// followed, each change of what the desktop shows is evaluated on a worker
// thread of its own (the wallpaper's class, accessibility and a file on a
// network share can each take unbounded time), and what no broadcast
// announces is watched for. Unfollowed, nothing new starts: a worker let go
// runs to its end or is given up on, and then there is no thread, no watch
// and no timer. It only reports: the window it is attached
// to hears of each result by the evaluation's generation, takes the colour
// and the preview's picture from here, and decides what the labels show.
#pragma once
#include "../framework/HeapArray.h"
#include "ChangeWatch.h"
#include "Evaluation.h"
#include "../res/Messages.h"
#include "KeptColor.h"
#include <commctrl.h>

enum {
    // a start that ends waits this long for the colour, then ends without it
    WALLPAPER_START_WAIT_MS = 2500,
    // evaluations at least this far apart while changes keep coming (an icon
    // dragged raises a move at every step)
    WALLPAPER_GAP_MS = 500,
    // how often a shell that is hung, gone or given up on is looked at
    // again, and a running evaluation's calls into the shell
    WALLPAPER_LOOK_MS = 1000,
    // a call into the shell that runs longer is cancelled, and its
    // evaluation given up on
    WALLPAPER_CALL_BOUND_MS = 5000,
    // how often the watch's tick compares the view's shape with the one judged
    WALLPAPER_LAYOUT_LOOK_MS = 2000,
    // the longest the program waits for a thread of its own as it ends
    WALLPAPER_END_WAIT_MS = 1000,
};

// A silent start, with the entry stored: the wallpaper's text colour and
// what it was judged on, if it is judged in time; else CLR_NONE.
COLORREF EvaluateBeforeStart(JudgedOn& on);

// Whether a system-wide change may have changed what shows behind the labels.
bool ChangesWhatShows(UINT message, WPARAM wParam);

class CWallpaperWatch
{
public:
    // Results and changes are posted to hWnd; the preview's piece is cut to
    // hPreview's client size.
    void Attach(HWND hWnd, HWND hPreview);
    // Ends the threads, each waited for a bounded time.
    void Detach();

    void Follow(bool follow);
    bool Following() const { return m_bFollowing; }
    // What the desktop shows may have changed.
    void Evaluate();
    // The shell may have made a new view (a restart): what is being judged
    // on the old one is let go, and the new one judged.
    void OnNewView();
    // The watch's tick: a relayout that raised no event (a new icon size, an
    // icon added) or another view window, seen every WALLPAPER_LAYOUT_LOOK_MS.
    void OnWatchTick(ShellTurn& turn);
    // WALLPAPER_TIMER_ID or WALLPAPER_BOUND_TIMER_ID has come.
    void OnTimer(UINT_PTR id);
    // WM_WALLPAPER_EVALUATED: true when the generation names the evaluation
    // under way, it has ended and judged; its result is then the latest. Any
    // other value changes nothing but the workers that have ended.
    bool OnEvaluated(WPARAM generation, LPARAM lParam);

    // The latest text colour, CLR_NONE before the first; a start's judgement
    // is remembered before the window exists.
    COLORREF TextColor() const { return m_Text; }
    void Remember(COLORREF text) { m_Text = text; }
    // What the latest result was judged on.
    const JudgedOn& Judged() const { return m_Judged; }
    // What shows around the first label, while followed; none before the
    // first result.
    const DWORD* PreviewPixels() const;
    SIZE PreviewSize() const { return m_PreviewSize; }

private:
    void Stop();
    bool Current(const Evaluation* e) const;
    void Take(Evaluation* e);
    void LookAgain();
    void GiveUp();
    void Reap();

    HWND m_hWnd = nullptr;
    HWND m_hPreview = nullptr;
    bool m_bFollowing = false;
    UINT m_Generation = 0;                 // the evaluation whose result is wanted
    // One worker at a time, whatever its result is for (one let go is still
    // counted), and besides it one given up on, while it lives.
    Worker m_Running = {};
    Worker m_GivenUp = {};
    DWORD m_LastStart = 0;                 // when the last evaluation started; 0 for none
    DWORD m_LastLook = 0;                  // when the watch's tick last read the view's shape
    bool m_bAgain = false;                 // asked for while one could not start
    bool m_bShellHung = false;             // the shell was hung, gone or given up on: looked at again
    DecodedScene* m_pDecoded = nullptr;   // the scene last decoded, while no evaluation runs
    COLORREF m_Text = CLR_NONE;
    JudgedOn m_Judged = {};
    ViewShape m_Shape = {};                // of the view last judged
    SIZE m_PreviewSize = {};
    HeapArray<DWORD> m_PreviewPixels;
    HMODULE m_hCodecs = nullptr;           // the imaging component, kept loaded while followed
    CChangeWatch m_Changes;
};
