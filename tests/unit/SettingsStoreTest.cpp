// The settings store against a user hive of the test's own.
#include "InProcess.h"
#include "settings/Settings.h"
#include <vector>

namespace {

using SettingsStore = RedirectedHive;

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
    MakeSoftwareKey();
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

TEST_F(SettingsStore, ValuesOfEveryTypeAndLengthReadAsTheirFirstFourBytesOrTheDefault)
{
    MakeSoftwareKey();
    const char* settings = "Software\\Morvane\\Vireola\\Settings";
    const char* custom = "Software\\Morvane\\Vireola\\CustomColors";
    for (const StoredShape& shape : EveryTypeAndLength()) {
        SCOPED_TRACE(shape.What());
        for (const char* name : {TEXT_COLOR_INDEX_VALUE, REAPPLY_VALUE, TRAY_ICON_VALUE, TEXT_COLOR_VALUE})
            SetValue(settings, name, shape.type, shape.data.data(), (DWORD)shape.data.size());
        for (char slot = 'A'; slot <= 'P'; ++slot)
            SetValue(custom, std::string(1, slot).c_str(), shape.type, shape.data.data(), (DWORD)shape.data.size());
        std::string before = Dump(settings) + Dump(custom);

        EXPECT_TRUE(shape.CanReadAs(ReadTextColorIndex(), DEFAULT_TEXT_COLOR_INDEX));
        EXPECT_TRUE(shape.CanReadAs(ReadReApply(), DEFAULT_REAPPLY));
        EXPECT_TRUE(shape.CanReadAs(ReadSetting(SETTINGS_SECTION, TEXT_COLOR_VALUE, DEFAULT_TEXT_COLOR),
                                    DEFAULT_TEXT_COLOR));
        COLORREF colors[CUSTOM_COLOR_COUNT];
        LoadCustomColors(colors);
        for (COLORREF color : colors)
            EXPECT_TRUE(shape.CanReadAs((LONG)color, DEFAULT_CUSTOM_COLOR));
        // reading never writes
        EXPECT_EQ(before, Dump(settings) + Dump(custom));
    }
}

} // namespace
