// Settings in HKEY_CURRENT_USER\Software\<company>\<application>\<section>.
// Nothing is cached: every read and write opens and closes its own keys, and
// a missing value yields its default.
#pragma once
#include <windows.h>
#include <commctrl.h>

#define SETTINGS_SECTION        "Settings"
#define CUSTOM_COLORS_SECTION   "CustomColors"
#define TEXT_COLOR_INDEX_VALUE  "TextColorIndex"
#define REAPPLY_VALUE           "ReApply"
#define TRAY_ICON_VALUE         "TrayIcon"
#define TEXT_COLOR_VALUE        "TextColor"

enum {
    DEFAULT_TEXT_COLOR_INDEX = 3,           // "Black"
    DEFAULT_REAPPLY = 1,
    DEFAULT_TRAY_ICON = 1,
    DEFAULT_TEXT_COLOR = 0,                 // black
    DEFAULT_CUSTOM_COLOR = 0x00FFFFFF,      // white
    CUSTOM_COLOR_COUNT = 16,
};

void SetSettingsCompanyKey();
LONG ReadSetting(const char* section, const char* name, LONG nDefault);
bool WriteSetting(const char* section, const char* name, LONG value);
// A value as stored, of any type; false where it is missing or larger than size.
bool ReadSettingData(const char* section, const char* name, DWORD& type, void* data, DWORD& size);
bool WriteSettingData(const char* section, const char* name, DWORD type, const void* data, DWORD size);

LONG ReadReApply();
LONG ReadTextColorIndex();
void SaveDialogSettings(int colorIndex, int reApply, int trayIcon);
void LoadCustomColors(COLORREF colors[CUSTOM_COLOR_COUNT]);
void SaveCustomColors(const COLORREF colors[CUSTOM_COLOR_COUNT]);
