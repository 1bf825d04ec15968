#include "RefillTiming.h"
#include "tests/support/ViewState.h"
#include <stdio.h>

namespace {

struct Watch
{
    HWND hView;
    LARGE_INTEGER start, frequency;
    std::vector<ViewEvent>* events;
};
Watch g_watch;

double MsSince(const Watch& watch)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (now.QuadPart - watch.start.QuadPart) * 1000.0 / watch.frequency.QuadPart;
}

void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG, LONG, DWORD, DWORD)
{
    char cls[64] = "";
    if (hwnd != g_watch.hView)
        GetClassNameA(hwnd, cls, sizeof cls);
    g_watch.events->push_back({event, hwnd == g_watch.hView ? "the view" : cls, MsSince(g_watch)});
}

// Object events (creation to the end of the range), out of context.
HWINEVENTHOOK Listen(DWORD pid, DWORD tid)
{
    const DWORD EVENT_OBJECT_LAST = 0x80FF;   // EVENT_OBJECT_END
    return SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_LAST, nullptr, OnEvent, pid, tid, WINEVENT_OUTOFCONTEXT);
}

} // namespace

RefillTiming TimeRefill(HWND hView, COLORREF marker, const std::function<void()>& trigger, DWORD timeoutMs)
{
    RefillTiming timing = {false, {}, -1};
    ViewState marked = ReadView(hView);
    marked.text = marker;
    marked.textBk = CLR_NONE;
    WriteView(hView, marked);

    DWORD pid = 0, tid = GetWindowThreadProcessId(hView, &pid);
    g_watch.hView = hView;
    g_watch.events = &timing.events;
    HWINEVENTHOOK hHook = Listen(pid, tid);
    if (!hHook)
        hHook = Listen(pid, 0);
    timing.listened = hHook != nullptr;
    QueryPerformanceFrequency(&g_watch.frequency);
    QueryPerformanceCounter(&g_watch.start);
    trigger();
    while (MsSince(g_watch) < timeoutMs) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        // the view may be made anew: the reset is seen on whichever is there
        DWORD_PTR text = marker;
        if (timing.resetMs < 0 && IsWindow(hView)
            && SendMessageTimeoutA(hView, LVM_GETTEXTCOLOR, 0, 0, SMTO_ABORTIFHUNG, VIEW_TIMEOUT_MS, &text)
            && (COLORREF)text != marker)
            timing.resetMs = MsSince(g_watch);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
    if (hHook)
        UnhookWinEvent(hHook);
    return timing;
}

std::string EventName(DWORD event)
{
    switch (event) {
    case EVENT_OBJECT_CREATE: return "EVENT_OBJECT_CREATE";
    case EVENT_OBJECT_DESTROY: return "EVENT_OBJECT_DESTROY";
    case EVENT_OBJECT_SHOW: return "EVENT_OBJECT_SHOW";
    case EVENT_OBJECT_HIDE: return "EVENT_OBJECT_HIDE";
    case EVENT_OBJECT_REORDER: return "EVENT_OBJECT_REORDER";
    case EVENT_OBJECT_FOCUS: return "EVENT_OBJECT_FOCUS";
    case EVENT_OBJECT_SELECTION: return "EVENT_OBJECT_SELECTION";
    case EVENT_OBJECT_STATECHANGE: return "EVENT_OBJECT_STATECHANGE";
    case EVENT_OBJECT_LOCATIONCHANGE: return "EVENT_OBJECT_LOCATIONCHANGE";
    case EVENT_OBJECT_NAMECHANGE: return "EVENT_OBJECT_NAMECHANGE";
    }
    char text[16];
    snprintf(text, sizeof text, "0x%04lX", (unsigned long)event);
    return text;
}
