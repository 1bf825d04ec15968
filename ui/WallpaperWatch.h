// "(Contrast With Wallpaper)" kept true to the wallpaper. While it is the
// list's entry, each change of what the desktop shows is evaluated on a
// worker thread of its own (the wallpaper's class, accessibility and a file
// on a network share can each take unbounded time), and the picture's folder
// is watched for the file rewritten in place. With any other entry nothing
// of this runs: no thread, no watch, no timer.
#pragma once
#include "../color/ColorTable.h"
#include "../framework/HeapArray.h"
#include "PreviewList.h"

// An evaluation's result (wParam its generation, lParam the evaluation,
// which the receiver frees), and the picture's file changed.
#define WM_WALLPAPER_EVALUATED (WM_APP + 104)
#define WM_WALLPAPER_FILE_CHANGED (WM_APP + 105)

enum {
    // a silent start waits this long for the colour, then applies entry 0's
    // and lets the colour follow when it comes
    WALLPAPER_START_WAIT_MS = 2500,
    // an evaluation still running after this is left to end by itself
    WALLPAPER_ABANDON_MS = 10000,
    // the longest the program waits for a thread of its own as it ends
    WALLPAPER_END_WAIT_MS = 1000,
    // a file is written in several steps: the folder is quiet this long first,
    // or busy this long
    WALLPAPER_SETTLE_MS = 200,
    WALLPAPER_SETTLE_MAX_MS = 1000,
};

struct Evaluation;
struct FolderWatch;

// A silent start with the entry stored: its colour goes into the table if
// it comes in time.
void EvaluateBeforeStart(ColorTable& table);

class CWallpaperWatch
{
public:
    // Results go to the window as messages; the entry's colour into the
    // table; the picture behind the sample onto the preview.
    void Attach(HWND hWnd, ColorTable& colors, CPreviewList& preview);
    // Ends the threads, each waited for a bounded time.
    void Detach();

    // The list's entry: followed while it is the wallpaper's.
    void Select(int index);
    // What the desktop shows may have changed.
    void Evaluate();
    // Its own messages (true), and the system's changes it evaluates again on.
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    void Stop(DWORD waitMs);
    void LetWorkerGo(DWORD waitMs);
    void OnEvaluated(UINT generation, Evaluation* evaluation);
    void WatchFolder(const WCHAR* picture, const WIN32_FILE_ATTRIBUTE_DATA& stamp);
    void StopFolderWatch(DWORD waitMs);
    void ShowPreview();

    HWND m_hWnd = nullptr;
    ColorTable* m_pColors = nullptr;
    CPreviewList* m_pPreview = nullptr;
    bool m_bFollowing = false;
    UINT m_Generation = 0;          // a result of any other is stale
    HANDLE m_hWorker = nullptr;     // the evaluation under way
    DWORD m_WorkerStart = 0;
    bool m_bAgain = false;          // asked for while one was under way
    SIZE m_PreviewSize = {};
    HeapArray<DWORD> m_PreviewPixels;
    WCHAR m_WatchedPicture[MAX_PATH] = {};
    HMODULE m_hCodecs = nullptr;    // the imaging component, kept loaded while followed
    FolderWatch* m_pFolder = nullptr;
    HANDLE m_hFolderThread = nullptr;
};
