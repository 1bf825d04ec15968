#include "ViewEvents.h"

namespace {

// One view is listened to at a time, on the program's one thread: for its
// refills and for its items' moves, each alone, so that the events between
// (focus, selection, hover) never wake the program.
const DWORD EVENTS[] = {EVENT_OBJECT_REORDER, EVENT_OBJECT_LOCATIONCHANGE};
HWINEVENTHOOK g_hHooks[2];
HWND g_hView, g_hNotify;

// Out of context, the event comes to the thread that listens, as it waits
// for its messages.
void CALLBACK OnViewEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG idObject, LONG idChild, DWORD, DWORD)
{
    if (IsViewRefill(g_hView, event, hwnd))
        SendMessageA(g_hNotify, WM_VIEW_REFILLED, 0, 0);
    else if (idObject == OBJID_CLIENT && IsItemMoved(g_hView, event, hwnd, idChild))
        SendMessageA(g_hNotify, WM_VIEW_ITEMS_MOVED, 0, 0);
}

} // namespace

void ListenToView(HWND hView, HWND hNotify)
{
    if (hView == g_hView)
        return;
    StopListeningToView();
    // a view that cannot be listened to is not asked again until another is found
    g_hView = hView;
    g_hNotify = hNotify;
    DWORD pid = 0;
    DWORD tid = hView ? GetWindowThreadProcessId(hView, &pid) : 0;
    if (!tid)
        return;
    for (int i = 0; i < 2; ++i) {
        g_hHooks[i] = SetWinEventHook(EVENTS[i], EVENTS[i], nullptr, OnViewEvent, pid, tid, WINEVENT_OUTOFCONTEXT);
        // Wine takes no thread of another process for a filter: the whole
        // process then, whose other windows the event's window tells apart
        if (!g_hHooks[i])
            g_hHooks[i] = SetWinEventHook(EVENTS[i], EVENTS[i], nullptr, OnViewEvent, pid, 0, WINEVENT_OUTOFCONTEXT);
    }
}

void StopListeningToView()
{
    for (HWINEVENTHOOK& hHook : g_hHooks) {
        if (hHook)
            UnhookWinEvent(hHook);
        hHook = nullptr;
    }
    g_hView = nullptr;
}

HWND ViewListenedTo()
{
    return g_hHooks[0] || g_hHooks[1] ? g_hView : nullptr;
}

bool IsViewRefill(HWND hView, DWORD event, HWND hwnd)
{
    return event == EVENT_OBJECT_REORDER && hView && hwnd == hView;
}

// The view's own window moves as itself, not as an item.
bool IsItemMoved(HWND hView, DWORD event, HWND hwnd, LONG idChild)
{
    return event == EVENT_OBJECT_LOCATIONCHANGE && hView && hwnd == hView && idChild > CHILDID_SELF;
}
