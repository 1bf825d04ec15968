#include "TrayRecord.h"
#include "tests/support/IconSize.h"
#include <shellapi.h>
#include <stdio.h>
#include <string.h>

namespace {

struct WineNotifyData
{
    DWORD hWnd, uID, uFlags, uCallbackMessage;
    WCHAR szTip[TRAY_TIP_CHARS];
    DWORD dwState, dwStateMask;
    WCHAR szInfo[256];
    UINT uTimeout;
    WCHAR szInfoTitle[64];
    DWORD dwInfoFlags;
    GUID guidItem;
    UINT width, height, planes, bpp;
};

// The head of Windows' record: handles as 32-bit values whatever the
// sender's bitness.
struct WindowsNotifyHead
{
    DWORD dwSignature, dwMessage;
    DWORD cbSize, hWnd, uID, uFlags, uCallbackMessage, hIcon;
    WCHAR szTip[TRAY_TIP_CHARS];
};

void CopyTip(const WCHAR* tip, char* out)
{
    WCHAR bounded[TRAY_TIP_CHARS];
    memcpy(bounded, tip, sizeof bounded);
    bounded[TRAY_TIP_CHARS - 1] = L'\0';
    WideCharToMultiByte(CP_ACP, 0, bounded, -1, out, TRAY_TIP_CHARS, nullptr, nullptr);
    out[TRAY_TIP_CHARS - 1] = '\0';
}

bool ReadWindows(const void* data, DWORD size, TrayRecord& record)
{
    WindowsNotifyHead head;
    memcpy(&head, data, sizeof head);
    record.layout = TRAY_LAYOUT_WINDOWS;
    record.request = head.dwMessage;
    record.hWnd = head.hWnd;
    record.uID = head.uID;
    record.uFlags = head.uFlags;
    record.uCallbackMessage = head.uCallbackMessage;
    record.hIcon = head.hIcon;
    // the icon comes as a handle, which any process can measure
    if (head.uFlags & NIF_ICON) {
        DWORD iconSize = IconSize((HICON)(LONG_PTR)(LONG)head.hIcon);
        record.iconWidth = LOWORD(iconSize);
        record.iconHeight = HIWORD(iconSize);
    }
    CopyTip(head.szTip, record.tip);
    record.bytes = size;
    return true;
}

bool ReadWine(ULONG_PTR dwData, const void* data, DWORD size, TrayRecord& record)
{
    WineNotifyData d;
    memcpy(&d, data, sizeof d);
    record.layout = TRAY_LAYOUT_WINE;
    record.request = (DWORD)dwData;
    record.hWnd = d.hWnd;
    record.uID = d.uID;
    record.uFlags = d.uFlags;
    record.uCallbackMessage = d.uCallbackMessage;
    CopyTip(d.szTip, record.tip);
    // the pixels follow only when there is an icon
    if (size > sizeof d) {
        record.iconWidth = d.width;
        record.iconHeight = d.height;
    }
    record.bytes = size;
    return true;
}

} // namespace

bool ReadTrayRecord(ULONG_PTR dwData, const void* data, DWORD size, TrayRecord& record)
{
    record = TrayRecord();
    record.bytes = size;
    if (!data)
        return false;
    DWORD signature = 0;
    if (size >= sizeof signature)
        memcpy(&signature, data, sizeof signature);
    if (dwData == WINDOWS_TRAY_COPYDATA && signature == WINDOWS_TRAY_SIGNATURE && size >= sizeof(WindowsNotifyHead))
        return ReadWindows(data, size, record);
    if (size >= sizeof(WineNotifyData))
        return ReadWine(dwData, data, size, record);
    return false;
}

const char* TrayLayoutName(TrayLayout layout)
{
    switch (layout) {
    case TRAY_LAYOUT_WINE: return "wine";
    case TRAY_LAYOUT_WINDOWS: return "windows";
    default: return "unknown";
    }
}

void FormatTrayRecord(const TrayRecord& record, char* line, size_t size)
{
    if (record.layout == TRAY_LAYOUT_UNKNOWN) {
        snprintf(line, size, "TRAY short bytes=%lu layout=unknown", (unsigned long)record.bytes);
        return;
    }
    int n = snprintf(line, size, "TRAY %lu hwnd=%lu id=%lu flags=%lu callback=0x%lX tip=\"%s\" bytes=%lu",
                     (unsigned long)record.request, (unsigned long)record.hWnd, (unsigned long)record.uID,
                     (unsigned long)record.uFlags, (unsigned long)record.uCallbackMessage, record.tip,
                     (unsigned long)record.bytes);
    if (n > 0 && (size_t)n < size)
        n += snprintf(line + n, size - n, " layout=%s", TrayLayoutName(record.layout));
    if (n > 0 && (size_t)n < size && record.iconWidth)
        snprintf(line + n, size - n, " icon=%ux%u", record.iconWidth, record.iconHeight);
}
