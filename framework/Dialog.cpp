#include "Dialog.h"
#include "Controls.h"
#include "NewerWindows.h"

BOOL CDialog::Create(HWND hParent)
{
    m_bModal = false;
    CreateDialogParamA(AfxGetApp()->m_hInstance, MAKEINTRESOURCEA(m_nIDTemplate), hParent,
                       DialogProc, (LPARAM)this);
    return m_hWnd != nullptr;
}

INT_PTR CDialog::DoModal()
{
    m_bModal = true;
    CWnd* pMain = AfxGetApp()->m_pMainWnd;
    return DialogBoxParamA(AfxGetApp()->m_hInstance, MAKEINTRESOURCEA(m_nIDTemplate),
                           pMain ? pMain->m_hWnd : nullptr, DialogProc, (LPARAM)this);
}

BOOL CDialog::DestroyWindow()
{
    return ::DestroyWindow(m_hWnd);
}

BOOL CDialog::OnInitDialog()
{
    DoDataExchange();
    return TRUE;
}

void CDialog::OnOK()
{
    if (m_bModal)
        EndDialog(m_hWnd, IDOK);
    else
        DestroyWindow();
}

void CDialog::OnCancel()
{
    if (m_bModal)
        EndDialog(m_hWnd, IDCANCEL);
    else
        DestroyWindow();
}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

// A modal box whose template leaves its place to the program opens centred
// over its owner.
void CDialog::CenterOverOwner()
{
    HWND hOwner = GetWindow(m_hWnd, GW_OWNER);
    RECT rcOwner, rc;
    if (!hOwner || !IsWindowVisible(hOwner))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcOwner, 0);
    else
        GetWindowRect(hOwner, &rcOwner);
    GetWindowRect(m_hWnd, &rc);
    int x = rcOwner.left + ((rcOwner.right - rcOwner.left) - (rc.right - rc.left)) / 2;
    int y = rcOwner.top + ((rcOwner.bottom - rcOwner.top) - (rc.bottom - rc.top)) / 2;
    SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CDialog::PaintMinimised(HICON hIcon)
{
    if (!IsIconic(m_hWnd))
        return false;
    PAINTSTRUCT ps;
    HDC hDC = BeginPaint(m_hWnd, &ps);
    SendMessageA(m_hWnd, WM_ICONERASEBKGND, (WPARAM)hDC, 0);
    int size = Newer::GetSystemMetricsForDpi(SM_CXICON, Newer::GetDpiForWindow(m_hWnd));
    RECT rect;
    GetClientRect(m_hWnd, &rect);
    int x = (rect.right - rect.left - size + 1) / 2;
    int y = (rect.bottom - rect.top - size + 1) / 2;
    DrawIconEx(hDC, x, y, hIcon, size, size, 0, nullptr, DI_NORMAL);
    EndPaint(m_hWnd, &ps);
    return true;
}

void CDialog::LoadCaptionIcons(CIcon& big, CIcon& small, UINT nID, UINT dpi)
{
    HINSTANCE hInst = AfxGetApp()->m_hInstance;
    CIcon newBig, newSmall;
    newBig.Load(hInst, nID, SM_CXICON, dpi);
    newSmall.Load(hInst, nID, SM_CXSMICON, dpi);
    SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, (LPARAM)(HICON)newBig);
    SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, (LPARAM)(HICON)newSmall);
    big.Swap(newBig);
    small.Swap(newSmall);
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        BOOL focusDefault = OnInitDialog();
        if (m_bModal && !(GetWindowLongA(m_hWnd, GWL_STYLE) & DS_CENTER))
            CenterOverOwner();
        return focusDefault;
    }
    case WM_COMMAND:
        if (lParam == 0 || HIWORD(wParam) == BN_CLICKED) {
            if (LOWORD(wParam) == IDOK) {
                OnOK();
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                OnCancel();
                return TRUE;
            }
        }
        break;
    case WM_DPICHANGED: {
        // The window takes the rectangle Windows suggests for the new DPI.
        // The message goes on to the dialog manager, which lays the controls
        // out anew and gives them fonts of the new size.
        const RECT* rc = (const RECT*)lParam;
        SetWindowPos(m_hWnd, nullptr, rc->left, rc->top, rc->right - rc->left, rc->bottom - rc->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        OnDpiChanged(LOWORD(wParam));
        return FALSE;
    }
    case WM_NCDESTROY: {
        CWinApp* pApp = AfxGetApp();
        m_hWnd = nullptr;
        if (pApp->m_pMainWnd == this) {
            // the program lives as long as its main window
            pApp->m_pMainWnd = nullptr;
            PostQuitMessage(0);
        }
        return FALSE;
    }
    }

    LRESULT result = 0;
    if (!OnMessage(message, wParam, lParam, result))
        return FALSE;
    // returns its result straight from the dialog procedure
    if (message == WM_QUERYDRAGICON)
        return (INT_PTR)result;
    // Stored only when it differs: most handlers leave it 0, and under Wine
    // each store is a call to the window server, on every timer tick.
    if (GetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT) != result)
        SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* pDlg;
    if (message == WM_INITDIALOG) {
        pDlg = (CDialog*)lParam;
        pDlg->m_hWnd = hWnd;
        SetWindowLongPtrA(hWnd, DWLP_USER, lParam);
    } else {
        pDlg = (CDialog*)GetWindowLongPtrA(hWnd, DWLP_USER);
        if (!pDlg)
            return FALSE;   // messages that come before WM_INITDIALOG
    }
    return pDlg->Dispatch(message, wParam, lParam);
}
