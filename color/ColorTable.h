// The 22 label text colours the user picks from, and the contrast rule.
#pragma once
#include <windows.h>
#include <commctrl.h>

struct ColorEntry
{
    char name[32];
    COLORREF color;
};

enum {
    COLOR_COUNT = 22,
    SYSTEM_TEXT_COLOR = 0,          // contrast colour of the desktop background
    SYSTEM_BACKGROUND_COLOR = 1,    // the desktop background itself
    CUSTOM_TEXT_COLOR = 2,          // the stored custom colour
    // Black or white, as reads better on the wallpaper behind the labels.
    // Appended, so that every index stored before keeps its meaning.
    WALLPAPER_CONTRAST_COLOR = 21,
};

struct ColorTable
{
    ColorEntry entry[COLOR_COUNT];
};

// The constant rows; the four automatic ones are filled by FillAutoColors.
extern const ColorTable g_ColorTemplate;

// White or black, whichever reads better on the background.
COLORREF GetContrastColor(COLORREF background);

// The automatic entries from a desktop colour, a custom colour and the
// wallpaper's last evaluated colour; until there is one (CLR_NONE), the
// wallpaper's entry is the desktop colour's contrast, as entry 0.
void FillAutoColors(ColorTable& table, COLORREF desktop, COLORREF custom, COLORREF wallpaper);
// The same from the system's desktop colour and the stored custom colour.
void FillAutoColors(ColorTable& table, COLORREF wallpaper = CLR_NONE);

void AddColorNames(HWND hComboBox, const ColorTable& table);

// A stored index or a list selection outside the table (a hand-edited value,
// or no selection at all) stands for the default entry, "Black".
int ValidColorIndex(int index);
COLORREF ColorAt(const ColorTable& table, int index);
