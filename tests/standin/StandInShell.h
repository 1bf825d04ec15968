// Control messages of the stand-in desktop shell, posted by tests to its
// "Progman" window.
#pragma once
#include <windows.h>

enum {
    SHELL_RESET_COLORS = WM_APP + 1,    // put the shell's own label look back now
    SHELL_HANG = WM_APP + 2,            // wParam: stop answering for that many ms; lParam 1: reset first
    SHELL_RESET_PERIOD = WM_APP + 3,    // wParam: reset every that many ms, 0 stops
    SHELL_RESET_COUNT = WM_APP + 4,     // returns how many resets so far
    SHELL_SET_DESKTOP_COLOR = WM_APP + 5, // lParam: new COLORREF, system colour included
    SHELL_REPAIR_COUNT = WM_APP + 6,    // returns how many resets another process has repaired
    SHELL_LAST_REPAIR_US = WM_APP + 7,  // returns the last reset-to-repair time, in microseconds
    SHELL_PAINT_COUNT = WM_APP + 8,     // returns how many times the icon view has painted
    SHELL_LAST_REPAIR_AT = WM_APP + 9,  // returns when the last repair came: ShellClockUs()
    // Makes, on top of the others, a window that passes for a running copy of
    // the program in all but its file (a dialog titled "Vireola" with the
    // settings dialog's controls), and returns it.
    SHELL_MAKE_LOOK_ALIKE = WM_APP + 10,
    SHELL_LOOK_ALIKE_CLICKS = WM_APP + 11, // returns how many clicks its Remove From Memory got
    SHELL_CHECK_COUNT = WM_APP + 12,    // returns how many times another process asked for the label background
    // The taskbar is made anew, as after a restart of the shell or a change
    // of its DPI: its notification area is empty, and "TaskbarCreated" goes
    // to every top-level window.
    SHELL_NEW_TASKBAR = WM_APP + 13,
    // A refresh, as F5 on the desktop gives: the view is filled again, which
    // raises EVENT_OBJECT_REORDER as Windows' list view does (wParam
    // SHELL_REFRESH_UNANNOUNCED: as Wine's does, which raises nothing), and
    // the label colours are reset to the shell's look as the fill ends.
    SHELL_REFRESH = WM_APP + 14,
    // Raises EVENT_OBJECT_REORDER for a window of the shell's that is not the
    // view: wParam SHELL_OTHER_WINDOW, on the view's thread, or
    // SHELL_OTHER_THREAD, on another thread of the shell's.
    SHELL_RAISE_OTHER_REORDER = WM_APP + 15,
    // returns how many times another process judged the labels: asked whether
    // the shell answers (WM_NULL), then read their places
    SHELL_LABEL_READS = WM_APP + 16,
    SHELL_BUSY = WM_APP + 17,           // wParam: each list-view message from another process answered that many ms late
    SHELL_LAST_COLOR_AT = WM_APP + 18,  // returns when another process last set the label colour: ShellClockUs()
};

enum { SHELL_REFRESH_ANNOUNCED, SHELL_REFRESH_UNANNOUNCED };
enum { SHELL_OTHER_WINDOW, SHELL_OTHER_THREAD };

// A clock that every process reads alike, in microseconds, cut to 31 bits:
// differences of two readings less than half an hour apart are exact.
inline LONG ShellClockUs()
{
    LARGE_INTEGER now, freq;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&freq);
    return (LONG)((now.QuadPart / (freq.QuadPart / 1000000)) & 0x7FFFFFFF);
}
