// The program's switches.
#pragma once
#include "../ui/VireolaDlg.h"
#include <windows.h>

// The settings dialog opens when the argument text's second character is
// 'f' or 'F' ("/f", "-F", "/foo"); the first character is not looked at.
inline bool IsSettingsSwitch(const char* argumentText)
{
    return argumentText[0] != '\0' && (argumentText[1] == 'f' || argumentText[1] == 'F');
}

// The starts that the system makes, not the user: the start at logon (the
// installer's Run value) and the restart after an update or at sign-in
// (Windows 10 1709 and later start again at sign-in what was registered for
// a restart, beside the start at logon; its switch is the dialog's, which
// registers it). Both are silent starts.
#define LOGON_SWITCH "/logon"

inline bool IsAutomaticStart(const char* argumentText)
{
    return lstrcmpiA(argumentText, LOGON_SWITCH) == 0 || lstrcmpiA(argumentText, RESTART_SWITCH) == 0;
}
