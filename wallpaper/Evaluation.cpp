#include "Evaluation.h"
#include "../res/Messages.h"
#include <objbase.h>
#include <new>

DecodedScene* NewDecodedScene()
{
    void* memory = HeapAlloc(GetProcessHeap(), 0, sizeof(DecodedScene));
    return memory ? new (memory) DecodedScene() : nullptr;
}

void FreeDecodedScene(DecodedScene* decoded)
{
    if (!decoded)
        return;
    decoded->~DecodedScene();
    HeapFree(GetProcessHeap(), 0, decoded);
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
    // a call of this thread's into the shell's process that runs past its
    // bound can be cancelled from the dialog's
    if (com)
        CoEnableCallCancellation(nullptr);
    if (!e->decoded)
        e->decoded = NewDecodedScene();
    // no memory: nothing judged, and tried again a second later, as for a hung shell
    if (e->decoded)
        EvaluateWallpaperContrast(e->hView, e->previewSize, *e->decoded, e->result, e->calls);
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

bool StartEvaluation(Worker& worker, HWND hWnd, HWND hView, UINT generation, SIZE previewSize, DecodedScene* decoded)
{
    void* memory = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Evaluation));
    if (!memory)
        return false;
    Evaluation* e = new (memory) Evaluation();
    e->refs = 2;
    e->hWnd = hWnd;
    e->hView = hView;
    e->generation = generation;
    e->previewSize = previewSize;
    e->decoded = decoded;
    worker.hThread = CreateThread(nullptr, 0, EvaluateOnWorker, e, 0, &worker.threadId);
    if (!worker.hThread) {
        e->decoded = nullptr;
        Release(e);
        Release(e);
        return false;
    }
    worker.e = e;
    return true;
}

bool Ended(const Worker& worker)
{
    return worker.e && InterlockedCompareExchange(&worker.e->done, 1, 1);
}

void LetGo(Worker& worker, DWORD waitMs)
{
    if (worker.hThread) {
        if (waitMs)
            WaitForSingleObject(worker.hThread, waitMs);
        CloseHandle(worker.hThread);
    }
    if (worker.e)
        Release(worker.e);
    worker = {};
}
