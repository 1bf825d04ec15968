// The running copy of the program is its settings dialog: a dialog window
// with the program's title and the dialog's own controls, hidden while the
// copy sits resident. Other windows may carry the same title (File Explorer
// shows a folder named Vireola so, and an installer's progress window names
// its product): none of them is a running copy.
#pragma once
#include "../res/resource.h"
#include <windows.h>

// The next settings dialog after hAfter (from the first with none).
inline HWND NextRunningCopy(const char* title, HWND hAfter = nullptr)
{
    for (HWND hDlg = hAfter; (hDlg = FindWindowExA(nullptr, hDlg, "#32770", title)) != nullptr;)
        if (GetDlgItem(hDlg, IDC_TEXT_COLOR) && GetDlgItem(hDlg, IDC_REMOVE_FROM_MEMORY))
            return hDlg;
    return nullptr;
}
