// The shell's desktop icon view: a list view in another process that is
// looked up afresh for every operation and told which label colours to draw.
#pragma once
#include "../color/ColorTable.h"
#include <commctrl.h>

// How long a message to the shell may take before the program gives up on it,
// so that a hung shell never freezes the program.
enum { SHELL_MESSAGE_TIMEOUT_MS = 500 };

HWND FindDesktopListView();
// Every message to the view goes through here; false when it did not answer
// in time.
bool SendToView(HWND hView, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result = nullptr);
void SetListViewColors(HWND hListView, COLORREF text, COLORREF textBk);
void ApplyDesktopColors(COLORREF text, COLORREF textBk);
// Puts the wanted colour back on a transparent background if the shell has
// reset either (none: nothing is wanted yet); returns the view it found, or
// none.
HWND ReapplyIfReset(COLORREF wanted);
// The shell's own look: contrast text, on an opaque desktop-colour background
// where the shell draws one.
void RestoreDesktopColors();
