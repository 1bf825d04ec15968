// The notification-area icon: one icon, id 1, whose mouse events reach the
// settings dialog as WM_TRAYNOTIFY, kept in the notification area for as
// long as the user has it shown.
#pragma once
#include "../framework/Controls.h"
#include "../res/Messages.h"
#include "../watch/RetryTimer.h"

enum { TRAY_ICON_ID = 1 };

// Sent by the shell when it has made a new taskbar, with an empty notification area.
extern const UINT WM_TASKBARCREATED;

// Whether the program has asked the shell to add its icon; it records the
// requests made, not the shell's answers.
extern int g_bTrayIconShown;

BOOL TrayIconRequest(HWND hWnd, DWORD dwMessage, UINT uID, HICON hIcon, const char* tip);
BOOL AddTrayIcon(HWND hWnd, UINT uID, HICON hIcon, const char* tip);
// Fails when the taskbar has no such icon.
BOOL ModifyTrayIcon(HWND hWnd, UINT uID, HICON hIcon, const char* tip);
BOOL DeleteTrayIcon(HWND hWnd, UINT uID);

// What the user asked for is kept apart from what the taskbar has: at logon
// it may not be ready yet and refuse the icon, which is then asked again; a
// restarted shell forgets it, and gets it again.
class CTrayIcon
{
public:
    CTrayIcon() : m_Retry(TRAY_RETRY_TIMER_ID) {}
    // The window the icon's events go to; nothing shown yet.
    void Attach(HWND hWnd);
    void Show(bool shown);

    void OnTaskbarCreated();
    // The retry timer has come.
    void OnRetry();

private:
    void Add();
    bool TryAdd();

    HWND m_hWnd = nullptr;
    CIcon m_Icon;    // at the size the taskbar draws it
    UINT m_nIconDpi = 0;
    CRetryTimer m_Retry;
};
