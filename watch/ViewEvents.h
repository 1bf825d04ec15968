// The desktop view's refills, caught as they happen. The shell fills its view
// again on a refresh, when it makes the view anew and for reasons of its own,
// and sets its label colours at the end of every fill, telling nobody; but
// Windows' list view raises EVENT_OBJECT_REORDER as its items come and go,
// and any process may listen to that without putting code into the shell.
// Only the view's own thread is listened to, so that the shell's other
// threads do not wake the program (under Wine, which takes no other
// process's thread for a filter, its whole process); of those windows, only
// the view counts. The watch's period stays the safety net for every reset that no
// event announces.
#pragma once
#include "../res/Messages.h"

// Listens to the view's thread for the window hNotify, which is sent
// WM_VIEW_REFILLED, and WM_VIEW_ITEMS_MOVED as the user moves an icon
// (Windows' list view tells of it): anew when the view is
// another window than before (another thread or process, too); not at all
// for none.
void ListenToView(HWND hView, HWND hNotify);
void StopListeningToView();
// The view listened to, or none.
HWND ViewListenedTo();

// Whether an event that the view's thread raised is the view's refill.
bool IsViewRefill(HWND hView, DWORD event, HWND hwnd);
// Whether it is one of the view's items moving.
bool IsItemMoved(HWND hView, DWORD event, HWND hwnd, LONG idChild);
