#include "color/ColorTable.h"
#include <gtest/gtest.h>

namespace {

const COLORREF WHITE = RGB(255, 255, 255);
const COLORREF BLACK = RGB(0, 0, 0);

struct ContrastCase
{
    BYTE r, g, b;
    COLORREF expected;
};

TEST(ContrastColor, PicksWhiteOrBlackForTellingBackgrounds)
{
    const ContrastCase cases[] = {
        {0, 0, 0, WHITE},       {255, 0, 0, WHITE},     {0, 0, 255, WHITE},
        {0, 204, 0, WHITE},     {0, 205, 0, BLACK},     {0, 128, 128, WHITE},
        {128, 128, 128, WHITE}, {129, 128, 128, BLACK}, {192, 192, 192, BLACK},
        {1, 0, 255, BLACK},     {128, 64, 0, WHITE},    {255, 192, 0, BLACK},
        {255, 255, 255, BLACK},
    };
    for (const ContrastCase& c : cases)
        EXPECT_EQ(c.expected, GetContrastColor(RGB(c.r, c.g, c.b)))
            << "background " << int(c.r) << ", " << int(c.g) << ", " << int(c.b);
}

TEST(ContrastColor, IgnoresTheTopByte)
{
    EXPECT_EQ(WHITE, GetContrastColor(0xFF808000));
    EXPECT_EQ(BLACK, GetContrastColor(0xFFC0C0C0));
    EXPECT_EQ(WHITE, GetContrastColor(0xFF000000));
}

// The list as the user sees it and the colours it stands for, written out
// here rather than read from the product.
struct Row
{
    const char* name;
    COLORREF color;     // 0 for the automatic entries of the constant table
};

const Row TABLE[COLOR_COUNT] = {
    {"(System Text Color)", 0},
    {"(System Background Color)", 0},
    {"(Custom Text Color)", 0},
    {"Black", 0x00000000},
    {"Navy Blue", 0x00800000},
    {"Forest Green", 0x00008000},
    {"Dark Cyan", 0x00808000},
    {"Maroon", 0x00000080},
    {"Purple", 0x00800080},
    {"Olive", 0x00008080},
    {"Brown", 0x00004080},
    {"Dark Gray", 0x00808080},
    {"Gray", 0x00C0C0C0},
    {"Blue", 0x00FF0000},
    {"Green", 0x0000FF00},
    {"Cyan", 0x00FFFF00},
    {"Red", 0x000000FF},
    {"Magenta", 0x00FF00FF},
    {"Yellow", 0x0000FFFF},
    {"Orange", 0x0000C0FF},
    {"White", 0x00FFFFFF},
    {"(Contrast With Wallpaper)", 0},
};

TEST(ColorTable, HoldsTheTwentyTwoEntriesInListOrder)
{
    for (int i = 0; i < COLOR_COUNT; ++i) {
        EXPECT_STREQ(TABLE[i].name, g_ColorTemplate.entry[i].name) << i;
        EXPECT_EQ(TABLE[i].color, g_ColorTemplate.entry[i].color) << i;
    }
}

TEST(ColorTable, FillsTheAutomaticEntriesOnly)
{
    ColorTable table = g_ColorTemplate;
    FillAutoColors(table, RGB(192, 192, 192), RGB(255, 0, 0), CLR_NONE);
    EXPECT_EQ(BLACK, table.entry[SYSTEM_TEXT_COLOR].color);
    EXPECT_EQ(RGB(192, 192, 192), table.entry[SYSTEM_BACKGROUND_COLOR].color);
    EXPECT_EQ(RGB(255, 0, 0), table.entry[CUSTOM_TEXT_COLOR].color);
    EXPECT_EQ(BLACK, table.entry[WALLPAPER_CONTRAST_COLOR].color) << "not evaluated: entry 0's";
    for (int i = 3; i < WALLPAPER_CONTRAST_COLOR; ++i)
        EXPECT_EQ(TABLE[i].color, table.entry[i].color) << i;

    FillAutoColors(table, RGB(0, 128, 128), 0, BLACK);
    EXPECT_EQ(WHITE, table.entry[SYSTEM_TEXT_COLOR].color);
    EXPECT_EQ(RGB(0, 128, 128), table.entry[SYSTEM_BACKGROUND_COLOR].color);
    EXPECT_EQ(BLACK, table.entry[CUSTOM_TEXT_COLOR].color);
    EXPECT_EQ(BLACK, table.entry[WALLPAPER_CONTRAST_COLOR].color);
}

TEST(ColorTable, LooksUpOutOfRangeIndicesAsBlack)
{
    ColorTable table = g_ColorTemplate;
    FillAutoColors(table, RGB(0, 0, 128), RGB(1, 2, 3), CLR_NONE);
    EXPECT_EQ(WHITE, ColorAt(table, 0));
    EXPECT_EQ(RGB(1, 2, 3), ColorAt(table, 2));
    EXPECT_EQ(WHITE, ColorAt(table, 20));
    for (int bad : {22, -1, 1000, INT_MIN, INT_MAX}) {
        EXPECT_EQ(3, ValidColorIndex(bad)) << bad;
        EXPECT_EQ(BLACK, ColorAt(table, bad)) << bad;
    }
}

TEST(ColorTable, AddsTheNamesToAComboBoxInTableOrder)
{
    HWND hCombo = CreateWindowExA(0, "COMBOBOX", "", CBS_DROPDOWNLIST, 0, 0, 100, 100, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(hCombo);
    AddColorNames(hCombo, g_ColorTemplate);
    ASSERT_EQ(COLOR_COUNT, SendMessageA(hCombo, CB_GETCOUNT, 0, 0));
    char text[64];
    for (int i = 0; i < COLOR_COUNT; ++i) {
        SendMessageA(hCombo, CB_GETLBTEXT, i, (LPARAM)text);
        EXPECT_STREQ(TABLE[i].name, text);
    }
    DestroyWindow(hCombo);
}

} // namespace
