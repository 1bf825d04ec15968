#include "TrayIcon.h"
#include <shellapi.h>

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
