// Control messages of the stand-in desktop shell, posted by tests to its
// "Progman" window.
#pragma once
#include <windows.h>

enum {
    SHELL_RESET_COLORS = WM_APP + 1,    // put the shell's own label look back now
    SHELL_HANG = WM_APP + 2,            // wParam: stop answering for that many ms
    SHELL_RESET_PERIOD = WM_APP + 3,    // wParam: reset every that many ms, 0 stops
    SHELL_RESET_COUNT = WM_APP + 4,     // returns how many resets so far
    SHELL_SET_DESKTOP_COLOR = WM_APP + 5, // lParam: new COLORREF, system colour included
};
