#include "PreviewList.h"
#include "../color/DesktopView.h"
#include "../res/resource.h"

void CPreviewList::InsertSample()
{
    char label[255];
    LoadStringA(AfxGetApp()->m_hInstance, IDS_PREVIEW_LABEL, label, sizeof label);
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.pszText = label;
    item.iImage = 0;
    SendMessageA(m_hWnd, LVM_INSERTITEMA, 0, (LPARAM)&item);
}

void CPreviewList::LoadImages(UINT dpi)
{
    // 32-bit colour keeps the alpha of the sample icon's images (with fewer
    // bits their edges come out dark and jagged)
    CIcon sample;
    sample.Load(AfxGetApp()->m_hInstance, IDI_DESKTOP_ICON, SM_CXICON, dpi);
    int size = Newer::GetSystemMetricsForDpi(SM_CXICON, dpi);
    CImageList images;
    images.Create(size, size, ILC_COLOR32 | ILC_MASK, 0, 1);
    images.Add(sample);
    SendMessageA(m_hWnd, LVM_SETIMAGELIST, LVSIL_NORMAL, (LPARAM)images.m_hImageList);
    // the list the view had goes only now
    g_PreviewImageList.Swap(images);
}

// The sample stands on the desktop's colour, whatever colours the dialog
// itself has (a high-contrast theme may give it the chosen colour).
void CPreviewList::ShowColors(COLORREF text, COLORREF desktop)
{
    SendMessageA(m_hWnd, LVM_SETBKCOLOR, 0, (LPARAM)desktop);
    InvalidateRect(m_hWnd, nullptr, TRUE);
    SetListViewColors(m_hWnd, text, CLR_NONE);
}

void CPreviewList::OnSysColorChange()
{
    SendMessageA(m_hWnd, WM_SYSCOLORCHANGE, 0, 0);
}
