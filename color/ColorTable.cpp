#include "ColorTable.h"
#include "../settings/Settings.h"

const ColorTable g_ColorTemplate = {{
    {"(System Text Color)", 0},
    {"(System Background Color)", 0},
    {"(Custom Text Color)", 0},
    {"Black", RGB(0, 0, 0)},
    {"Navy Blue", RGB(0, 0, 128)},
    {"Forest Green", RGB(0, 128, 0)},
    {"Dark Cyan", RGB(0, 128, 128)},
    {"Maroon", RGB(128, 0, 0)},
    {"Purple", RGB(128, 0, 128)},
    {"Olive", RGB(128, 128, 0)},
    {"Brown", RGB(128, 64, 0)},
    {"Dark Gray", RGB(128, 128, 128)},
    {"Gray", RGB(192, 192, 192)},
    {"Blue", RGB(0, 0, 255)},
    {"Green", RGB(0, 255, 0)},
    {"Cyan", RGB(0, 255, 255)},
    {"Red", RGB(255, 0, 0)},
    {"Magenta", RGB(255, 0, 255)},
    {"Yellow", RGB(255, 255, 0)},
    {"Orange", RGB(255, 192, 0)},
    {"White", RGB(255, 255, 255)},
    {"(Contrast With Wallpaper)", 0},
}};

static const COLORREF WHITE = RGB(255, 255, 255);
static const COLORREF BLACK = RGB(0, 0, 0);

COLORREF GetContrastColor(COLORREF background)
{
    BYTE r = GetRValue(background), g = GetGValue(background), b = GetBValue(background);
    int nonZero = (r != 0) + (g != 0) + (b != 0);
    if (nonZero <= 1)
        return g >= 205 ? BLACK : WHITE;    // only a bright pure green counts as light
    return (r > 128 || g > 128 || b > 128) ? BLACK : WHITE;
}

void FillAutoColors(ColorTable& table, COLORREF desktop, COLORREF custom, COLORREF wallpaper)
{
    table.entry[SYSTEM_BACKGROUND_COLOR].color = desktop;
    table.entry[SYSTEM_TEXT_COLOR].color = GetContrastColor(desktop);
    table.entry[CUSTOM_TEXT_COLOR].color = custom;
    table.entry[WALLPAPER_CONTRAST_COLOR].color = wallpaper == CLR_NONE ? GetContrastColor(desktop) : wallpaper;
}

void FillAutoColors(ColorTable& table, COLORREF wallpaper)
{
    COLORREF desktop = GetSysColor(COLOR_BACKGROUND);
    FillAutoColors(table, desktop, (COLORREF)ReadSetting(SETTINGS_SECTION, TEXT_COLOR_VALUE, DEFAULT_TEXT_COLOR),
                   wallpaper);
}

void AddColorNames(HWND hComboBox, const ColorTable& table)
{
    for (const ColorEntry& e : table.entry)
        SendMessageA(hComboBox, CB_ADDSTRING, 0, (LPARAM)e.name);
}

int ValidColorIndex(int index)
{
    return index >= 0 && index < COLOR_COUNT ? index : DEFAULT_TEXT_COLOR_INDEX;
}

COLORREF ColorAt(const ColorTable& table, int index)
{
    return table.entry[ValidColorIndex(index)].color;
}
