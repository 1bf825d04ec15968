// One evaluation of the wallpaper, on a worker thread of its own. The thread
// that makes it and the one that waits for it each hold a reference, and
// whichever lets go last frees it, so that either may be gone first. The
// window is told only its generation.
#pragma once
#include "WallpaperContrast.h"

struct Evaluation
{
    LONG refs;
    LONG done;              // the result is whole; the worker does nothing more that counts
    HWND hWnd;              // told of the end; none when waited for
    HWND hView;             // the desktop view judged, as the starting thread found it
    UINT generation;
    SIZE previewSize;
    DecodedScene* decoded;  // the scene last decoded, handed on to the next
    ShellCalls calls;
    WallpaperContrast result;
    HMODULE hCodecs;        // the imaging component, held loaded
};

// A worker as the thread that started it holds it: empty for none.
struct Worker
{
    Evaluation* e;
    HANDLE hThread;
    DWORD threadId;
};

DecodedScene* NewDecodedScene();
void FreeDecodedScene(DecodedScene* decoded);

// Starts an evaluation of the view's labels (none: nothing is judged) that
// posts WM_WALLPAPER_EVALUATED with its generation to hWnd as it ends, and
// takes decoded over; false, and decoded still the caller's, where there is
// no memory or thread for it.
bool StartEvaluation(Worker& worker, HWND hWnd, HWND hView, UINT generation, SIZE previewSize, DecodedScene* decoded);
// Whether its evaluation has ended (false for none).
bool Ended(const Worker& worker);
// Lets the worker go, waited for at most waitMs; its evaluation is freed
// once the worker lets go of it too.
void LetGo(Worker& worker, DWORD waitMs);
