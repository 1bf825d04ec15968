// The 21 label text colours the user picks from, and the contrast rule.
#pragma once
#include <windows.h>

struct ColorEntry
{
    char name[32];
    COLORREF color;
};

enum {
    COLOR_COUNT = 21,
    SYSTEM_TEXT_COLOR = 0,          // contrast colour of the desktop background
    SYSTEM_BACKGROUND_COLOR = 1,    // the desktop background itself
    CUSTOM_TEXT_COLOR = 2,          // the stored custom colour
};

struct ColorTable
{
    ColorEntry entry[COLOR_COUNT];
};

// The constant rows; the three automatic ones are filled by FillAutoColors.
extern const ColorTable g_ColorTemplate;

// White or black, whichever reads better on the background.
COLORREF GetContrastColor(COLORREF background);

// Entries 0 to 2 from a desktop colour and a custom colour.
void FillAutoColors(ColorTable& table, COLORREF desktop, COLORREF custom);
// The same from the system's desktop colour and the stored custom colour.
void FillAutoColors(ColorTable& table);

void AddColorNames(HWND hComboBox, const ColorTable& table);

// A stored index or a list selection outside the table (a hand-edited value,
// or no selection at all) stands for the default entry, "Black".
int ValidColorIndex(int index);
COLORREF ColorAt(const ColorTable& table, int index);
