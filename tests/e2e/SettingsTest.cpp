// Stored values as the program reads them, good and bad.
#include "Harness.h"

namespace {

using StoredSettings = EndToEnd;

struct StoredIndex
{
    const char* what;
    DWORD type;
    std::vector<BYTE> data;
    COLORREF applied;
};

// With re-apply off, the program applies the stored colour once and ends.
COLORREF AppliedAtStart()
{
    Desktop desktop;
    Vireola program;
    EXPECT_EQ(0u, program.Wait());
    return desktop.TextColor();
}

TEST_F(StoredSettings, TheColourIndexIsReadWhateverItsShape)
{
    const StoredIndex cases[] = {
        {"a DWORD", REG_DWORD, {20, 0, 0, 0}, WHITE},
        {"four bytes of another type", REG_BINARY, {18, 0, 0, 0}, YELLOW},
        {"one byte: the missing bytes are zero", REG_BINARY, {18}, YELLOW},
        {"two bytes", REG_BINARY, {20, 0}, WHITE},
        {"longer data: the default", REG_BINARY, {20, 0, 0, 0, 0, 0, 0, 0}, BLACK},
        {"a string: the default", REG_SZ, {'2', '0', '0', '0', 0}, BLACK},
        {"past the table", REG_DWORD, {22, 0, 0, 0}, BLACK},
        {"negative", REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}, BLACK},
        {"huge", REG_DWORD, {0xFF, 0xFF, 0xFF, 0x7F}, BLACK},
    };
    for (const StoredIndex& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteAllSettings();
        SetDword("Settings", "ReApply", 0);
        SetValue("Settings", "TextColorIndex", c.type, c.data.data(), (DWORD)c.data.size());
        EXPECT_EQ(c.applied, AppliedAtStart());
    }
}

TEST_F(StoredSettings, TheCustomColourBecomesEntryTwo)
{
    SetDword("Settings", "ReApply", 0);
    SetDword("Settings", "TextColorIndex", 2);
    SetDword("Settings", "TextColor", RED);
    EXPECT_EQ(RED, AppliedAtStart());
}

TEST_F(StoredSettings, TheAutomaticEntriesFollowTheDesktopColour)
{
    SetDword("Settings", "ReApply", 0);
    SetDword("Settings", "TextColorIndex", 0);
    {
        Desktop desktop("--color 808000");
        Vireola program;
        EXPECT_EQ(0u, program.Wait());
        EXPECT_EQ(RGB(255, 255, 255), desktop.TextColor());
    }
    SetDword("Settings", "TextColorIndex", 1);
    Desktop desktop("--color C0C0C0");
    Vireola program;
    EXPECT_EQ(0u, program.Wait());
    EXPECT_EQ(RGB(192, 192, 192), desktop.TextColor());
}

TEST_F(StoredSettings, ReApplyStoredAsFourBytesOfAnotherTypeCounts)
{
    const BYTE zero[4] = {};
    SetValue("Settings", "ReApply", REG_BINARY, zero, sizeof zero);
    Desktop desktop;
    Vireola program;
    EXPECT_EQ(0u, program.Wait());
}

} // namespace
