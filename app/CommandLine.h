// The program's one switch.
#pragma once

// The settings dialog opens when the argument text's second character is
// 'f' or 'F' ("/f", "-F", "/foo"); the first character is not looked at.
inline bool IsSettingsSwitch(const char* argumentText)
{
    return argumentText[0] != '\0' && (argumentText[1] == 'f' || argumentText[1] == 'F');
}
