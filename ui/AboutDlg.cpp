#include "AboutDlg.h"
#include "../res/resource.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

void CAboutDlg::DoDataExchange()
{
    DDX_Control(IDC_VERSION_TEXT, m_VersionText);
}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    char version[255];
    LoadStringA(AfxGetApp()->m_hInstance, IDS_VERSION_LINE, version, sizeof version);
    m_VersionText.SetWindowText(version);
    LoadImages(Newer::GetDpiForWindow(m_hWnd));
    return TRUE;
}

void CAboutDlg::OnDpiChanged(UINT dpi)
{
    LoadImages(dpi);
}

// The icon at the size it is drawn at on a display of that DPI.
void CAboutDlg::LoadImages(UINT dpi)
{
    CIcon icon;
    icon.Load(AfxGetApp()->m_hInstance, IDR_MAINFRAME, SM_CXICON, dpi);
    SendDlgItemMessageA(m_hWnd, IDC_ABOUT_ICON, STM_SETICON, (WPARAM)(HICON)icon, 0);
    // the icon the control had goes only now
    m_Icon.Swap(icon);
}

void AddAboutMenuEntry(HWND hDlg)
{
    HMENU hMenu = GetSystemMenu(hDlg, FALSE);
    char text[255];
    if (!hMenu || LoadStringA(AfxGetApp()->m_hInstance, IDS_ABOUTBOX, text, sizeof text) <= 0)
        return;
    AppendMenuA(hMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(hMenu, MF_STRING, ID_SYSMENU_ABOUT, text);
}

bool IsAboutCommand(UINT nID)
{
    // the low four bits of a system command belong to the system
    return (nID & 0xFFF0) == ID_SYSMENU_ABOUT;
}

void ShowAboutBox()
{
    CAboutDlg dlg;
    dlg.DoModal();
}

void ShowNotImplemented(HWND hOwner)
{
    HINSTANCE hInst = AfxGetApp()->m_hInstance;
    char caption[30], text[255];
    LoadStringA(hInst, IDS_NOT_IMPLEMENTED_CAPTION, caption, sizeof caption);
    LoadStringA(hInst, IDS_NOT_IMPLEMENTED_TEXT, text, sizeof text);
    MessageBoxA(hOwner, text, caption, MB_OK | MB_ICONINFORMATION);
}
