// An icon the program loads at a size of its own choosing is not shared:
// its one owner destroys it when it loads another and when it goes.
#include "framework/Controls.h"
#include "res/resource.h"
#include <gtest/gtest.h>

namespace {

bool IsIcon(HICON hIcon)
{
    ICONINFO info;
    if (!GetIconInfo(hIcon, &info))
        return false;
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return true;
}

TEST(OwnedIcon, IsDestroyedWhenAnotherIsLoadedAndWhenItsOwnerGoes)
{
    HINSTANCE hInst = GetModuleHandleA(nullptr);
    HICON first, second;
    {
        CIcon icon;
        ASSERT_TRUE(icon.Load(hInst, IDR_MAINFRAME, 16, 16));
        first = icon.m_hIcon;
        ASSERT_TRUE(IsIcon(first));
        ASSERT_TRUE(icon.Load(hInst, IDR_MAINFRAME, 24, 24));
        second = icon.m_hIcon;
        ASSERT_NE(first, second);
        EXPECT_FALSE(IsIcon(first));
        EXPECT_TRUE(IsIcon(second));
    }
    EXPECT_FALSE(IsIcon(second));
}

} // namespace
