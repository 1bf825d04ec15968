#include "PreviewList.h"
#include "../shell/DesktopView.h"
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

// The one preview's picture, drawn as its background is erased: with no
// background colour of its own, the list view draws its item over it.
static HBITMAP g_hPicture;
static WNDPROC g_ListViewProc;

static LRESULT CALLBACK PreviewProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_ERASEBKGND || !g_hPicture)
        return CallWindowProcA(g_ListViewProc, hWnd, message, wParam, lParam);
    HDC hMemory = CreateCompatibleDC((HDC)wParam);
    HGDIOBJ hOld = SelectObject(hMemory, g_hPicture);
    BITMAP bitmap;
    GetObjectA(g_hPicture, sizeof bitmap, &bitmap);
    BitBlt((HDC)wParam, 0, 0, bitmap.bmWidth, bitmap.bmHeight, hMemory, 0, 0, SRCCOPY);
    SelectObject(hMemory, hOld);
    DeleteDC(hMemory);
    return TRUE;
}

void CPreviewList::ShowPicture(const DWORD* pixels, SIZE size)
{
    if (g_hPicture)
        DeleteObject(g_hPicture);
    g_hPicture = nullptr;
    if (pixels) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = size.cx;
        info.bmiHeader.biHeight = -size.cy;     // rows from the top
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        g_hPicture = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (g_hPicture)
            CopyMemory(bits, pixels, (SIZE_T)size.cx * size.cy * sizeof(DWORD));
    }
    if (g_hPicture && !g_ListViewProc)
        g_ListViewProc = (WNDPROC)SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, (LONG_PTR)PreviewProc);
}

// The sample stands on the desktop's colour (or the wallpaper), whatever
// colours the dialog itself has (a high-contrast theme may give it the
// chosen colour).
void CPreviewList::ShowColors(COLORREF text, COLORREF desktop)
{
    SendMessageA(m_hWnd, LVM_SETBKCOLOR, 0, (LPARAM)(g_hPicture ? CLR_NONE : desktop));
    InvalidateRect(m_hWnd, nullptr, TRUE);
    ShellTurn turn(ShellTurn::USER);
    SetListViewColors(m_hWnd, text, CLR_NONE, turn);
}

void CPreviewList::OnSysColorChange()
{
    SendMessageA(m_hWnd, WM_SYSCOLORCHANGE, 0, 0);
}
