#include "Settings.h"
#include "../framework/WinApp.h"
#include "../res/resource.h"

static char g_szCompanyKey[256];
static char g_szAppKey[256];

static const REGSAM KEY_ACCESS = KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE;

void SetSettingsCompanyKey()
{
    LoadStringA(AfxGetApp()->m_hInstance, IDS_COMPANY_KEY, g_szCompanyKey, sizeof g_szCompanyKey);
    lstrcpynA(g_szAppKey, AfxGetAppName(), sizeof g_szAppKey);
}

static HKEY CreateKey(HKEY hParent, const char* name)
{
    HKEY hKey = nullptr;
    DWORD disposition;
    if (RegCreateKeyExA(hParent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ACCESS, nullptr,
                        &hKey, &disposition) != ERROR_SUCCESS)
        return nullptr;
    return hKey;
}

// "Software" is only opened; the keys below it are made when missing.
static HKEY OpenSectionKey(const char* section)
{
    HKEY hSoftware = nullptr, hCompany = nullptr, hApp = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_ACCESS, &hSoftware) == ERROR_SUCCESS) {
        hCompany = CreateKey(hSoftware, g_szCompanyKey);
        if (hCompany)
            hApp = CreateKey(hCompany, g_szAppKey);
    }
    if (hSoftware)
        RegCloseKey(hSoftware);
    if (hCompany)
        RegCloseKey(hCompany);
    if (!hApp)
        return nullptr;
    HKEY hSection = CreateKey(hApp, section);
    RegCloseKey(hApp);
    return hSection;
}

LONG ReadSetting(const char* section, const char* name, LONG nDefault)
{
    // Shorter data fills only the low bytes; the rest stays zero.
    DWORD type, value = 0, size = sizeof value;
    return ReadSettingData(section, name, type, &value, size) ? (LONG)value : nDefault;
}

bool ReadSettingData(const char* section, const char* name, DWORD& type, void* data, DWORD& size)
{
    HKEY hSection = OpenSectionKey(section);
    if (!hSection)
        return false;
    LONG status = RegQueryValueExA(hSection, name, nullptr, &type, (BYTE*)data, &size);
    RegCloseKey(hSection);
    return status == ERROR_SUCCESS;
}

bool WriteSettingData(const char* section, const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY hSection = OpenSectionKey(section);
    if (!hSection)
        return false;
    LONG status = RegSetValueExA(hSection, name, 0, type, (const BYTE*)data, size);
    RegCloseKey(hSection);
    return status == ERROR_SUCCESS;
}

bool WriteSetting(const char* section, const char* name, LONG value)
{
    return WriteSettingData(section, name, REG_DWORD, &value, sizeof value);
}

LONG ReadReApply()
{
    return ReadSetting(SETTINGS_SECTION, REAPPLY_VALUE, DEFAULT_REAPPLY);
}

LONG ReadTextColorIndex()
{
    return ReadSetting(SETTINGS_SECTION, TEXT_COLOR_INDEX_VALUE, DEFAULT_TEXT_COLOR_INDEX);
}

void SaveDialogSettings(int colorIndex, int reApply, int trayIcon)
{
    WriteSetting(SETTINGS_SECTION, TEXT_COLOR_INDEX_VALUE, colorIndex);
    WriteSetting(SETTINGS_SECTION, REAPPLY_VALUE, reApply);
    WriteSetting(SETTINGS_SECTION, TRAY_ICON_VALUE, trayIcon);
}

// The colour dialog's slots are stored as "A" to "P".
static void CustomColorName(int slot, char name[2])
{
    name[0] = (char)('A' + slot);
    name[1] = '\0';
}

void LoadCustomColors(COLORREF colors[CUSTOM_COLOR_COUNT])
{
    char name[2];
    for (int i = 0; i < CUSTOM_COLOR_COUNT; ++i) {
        CustomColorName(i, name);
        colors[i] = (COLORREF)ReadSetting(CUSTOM_COLORS_SECTION, name, DEFAULT_CUSTOM_COLOR);
    }
}

void SaveCustomColors(const COLORREF colors[CUSTOM_COLOR_COUNT])
{
    char name[2];
    for (int i = 0; i < CUSTOM_COLOR_COUNT; ++i) {
        CustomColorName(i, name);
        WriteSetting(CUSTOM_COLORS_SECTION, name, (LONG)colors[i]);
    }
}
