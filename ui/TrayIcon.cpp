#include "TrayIcon.h"
#include "../res/resource.h"
#include <shellapi.h>

const UINT WM_TASKBARCREATED = RegisterWindowMessageA("TaskbarCreated");

int g_bTrayIconShown = 0;

BOOL TrayIconRequest(HWND hWnd, DWORD dwMessage, UINT uID, HICON hIcon, const char* tip)
{
    // the original record without the later fields, which every shell understands
    NOTIFYICONDATAA nid = {};
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = hWnd;
    nid.uID = uID;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = WM_TRAYNOTIFY;
    nid.hIcon = hIcon;
    if (tip)
        lstrcpynA(nid.szTip, tip, 64);
    return Shell_NotifyIconA(dwMessage, &nid);
}

BOOL AddTrayIcon(HWND hWnd, UINT uID, HICON hIcon, const char* tip)
{
    return TrayIconRequest(hWnd, NIM_ADD, uID, hIcon, tip);
}

BOOL ModifyTrayIcon(HWND hWnd, UINT uID, HICON hIcon, const char* tip)
{
    return TrayIconRequest(hWnd, NIM_MODIFY, uID, hIcon, tip);
}

BOOL DeleteTrayIcon(HWND hWnd, UINT uID)
{
    return TrayIconRequest(hWnd, NIM_DELETE, uID, nullptr, nullptr);
}

// A copy started elevated (by an installer run as administrator) still
// hears the shell, which runs with less integrity than it.
void CTrayIcon::Attach(HWND hWnd)
{
    m_hWnd = hWnd;
    g_bTrayIconShown = 0;
    const UINT allowed[] = {WM_TASKBARCREATED, WM_TRAYNOTIFY};
    for (UINT message : allowed)
        Newer::ChangeWindowMessageFilterEx(m_hWnd, message, Newer::MSGFLT_ALLOW, nullptr);
}

void CTrayIcon::Show(bool shown)
{
    if (shown && !g_bTrayIconShown) {
        Add();
    } else if (!shown && g_bTrayIconShown) {
        DeleteTrayIcon(m_hWnd, TRAY_ICON_ID);
        g_bTrayIconShown = 0;
        m_Retry.Cancel();
    }
}

void CTrayIcon::Add()
{
    g_bTrayIconShown = 1;
    m_Retry.Begin(m_hWnd, TryAdd());
}

// The notification area draws the icon at the DPI of the taskbar's monitor,
// which need not be the dialog's. At logon the taskbar may come after the
// first try, on another monitor; a taskbar whose DPI changes is made anew,
// and says so ("TaskbarCreated"). Each try therefore loads the icon again
// where the taskbar's DPI is no longer the icon's, and the icon before is
// destroyed only once the request with the new one has been made.
//
// An add that timed out against a busy taskbar may have been made all the
// same, and one may race the taskbar's own "TaskbarCreated": the taskbar then
// refuses every further add as a duplicate, but takes a change to the icon.
bool CTrayIcon::TryAdd()
{
    UINT dpi = Newer::GetDpiForWindow(FindWindowA("Shell_TrayWnd", nullptr));
    CIcon before;
    if (!m_Icon || dpi != m_nIconDpi) {
        before.Swap(m_Icon);
        m_Icon.Load(AfxGetApp()->m_hInstance, IDR_MAINFRAME, SM_CXSMICON, dpi);
        m_nIconDpi = dpi;
    }
    return AddTrayIcon(m_hWnd, TRAY_ICON_ID, m_Icon, AfxGetAppName())
           || ModifyTrayIcon(m_hWnd, TRAY_ICON_ID, m_Icon, AfxGetAppName());
}

void CTrayIcon::OnRetry()
{
    if (m_Retry.Due())
        m_Retry.Tried(TryAdd());
}

// A restarted shell has forgotten the icon.
void CTrayIcon::OnTaskbarCreated()
{
    if (g_bTrayIconShown)
        Add();
}
