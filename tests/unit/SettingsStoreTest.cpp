// The settings store against a user hive of the test's own: HKEY_CURRENT_USER
// is redirected, inside this process only, to a scratch key.
#include "framework/WinApp.h"
#include "settings/Settings.h"
#include <gtest/gtest.h>
#include <shlwapi.h>

namespace {

const char SCRATCH_KEY[] = "Software\\Morvane\\VireolaStoreTest";

struct TestApp : CWinApp
{
    TestApp()
    {
        m_hInstance = GetModuleHandleA(nullptr);
        lstrcpynA(m_szAppName, "Vireola", sizeof m_szAppName);
    }
    BOOL StartInstance() override { return FALSE; }
};

class SettingsStore : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SHDeleteKeyA(HKEY_CURRENT_USER, SCRATCH_KEY);
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, SCRATCH_KEY, 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &m_hHive, nullptr));
        ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, m_hHive));
        SetSettingsCompanyKey();
    }
    void TearDown() override
    {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegCloseKey(m_hHive);
        SHDeleteKeyA(HKEY_CURRENT_USER, SCRATCH_KEY);
    }
    bool HiveHas(const char* path)
    {
        HKEY hKey;
        if (RegOpenKeyExA(m_hHive, path, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
            return false;
        RegCloseKey(hKey);
        return true;
    }

    TestApp m_app;
    HKEY m_hHive = nullptr;
};

TEST_F(SettingsStore, WithoutASoftwareKeyReadsGiveDefaultsAndNothingIsMade)
{
    EXPECT_EQ(DEFAULT_TEXT_COLOR_INDEX, ReadTextColorIndex());
    EXPECT_EQ(DEFAULT_REAPPLY, ReadReApply());
    EXPECT_FALSE(WriteSetting(SETTINGS_SECTION, REAPPLY_VALUE, 0));
    SaveDialogSettings(18, 0, 0);
    EXPECT_EQ(DEFAULT_TEXT_COLOR_INDEX, ReadTextColorIndex());

    COLORREF colors[CUSTOM_COLOR_COUNT];
    LoadCustomColors(colors);
    for (COLORREF color : colors)
        EXPECT_EQ((COLORREF)DEFAULT_CUSTOM_COLOR, color);
    SaveCustomColors(colors);
    EXPECT_FALSE(HiveHas("Software"));
}

TEST_F(SettingsStore, UnderASoftwareKeyTheMissingKeysAreMadeAndValuesKept)
{
    HKEY hSoftware;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(m_hHive, "Software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &hSoftware, nullptr));
    RegCloseKey(hSoftware);

    EXPECT_EQ(DEFAULT_REAPPLY, ReadReApply());
    EXPECT_TRUE(HiveHas("Software\\Morvane\\Vireola\\Settings"));
    SaveDialogSettings(18, 0, 0);
    EXPECT_EQ(18, ReadTextColorIndex());
    EXPECT_EQ(0, ReadReApply());
    EXPECT_EQ(0, ReadSetting(SETTINGS_SECTION, TRAY_ICON_VALUE, DEFAULT_TRAY_ICON));

    COLORREF colors[CUSTOM_COLOR_COUNT];
    for (int i = 0; i < CUSTOM_COLOR_COUNT; ++i)
        colors[i] = RGB(i, 2 * i, 255 - i);
    SaveCustomColors(colors);
    COLORREF loaded[CUSTOM_COLOR_COUNT] = {};
    LoadCustomColors(loaded);
    for (int i = 0; i < CUSTOM_COLOR_COUNT; ++i)
        EXPECT_EQ(colors[i], loaded[i]) << i;
}

} // namespace
