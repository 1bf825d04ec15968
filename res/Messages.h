// The settings dialog's own messages and timers, all in one place: each goes
// to the one part that owns it. Values a message does not expect are
// ignored, never trusted: any program may post a number of this range to
// every top-level window.
#pragma once
#include "Copies.h"   // WM_SHOW_DIALOG (WM_APP + 102), from a second start
#include <windows.h>

// The notification-area icon's mouse events: wParam the icon's id, lParam
// the mouse message.
#define WM_TRAYNOTIFY (WM_APP + 100)
// Posted by the watch to itself for the first check of a burst; no values.
#define WM_CHECK_NOW (WM_APP + 101)
// Sent by the desktop view's listener when the shell has filled its view
// again; no values.
#define WM_VIEW_REFILLED (WM_APP + 103)
// An evaluation of the wallpaper has ended: wParam its generation, which
// the wallpaper's part looks its result up by; lParam none.
#define WM_WALLPAPER_EVALUATED (WM_APP + 104)
// The picture's file has changed; no values.
#define WM_WALLPAPER_FILE_CHANGED (WM_APP + 105)
// Sent by the desktop view's listener when the user has moved an icon; no
// values.
#define WM_VIEW_ITEMS_MOVED (WM_APP + 106)

enum {
    WATCH_TIMER_ID = 1,            // the re-apply watch's period and bursts
    TRAY_RETRY_TIMER_ID = 2,       // the notification-area icon's add, retried
    SESSION_RETRY_TIMER_ID = 3,    // the session's notifications, retried
    WALLPAPER_TIMER_ID = 4,        // the wallpaper's next evaluation, or a look at a hung shell
    WALLPAPER_BOUND_TIMER_ID = 5,  // a look at the running evaluation's calls into the shell
};
