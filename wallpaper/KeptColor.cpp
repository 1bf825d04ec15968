#include "KeptColor.h"
#include "../settings/Settings.h"
#include "WallpaperScene.h"
#include <stddef.h>

// As stored: the record, with the file's path only as long as it is.
struct StoredJudgedOn
{
    DWORD values, layout;
    FILETIME written;
    DWORD sizeHigh, sizeLow;
    WCHAR picture[MAX_PICTURE_PATH];
};
enum { STORED_HEAD = offsetof(StoredJudgedOn, picture) };

COLORREF ReadKeptColor()
{
    DWORD type = 0, color = 0, size = sizeof color;
    if (!ReadSettingData(SETTINGS_SECTION, WALLPAPER_TEXT_COLOR_VALUE, type, &color, size) || type != REG_DWORD
        || size != sizeof color || (color != RGB(0, 0, 0) && color != RGB(255, 255, 255)))
        return CLR_NONE;
    return color;
}

static bool ReadJudgedOn(JudgedOn& on)
{
    StoredJudgedOn stored;
    DWORD type = 0, size = sizeof stored;
    if (!ReadSettingData(SETTINGS_SECTION, WALLPAPER_JUDGED_ON_VALUE, type, &stored, size) || type != REG_BINARY
        || size < STORED_HEAD + sizeof(WCHAR) || (size - STORED_HEAD) % sizeof(WCHAR)
        || stored.picture[(size - STORED_HEAD) / sizeof(WCHAR) - 1])
        return false;
    ZeroMemory(&on, sizeof on);
    on.values = stored.values;
    on.layout = stored.layout;
    on.stamp.ftLastWriteTime = stored.written;
    on.stamp.nFileSizeHigh = stored.sizeHigh;
    on.stamp.nFileSizeLow = stored.sizeLow;
    lstrcpyW(on.picture, stored.picture);
    return true;
}

static BOOL CALLBACK FoldMonitor(HMONITOR, HDC, RECT* monitor, LPARAM lParam)
{
    *(DWORD*)lParam = Fold(*(DWORD*)lParam, (const BYTE*)monitor, sizeof *monitor);
    return TRUE;
}

DWORD LayoutStamp(const ViewShape& view)
{
    // all of it but the window, which a restarted shell makes anew
    DWORD stamp = Fold(FNV_START, (const BYTE*)&view.count, sizeof view - offsetof(ViewShape, count));
    EnumDisplayMonitors(nullptr, nullptr, FoldMonitor, (LPARAM)&stamp);
    return stamp;
}

COLORREF ReadKeptColorForWhatShows()
{
    COLORREF kept = ReadKeptColor();
    JudgedOn on;
    ViewShape view;
    ShellTurn turn(ShellTurn::USER);
    if (kept == CLR_NONE || !ReadJudgedOn(on) || on.values != JudgedValuesStamp()
        || !ReadViewShape(FindDesktopListView(), turn, view) || on.layout != LayoutStamp(view))
        return CLR_NONE;
    WIN32_FILE_ATTRIBUTE_DATA now = {};
    if (on.picture[0])
        GetFileAttributesExW(on.picture, GetFileExInfoStandard, &now);
    return SameFileStamp(on.stamp, now) ? kept : CLR_NONE;
}

void KeepColor(COLORREF text, const JudgedOn& on)
{
    StoredJudgedOn stored = {on.values, on.layout, on.stamp.ftLastWriteTime, on.stamp.nFileSizeHigh,
                             on.stamp.nFileSizeLow, {}};
    lstrcpynW(stored.picture, on.picture, MAX_PICTURE_PATH);
    // the colour first: a start between the two writes finds the new colour
    // beside a record of what showed before, and applies nothing
    if (text != ReadKeptColor())
        WriteSetting(SETTINGS_SECTION, WALLPAPER_TEXT_COLOR_VALUE, (LONG)text);
    JudgedOn before;
    if (ReadJudgedOn(before) && before.values == on.values && before.layout == on.layout
        && SameFileStamp(before.stamp, on.stamp)
        && lstrcmpW(before.picture, stored.picture) == 0)
        return;
    WriteSettingData(SETTINGS_SECTION, WALLPAPER_JUDGED_ON_VALUE, REG_BINARY, &stored,
                     STORED_HEAD + (lstrlenW(stored.picture) + 1) * sizeof(WCHAR));
}
