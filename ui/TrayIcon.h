// The notification-area icon: one icon, id 1, whose mouse events reach the
// settings dialog as WM_TRAYNOTIFY.
#pragma once
#include <windows.h>

#define WM_TRAYNOTIFY (WM_APP + 100)
enum { TRAY_ICON_ID = 1 };

// Whether the program has asked the shell to add its icon; it records the
// requests made, not the shell's answers.
extern int g_bTrayIconShown;

BOOL TrayIconRequest(HWND hWnd, DWORD dwMessage, UINT uID, HICON hIcon, const char* tip);
BOOL AddTrayIcon(HWND hWnd, UINT uID, HICON hIcon, const char* tip);
// Fails when the taskbar has no such icon.
BOOL ModifyTrayIcon(HWND hWnd, UINT uID, HICON hIcon, const char* tip);
BOOL DeleteTrayIcon(HWND hWnd, UINT uID);
