// A dialog moved to a monitor of another scale: it takes the rectangle that
// Windows suggests and loads its images anew at the sizes of the new DPI.
// Wine never sends WM_DPICHANGED, so the test posts it as Windows would.
#include "DialogHost.h"
#include "framework/NewerWindows.h"
#include "res/resource.h"
#include "settings/Settings.h"
#include "tests/support/IconSize.h"
#include "ui/AboutDlg.h"
#include <shellapi.h>
#include <string>

namespace {

struct Scale
{
    UINT dpi;
    int smallIcon;   // SM_CXSMICON at that DPI
    int largeIcon;   // SM_CXICON
};

const Scale SCALES[] = {{120, 20, 40}, {144, 24, 48}, {192, 32, 64}};

std::string SizeText(DWORD size)
{
    return std::to_string(LOWORD(size)) + "x" + std::to_string(HIWORD(size));
}

std::string SquareText(int side)
{
    return SizeText(MAKELONG(side, side));
}

std::string RectText(const RECT& rc)
{
    return std::to_string(rc.left) + "," + std::to_string(rc.top) + " " + std::to_string(rc.right - rc.left) + "x"
           + std::to_string(rc.bottom - rc.top);
}

// Somewhere else for each scale, and larger, as a monitor of more DPI gives.
RECT SuggestedRect(HWND hDlg, const Scale& scale)
{
    RECT rc;
    GetWindowRect(hDlg, &rc);
    int width = MulDiv(rc.right - rc.left, scale.dpi, 96), height = MulDiv(rc.bottom - rc.top, scale.dpi, 96);
    RECT suggested = {(LONG)scale.dpi, (LONG)scale.dpi / 2, (LONG)scale.dpi + width, (LONG)scale.dpi / 2 + height};
    return suggested;
}

// Posted as Windows posts it, with the new DPI on both axes, then handled.
void PostDpiChanged(HWND hDlg, const Scale& scale, const RECT& suggested)
{
    PostMessageA(hDlg, WM_DPICHANGED, MAKEWPARAM(scale.dpi, scale.dpi), (LPARAM)&suggested);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

std::string WindowRectText(HWND hWnd)
{
    RECT rc;
    GetWindowRect(hWnd, &rc);
    return RectText(rc);
}

// The taskbar on a monitor of its own scale; every other window at 96 DPI.
UINT g_taskbarDpi = 96;
UINT WINAPI TaskbarDpi(HWND hWnd)
{
    return hWnd && hWnd == FindWindowA("Shell_TrayWnd", nullptr) ? g_taskbarDpi : 96;
}

// Counts the images that a window is given while the one it holds is destroyed.
int g_heldDestroyed;
LRESULT CALLBACK CheckHeld(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (msg == WM_SETICON)
        g_heldDestroyed += !IconSize((HICON)DefSubclassProc(hWnd, WM_GETICON, wParam, 0));
    if (msg == LVM_SETIMAGELIST)   // its one owner destroys the list as it lets it go
        g_heldDestroyed += DefSubclassProc(hWnd, LVM_GETIMAGELIST, wParam, 0) != (LRESULT)g_PreviewImageList.m_hImageList;
    return DefSubclassProc(hWnd, msg, wParam, lParam);
}

// The taskbar holds the icon of a request until the next request.
HICON g_trayHeld;
decltype(&Shell_NotifyIconA) g_pfnNotifyIcon;
BOOL WINAPI CheckTrayHeld(DWORD message, PNOTIFYICONDATAA data)
{
    g_heldDestroyed += g_trayHeld && !IconSize(g_trayHeld);
    g_trayHeld = data->hIcon;
    return g_pfnNotifyIcon(message, data);
}

// The size of the icon last put into an image list.
DWORD g_addedIconSize;
decltype(&ImageList_ReplaceIcon) g_pfnReplaceIcon;
int WINAPI SizingReplaceIcon(HIMAGELIST hImages, int i, HICON hIcon)
{
    g_addedIconSize = IconSize(hIcon);
    return g_pfnReplaceIcon(hImages, i, hIcon);
}

class DpiChange : public HostedDialog
{
};

// The notification-area icon stays at the taskbar's DPI, which is not the
// dialog's: the taskbar's own change of DPI makes it anew, and the program
// adds the icon again then, or at a retry.
TEST_F(DpiChange, TheSettingsDialogTakesTheSuggestedRectangleAndLoadsItsImagesAtTheNewDpi)
{
    DWORD on = 1;
    SetValue(SETTINGS_KEY, TRAY_ICON_VALUE, REG_DWORD, &on, sizeof on);
    StandIn taskbarDpi(Newer::GET_DPI_FOR_WINDOW, (void*)TaskbarDpi);
    g_pfnReplaceIcon = (decltype(g_pfnReplaceIcon))ReplaceImport("ImageList_ReplaceIcon", (void*)SizingReplaceIcon);
    g_pfnNotifyIcon = (decltype(g_pfnNotifyIcon))ReplaceImport("Shell_NotifyIconA", (void*)CheckTrayHeld);
    HWND hDlg = CreateHiddenDialog();
    ASSERT_TRUE(hDlg);
    SetWindowSubclass(hDlg, CheckHeld, 0, 0);
    SetWindowSubclass(GetDlgItem(hDlg, IDC_PREVIEW), CheckHeld, 0, 0);
    for (const Scale& scale : SCALES) {
        SCOPED_TRACE(std::to_string(scale.dpi) + " DPI");
        RECT suggested = SuggestedRect(hDlg, scale);
        HICON hBefore = (HICON)SendMessageA(hDlg, WM_GETICON, ICON_BIG, 0);
        g_heldDestroyed = 0;
        PostDpiChanged(hDlg, scale, suggested);
        EXPECT_EQ(0, g_heldDestroyed) << "given a new image while holding a destroyed one";
        EXPECT_EQ(0u, IconSize(hBefore)) << "the icon replaced lives on";

        EXPECT_EQ(RectText(suggested), WindowRectText(hDlg));
        EXPECT_EQ(SquareText(scale.smallIcon), SizeText(IconSize((HICON)SendMessageA(hDlg, WM_GETICON, ICON_SMALL, 0))));
        EXPECT_EQ(SquareText(scale.largeIcon), SizeText(IconSize((HICON)SendMessageA(hDlg, WM_GETICON, ICON_BIG, 0))));
        HIMAGELIST hImages = (HIMAGELIST)SendDlgItemMessageA(hDlg, IDC_PREVIEW, LVM_GETIMAGELIST, LVSIL_NORMAL, 0);
        ASSERT_EQ(g_PreviewImageList.m_hImageList, hImages);
        int cx = 0, cy = 0;
        ImageList_GetIconSize(hImages, &cx, &cy);
        EXPECT_EQ(SquareText(scale.largeIcon), SizeText(MAKELONG(cx, cy)));
        EXPECT_EQ(1, ImageList_GetImageCount(hImages));
        EXPECT_EQ(SquareText(scale.largeIcon), SizeText(g_addedIconSize)) << "the sample, stretched to the list";

        // the new taskbar refuses the icon at first, and is on a monitor of 175% by the retry
        g_taskbarDpi = 96;
        RefuseTrayRequests(true);
        SendMessageA(hDlg, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
        RefuseTrayRequests(false);
        g_taskbarDpi = 168;
        SendMessageA(hDlg, WM_TIMER, TRAY_RETRY_TIMER_ID, 0);
        TrayRecord added = LastTrayRequest();
        EXPECT_EQ((DWORD)NIM_ADD, added.request);
        EXPECT_EQ("28x28", SizeText(MAKELONG(added.iconWidth, added.iconHeight)));
        EXPECT_EQ(0, g_heldDestroyed) << "the taskbar given an icon while holding a destroyed one";
    }
    ReplaceImport("ImageList_ReplaceIcon", (void*)g_pfnReplaceIcon);
    ReplaceImport("Shell_NotifyIconA", (void*)g_pfnNotifyIcon);
}

// The About box is modal: what it is asked and what it answers happens in
// its own message loop, from a timer of the test's thread.
struct AboutSeen
{
    std::string rect, expectedRect, icon;
    bool done = false;
};
const Scale* g_pScale;
AboutSeen g_seen;

void CALLBACK InsideTheAboutBox(HWND, UINT, UINT_PTR idEvent, DWORD)
{
    HWND hBox = FindWindowA("#32770", "About...");
    if (!hBox || g_seen.done)
        return;
    KillTimer(nullptr, idEvent);
    RECT suggested = SuggestedRect(hBox, *g_pScale);
    PostDpiChanged(hBox, *g_pScale, suggested);
    g_seen.expectedRect = RectText(suggested);
    g_seen.rect = WindowRectText(hBox);
    g_seen.icon = SizeText(IconSize((HICON)SendDlgItemMessageA(hBox, IDC_ABOUT_ICON, STM_GETICON, 0, 0)));
    g_seen.done = true;
    EndDialog(hBox, IDOK);
}

TEST_F(DpiChange, TheAboutBoxTakesTheSuggestedRectangleAndLoadsItsIconAtTheNewDpi)
{
    for (const Scale& scale : SCALES) {
        SCOPED_TRACE(std::to_string(scale.dpi) + " DPI");
        g_pScale = &scale;
        g_seen = AboutSeen();
        UINT_PTR timer = SetTimer(nullptr, 0, 10, InsideTheAboutBox);
        ShowAboutBox();
        KillTimer(nullptr, timer);
        ASSERT_TRUE(g_seen.done);
        EXPECT_EQ(g_seen.expectedRect, g_seen.rect);
        EXPECT_EQ(SquareText(scale.largeIcon), g_seen.icon);
    }
}

} // namespace
