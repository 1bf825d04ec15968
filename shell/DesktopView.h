// The shell's desktop icon view: a list view in another process that is
// looked up afresh for every operation and told which label colours to draw.
#pragma once
#include "../color/ColorTable.h"
#include <commctrl.h>

enum {
    // How long one message to the shell may take before the program gives up
    // on it, so that a hung shell never freezes the program.
    SHELL_MESSAGE_TIMEOUT_MS = 500,
    // How long the dialog's thread waits on the shell at most in one turn,
    // whatever number of messages the turn sends.
    SHELL_TURN_MS = 500,
    // After a message the shell did not answer in time, the watch's turns
    // send nothing for this long: a busy shell does not hold the dialog's
    // thread, where broadcasts, clicks and the end of the session wait.
    SHELL_REST_MS = 1000,
};

HWND FindDesktopListView();
// One message, which gives up after timeoutMs; false when it did not answer
// in time.
bool SendToView(HWND hView, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result = nullptr,
                DWORD timeoutMs = SHELL_MESSAGE_TIMEOUT_MS);

// The messages that go to the view in one go, every one through here. A turn
// ends at its first message that is not answered in time.
class ShellTurn
{
public:
    enum Kind {
        WATCH,      // the dialog's thread, unasked: SHELL_TURN_MS in all, nothing while resting
        USER,       // the dialog's thread, for what the user asked: SHELL_TURN_MS in all
        WORKER,     // a worker thread: each message SHELL_MESSAGE_TIMEOUT_MS
    };
    explicit ShellTurn(Kind kind);
    bool Send(HWND hView, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result = nullptr);

private:
    Kind m_kind;
    DWORD m_start;
    bool m_bOver = false;
};

void SetListViewColors(HWND hListView, COLORREF text, COLORREF textBk, ShellTurn& turn);
void ApplyDesktopColors(COLORREF text, COLORREF textBk);
// Puts the wanted colour back on a transparent background if the shell has
// reset either (none: nothing is wanted yet); returns the view it found, or
// none.
HWND ReapplyIfReset(COLORREF wanted, ShellTurn& turn);
// The shell's own look: contrast text, on an opaque desktop-colour background
// where the shell draws one.
void RestoreDesktopColors();
