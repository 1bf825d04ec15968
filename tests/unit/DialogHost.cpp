#include "DialogHost.h"

// The program-wide objects that the dialog's code refers to.
CVireolaDlg g_VireolaDlg;
CImageList g_PreviewImageList;

HWND CreateHiddenDialog()
{
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    g_VireolaDlg.Create(nullptr);
    return g_VireolaDlg.m_hWnd;
}

void DestroyDialog()
{
    if (g_VireolaDlg.m_hWnd)
        g_VireolaDlg.DestroyWindow();
}
