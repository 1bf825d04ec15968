// The About entry of the system menu, on a window of the test's own (another
// process's menus cannot be read under Wine).
#include "InProcess.h"
#include "res/resource.h"
#include "ui/AboutDlg.h"
#include <gtest/gtest.h>

namespace {

TEST(AboutMenu, TheSystemMenuEndsWithASeparatorAndTheEntry)
{
    TestApp app;
    HWND hWnd = CreateWindowExA(0, "STATIC", "x", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                app.m_hInstance, nullptr);
    ASSERT_TRUE(hWnd);
    int before = GetMenuItemCount(GetSystemMenu(hWnd, FALSE));
    UINT platformLast = GetMenuItemID(GetSystemMenu(hWnd, FALSE), before - 1);
    AddAboutMenuEntry(hWnd);

    HMENU hMenu = GetSystemMenu(hWnd, FALSE);
    int count = GetMenuItemCount(hMenu);
    ASSERT_EQ(before + 2, count);
    EXPECT_EQ(platformLast, GetMenuItemID(hMenu, count - 3));
    EXPECT_TRUE(GetMenuState(hMenu, count - 2, MF_BYPOSITION) & MF_SEPARATOR);
    char text[64] = "";
    GetMenuStringA(hMenu, count - 1, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ("&About Vireola...", text);
    EXPECT_EQ(ID_SYSMENU_ABOUT, (int)GetMenuItemID(hMenu, count - 1));
    DestroyWindow(hWnd);
}

TEST(AboutMenu, AnyCommandFrom16To31IsTheEntry)
{
    for (UINT id = 16; id <= 31; ++id)
        EXPECT_TRUE(IsAboutCommand(id)) << id;
    for (UINT id : {0u, 15u, 32u, (UINT)SC_CLOSE, (UINT)SC_MOVE, (UINT)SC_KEYMENU})
        EXPECT_FALSE(IsAboutCommand(id)) << id;
}

} // namespace
