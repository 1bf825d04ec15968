// The custom entry's colour, chosen in the system's colour dialog.
#pragma once
#include <windows.h>

// Opens the colour dialog on color, with the user's sixteen custom colours;
// a confirmed choice is stored at once, with the custom colours, and
// becomes color.
bool ChooseCustomColor(HWND hOwner, COLORREF& color);
