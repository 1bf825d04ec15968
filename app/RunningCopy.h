// The running copy of the program is its settings dialog: a dialog window
// with the program's title and the dialog's own controls, hidden while the
// copy sits resident. Other windows may carry the same title (File Explorer
// shows a folder named Vireola so, and an installer's progress window names
// its product): none of them is a running copy.
#pragma once
#include "StartLock.h"
#include "../res/resource.h"
#include "../ui/VireolaDlg.h"
#include <windows.h>

// The next settings dialog after hAfter (from the first with none).
inline HWND NextRunningCopy(const char* title, HWND hAfter = nullptr)
{
    for (HWND hDlg = hAfter; (hDlg = FindWindowExA(nullptr, hDlg, "#32770", title)) != nullptr;)
        if (GetDlgItem(hDlg, IDC_TEXT_COLOR) && GetDlgItem(hDlg, IDC_REMOVE_FROM_MEMORY))
            return hDlg;
    return nullptr;
}

// A second start hands over to the running copy, which shows its dialog
// itself: only the process the user started may let another take the
// foreground. A copy of an earlier version, which does not know the message,
// is shown as those versions showed it. Nothing here waits without a bound on
// the running copy, which may not answer; and the next copy to start need not
// wait for this one to end.
void HandOver(HWND hRunning, CStartLock& lock);
