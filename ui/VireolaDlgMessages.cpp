// Which of the settings dialog's handlers each message reaches: the
// dialog's own range, the commands, the timers, and the system's messages.
#include "VireolaDlg.h"
#include "AboutDlg.h"
#include "../res/resource.h"

bool CVireolaDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_TASKBARCREATED) {
        OnTaskbarCreated();
        return false;
    }
    if (message >= WM_APP && message <= WM_APP + 0x3FFF)
        return OnOwnMessage(message, wParam, lParam, result);
    switch (message) {
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_SYSCOMMAND:
        return OnSysCommand((UINT)wParam);
    case WM_PAINT:
        return OnPaint();
    case WM_QUERYDRAGICON:
        result = (LRESULT)OnQueryDragIcon();
        return true;
    case WM_TIMER:
        OnTimer(wParam);
        return true;
    case WM_ACTIVATE:
        OnActivate(LOWORD(wParam));
        return false;
    case WM_SYSCOLORCHANGE:
        OnSysColorChange();
        return false;
    case WM_SETTINGCHANGE:
    case WM_THEMECHANGED:
    case WM_DISPLAYCHANGE:
        OnSystemChange(message, wParam);
        return false;
    case WM_ENDSESSION:
        OnEndSession((BOOL)wParam, lParam);
        return false;
    case WM_WTSSESSION_CHANGE:
        m_Watch.OnSessionChange(wParam, lParam);
        return false;
    case WM_POWERBROADCAST:
        m_Watch.OnPowerBroadcast(wParam, lParam);
        result = TRUE;
        return true;
    }
    return false;
}

// The window's own range, where values a message does not expect change
// nothing: any program may post these numbers to every top-level window.
bool CVireolaDlg::OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    bool plain = !wParam && !lParam;
    switch (message) {
    case WM_TRAYNOTIFY: result = wParam == TRAY_ICON_ID ? OnTrayNotify(lParam) : 0; return true;
    case WM_CHECK_NOW: if (plain) m_Watch.OnCheckNow(WantedColor()); return true;
    case WM_SHOW_DIALOG: if (plain) OnShowDialog(); return true;
    case WM_VIEW_REFILLED: if (plain) OnSystemChange(message, wParam); return true;
    case WM_WALLPAPER_EVALUATED: OnWallpaperEvaluated(wParam, lParam); return true;
    case WM_WALLPAPER_FILE_CHANGED: if (plain) m_Wallpaper.Evaluate(); return true;
    // the labels have moved, but a move leaves their colours as they were
    case WM_VIEW_ITEMS_MOVED: if (plain) m_Wallpaper.Evaluate(); return true;
    }
    return false;
}

bool CVireolaDlg::OnCommand(UINT nID, UINT nCode)
{
    if (nID == IDC_TEXT_COLOR) {
        if (nCode != CBN_SELCHANGE)
            return false;
        OnSelChangeTextColor();
        return true;
    }
    if (nCode != BN_CLICKED)
        return false;
    switch (nID) {
    case IDC_REMOVE_FROM_MEMORY: OnRemoveFromMemory(); return true;
    case IDC_COLOR: OnColor(); return true;
    case IDC_ABOUT: ShowAboutBox(); return true;
    case IDC_APPLY: OnApply(); return true;
    case IDC_ALL_COLORS:
    case IDC_FONT: ShowNotImplemented(m_hWnd); return true;
    case IDC_RESTORE_WINDOWS_COLORS: OnRestoreWindowsColors(); return true;
    }
    return false;
}

void CVireolaDlg::OnTimer(UINT_PTR nIDEvent)
{
    switch (nIDEvent) {
    case WATCH_TIMER_ID: OnWatchTimer(); break;
    case TRAY_RETRY_TIMER_ID: m_TrayIcon.OnRetry(); break;
    case SESSION_RETRY_TIMER_ID: m_Watch.OnRetry(); break;
    case WALLPAPER_TIMER_ID:
    case WALLPAPER_BOUND_TIMER_ID: m_Wallpaper.OnTimer(nIDEvent); break;
    }
}

bool CVireolaDlg::OnSysCommand(UINT nID)
{
    if (!IsAboutCommand(nID))
        return false;
    ShowAboutBox();
    return true;
}

HICON CVireolaDlg::OnQueryDragIcon()
{
    return m_hIcon;
}

// Only the minimised window is painted here: the program icon, centred.
bool CVireolaDlg::OnPaint()
{
    return PaintMinimised(m_hIcon);
}
