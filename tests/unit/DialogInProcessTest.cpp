// The settings dialog inside the test process: what it holds that another
// process cannot see, and how it loads stored values of every shape.
#include "DialogHost.h"
#include "res/resource.h"
#include "settings/Settings.h"

namespace {

class DialogInProcess : public HostedDialog
{
protected:
    static LRESULT Item(int id, UINT message)
    {
        return SendDlgItemMessageA(g_VireolaDlg.m_hWnd, id, message, 0, 0);
    }
};

// The preview's image list has one owner, which outlives the dialog; the
// list view only borrows it.
TEST_F(DialogInProcess, ThePreviewImageListHasOneOwnerAndKeepsTheIconsAlpha)
{
    ASSERT_TRUE(CreateHiddenDialog());
    HIMAGELIST hImages = g_PreviewImageList.m_hImageList;
    ASSERT_TRUE(hImages);
    EXPECT_EQ(1, ImageList_GetImageCount(hImages));
    EXPECT_EQ((LRESULT)hImages,
              SendDlgItemMessageA(g_VireolaDlg.m_hWnd, IDC_PREVIEW, LVM_GETIMAGELIST, LVSIL_NORMAL, 0));

    // the sample icon's 32-bit images carry alpha, which fewer bits lose
    IMAGEINFO info = {};
    ASSERT_TRUE(ImageList_GetImageInfo(hImages, 0, &info));
    BITMAP bitmap = {};
    GetObjectA(info.hbmImage, sizeof bitmap, &bitmap);
    EXPECT_EQ(32, bitmap.bmBitsPixel);

    DestroyDialog();
    EXPECT_EQ(1, ImageList_GetImageCount(hImages)) << "the list view destroyed a list it does not own";
    EXPECT_TRUE(g_PreviewImageList.DeleteImageList());
    EXPECT_FALSE(g_PreviewImageList.DeleteImageList()) << "nothing is left to destroy a second time";
}

TEST_F(DialogInProcess, ANewDialogHasNeitherTheActivationNorTheFocus)
{
    ASSERT_TRUE(CreateHiddenDialog());
    EXPECT_NE(g_VireolaDlg.m_hWnd, GetActiveWindow());
    EXPECT_FALSE(IsChild(g_VireolaDlg.m_hWnd, GetFocus()));
}

int g_previewSysColorChanges;
WNDPROC g_pfnPreviewProc;

LRESULT CALLBACK CountingPreviewProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    g_previewSysColorChanges += msg == WM_SYSCOLORCHANGE;
    return CallWindowProcA(g_pfnPreviewProc, hWnd, msg, wParam, lParam);
}

// Other processes keep the system colours they first read (under Wine), but
// this one sees its own change: the desktop colour is read again, and the
// preview's list view, a common control, is told of the change. The sample
// stands on the desktop's colour, whatever colours the dialog has.
TEST_F(DialogInProcess, ASystemColourChangeReadsTheDesktopColourAgainAndReachesThePreview)
{
    DWORD backgroundEntry = SYSTEM_BACKGROUND_COLOR;
    SetValue(SETTINGS_KEY, TEXT_COLOR_INDEX_VALUE, REG_DWORD, &backgroundEntry, sizeof backgroundEntry);
    ASSERT_TRUE(CreateHiddenDialog());
    HWND hPreview = GetDlgItem(g_VireolaDlg.m_hWnd, IDC_PREVIEW);
    g_previewSysColorChanges = 0;
    g_pfnPreviewProc = (WNDPROC)SetWindowLongPtrA(hPreview, GWLP_WNDPROC, (LONG_PTR)CountingPreviewProc);

    INT element = COLOR_BACKGROUND;
    COLORREF original = GetSysColor(COLOR_BACKGROUND);
    COLORREF changed = original == RGB(12, 34, 56) ? RGB(56, 34, 12) : RGB(12, 34, 56);
    ASSERT_TRUE(SetSysColors(1, &element, &changed));
    SendMessageA(g_VireolaDlg.m_hWnd, WM_SYSCOLORCHANGE, 0, 0);
    COLORREF preview = (COLORREF)SendMessageA(hPreview, LVM_GETTEXTCOLOR, 0, 0);
    COLORREF previewBk = (COLORREF)SendMessageA(hPreview, LVM_GETBKCOLOR, 0, 0);
    SetSysColors(1, &element, &original);

    EXPECT_EQ(changed, preview);
    EXPECT_EQ(changed, previewBk);
    EXPECT_GE(g_previewSysColorChanges, 1);
}

TEST_F(DialogInProcess, StoredValuesOfEveryShapeLoadAsASensibleStateAndStayAsTheyWere)
{
    for (const StoredShape& shape : EveryTypeAndLength()) {
        SCOPED_TRACE(shape.What());
        for (const char* name : {TEXT_COLOR_INDEX_VALUE, REAPPLY_VALUE, TRAY_ICON_VALUE, TEXT_COLOR_VALUE})
            SetValue(SETTINGS_KEY, name, shape.type, shape.data.data(), (DWORD)shape.data.size());
        for (char slot = 'A'; slot <= 'P'; ++slot)
            SetValue(CUSTOM_KEY, std::string(1, slot).c_str(), shape.type, shape.data.data(),
                     (DWORD)shape.data.size());
        std::string before = Dump(SETTINGS_KEY) + Dump(CUSTOM_KEY);

        ASSERT_TRUE(CreateHiddenDialog());
        LONG index = shape.AsRead(DEFAULT_TEXT_COLOR_INDEX);
        int selection = index >= 0 && index <= 20 ? (int)index : DEFAULT_TEXT_COLOR_INDEX;
        EXPECT_EQ(selection, Item(IDC_TEXT_COLOR, CB_GETCURSEL));
        int ticked = shape.AsRead(DEFAULT_REAPPLY) ? BST_CHECKED : BST_UNCHECKED;
        EXPECT_EQ(ticked, Item(IDC_REAPPLY, BM_GETCHECK));
        EXPECT_EQ(ticked, Item(IDC_TRAY_ICON, BM_GETCHECK));
        EXPECT_EQ(selection == 2, IsWindowEnabled(GetDlgItem(g_VireolaDlg.m_hWnd, IDC_COLOR)) != FALSE);

        // Cancel loads the controls again, and ends the dialog if re-apply is off
        SendMessageA(g_VireolaDlg.m_hWnd, WM_COMMAND, IDCANCEL, 0);
        EXPECT_EQ(ticked == BST_UNCHECKED, g_VireolaDlg.m_hWnd == nullptr);
        DestroyDialog();
        EXPECT_EQ(before, Dump(SETTINGS_KEY) + Dump(CUSTOM_KEY));
    }
}

} // namespace
