// What a taskbar receives from Shell_NotifyIcon: a WM_COPYDATA record whose
// layout is the sender's platform's, read into plain values for the stand-in
// taskbar's log. Neither layout is documented.
//
// Wine's shell32: dwData is the request; the record is the window, id,
// flags, callback message, the tip in UTF-16, the balloon's fields, the
// icon's size, then the icon's pixels if there is one.
//
// Windows' shell32: dwData is 1; the record is a signature, the request and
// a NOTIFYICONDATAW whose handles are 32 bits wide in every process. Only
// its head (up to and with the tip) is read: that much is the same in every
// shell replacement's reading of it, the rest is less certain.
#pragma once
#include <windows.h>
#include <stddef.h>

enum TrayLayout { TRAY_LAYOUT_UNKNOWN, TRAY_LAYOUT_WINE, TRAY_LAYOUT_WINDOWS };

enum {
    WINDOWS_TRAY_COPYDATA = 1,           // dwData of a Windows notification-icon record
    WINDOWS_TRAY_SIGNATURE = 0x34753423, // its first DWORD
    TRAY_TIP_CHARS = 128,
};

struct TrayRecord
{
    TrayLayout layout;
    DWORD request;                // NIM_ADD, NIM_MODIFY, NIM_DELETE, ...
    DWORD hWnd, uID, uFlags, uCallbackMessage;
    DWORD hIcon;                  // Windows: the sender's icon handle, 0 for none
    UINT iconWidth, iconHeight;   // 0 when the request carries no icon
    char tip[TRAY_TIP_CHARS];
    DWORD bytes;
};

// Reads a record in whichever layout it is; false (layout unknown) when it
// is neither or too short.
bool ReadTrayRecord(ULONG_PTR dwData, const void* data, DWORD size, TrayRecord& record);

const char* TrayLayoutName(TrayLayout layout);

// The stand-in taskbar's log line for a record:
// TRAY <request> hwnd= id= flags= callback= tip="" bytes= layout= [icon=WxH]
void FormatTrayRecord(const TrayRecord& record, char* line, size_t size);
