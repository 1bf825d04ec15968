// What every copy of the program, its start and its installer agree on: the
// message a second start sends, the switches, the start lock and how a
// running copy is told from other windows with its title. Copies of earlier
// and later versions meet through these, so they never change.
#pragma once
#include "resource.h"
#include <windows.h>

// Posted by a second start of the program: show the dialog and come to the front.
#define WM_SHOW_DIALOG (WM_APP + 102)

// The settings dialog opens when the argument text's second character is
// 'f' or 'F' ("/f", "-F", "/foo"); the first character is not looked at.
inline bool IsSettingsSwitch(const char* argumentText)
{
    return argumentText[0] != '\0' && (argumentText[1] == 'f' || argumentText[1] == 'F');
}

// The starts that the system makes, not the user: the start at logon (the
// installer's Run value) and the restart after an update or at sign-in
// (Windows 10 1709 and later start again at sign-in what was registered for
// a restart, beside the start at logon). Both are silent starts, which end
// beside a running copy.
#define LOGON_SWITCH "/logon"
#define RESTART_SWITCH "/restart"
#define RESTART_COMMAND_LINE L"" RESTART_SWITCH

inline bool IsAutomaticStart(const char* argumentText)
{
    return lstrcmpiA(argumentText, LOGON_SWITCH) == 0 || lstrcmpiA(argumentText, RESTART_SWITCH) == 0;
}

// Copies started at the same moment take turns at "look for a running copy,
// else become it"; in the session's own namespace, so that each logged-on
// user has a copy of their own.
#define START_LOCK_NAME "Local\\Morvane.Vireola.Start"

// The running copy of the program is its settings dialog: a dialog window
// with the program's title and the dialog's own controls, hidden while the
// copy sits resident. Other windows may carry the same title (File Explorer
// shows a folder named Vireola so, and an installer's progress window names
// its product): none of them is a running copy. The next such dialog after
// hAfter (from the first with none).
inline HWND NextRunningCopy(const char* title, HWND hAfter = nullptr)
{
    for (HWND hDlg = hAfter; (hDlg = FindWindowExA(nullptr, hDlg, "#32770", title)) != nullptr;)
        if (GetDlgItem(hDlg, IDC_TEXT_COLOR) && GetDlgItem(hDlg, IDC_REMOVE_FROM_MEMORY))
            return hDlg;
    return nullptr;
}
