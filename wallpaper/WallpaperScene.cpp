// The headers declare IDesktopWallpaper for Windows 8 only; the program asks
// for its class at run time, and does without it where it is missing.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0602
#include "WallpaperScene.h"
#include "ShellCopies.h"
#include "RegistryValues.h"
#include "../framework/NewerWindows.h"
#include <shobjidl.h>
#include <string.h>

static_assert((int)WALLPAPER_CENTER == DWPOS_CENTER && (int)WALLPAPER_TILE == DWPOS_TILE
                  && (int)WALLPAPER_STRETCH == DWPOS_STRETCH && (int)WALLPAPER_FIT == DWPOS_FIT
                  && (int)WALLPAPER_FILL == DWPOS_FILL && (int)WALLPAPER_SPAN == DWPOS_SPAN,
              "positions in IDesktopWallpaper's order");


static void AddMonitor(WallpaperScene& scene, const RECT& monitor, const WCHAR* path, WallpaperPosition position,
                       int shellIndex = 0)
{
    if (scene.monitorCount == MAX_SCENE_MONITORS || IsRectEmpty(&monitor))
        return;
    MonitorWallpaper& m = scene.monitors[scene.monitorCount++];
    m.monitor = monitor;
    m.shellIndex = shellIndex;
    m.fallback[0] = 0;
    if (!path || !ReadablePath(path, m.path))
        m.path[0] = 0;
    m.position = position;
    UnionRect(&scene.virtualScreen, &scene.virtualScreen, &monitor);
}

// The shell answers in its own coordinates, which differ from this
// process's where the process has the system's DPI and a monitor another
// (Windows 8.1, and Windows 10 before 1607): each monitor is taken as this
// process sees it, found by its device's name, in the coordinates the labels
// are read in.
struct OwnMonitor
{
    const WCHAR* id;
    RECT* rect;
};

static BOOL CALLBACK FindOwnMonitor(HMONITOR hMonitor, HDC, RECT*, LPARAM lParam)
{
    OwnMonitor* own = (OwnMonitor*)lParam;
    MONITORINFOEXW info;
    info.cbSize = sizeof info;
    DISPLAY_DEVICEW device;
    device.cb = sizeof device;
    for (DWORD i = 0; GetMonitorInfoW(hMonitor, &info)
                      && EnumDisplayDevicesW(info.szDevice, i, &device, EDD_GET_DEVICE_INTERFACE_NAME);
         ++i) {
        if (lstrcmpiW(device.DeviceID, own->id) == 0) {
            *own->rect = info.rcMonitor;
            return FALSE;
        }
    }
    return TRUE;
}

// False where the class is missing (before Windows 8, and Wine) or tells of
// no monitor.
static bool ReadPerMonitor(WallpaperScene& scene)
{
    IDesktopWallpaper* pWallpaper = nullptr;
    if (FAILED(CoCreateInstance(CLSID_DesktopWallpaper, nullptr, CLSCTX_ALL, __uuidof(IDesktopWallpaper),
                                (void**)&pWallpaper)))
        return false;
    UINT count = 0;
    // Windows' own default where it does not say
    DESKTOP_WALLPAPER_POSITION position = DWPOS_FILL;
    if (FAILED(pWallpaper->GetPosition(&position)) || position < DWPOS_CENTER || position > DWPOS_SPAN)
        position = DWPOS_FILL;
    if (FAILED(pWallpaper->GetBackgroundColor(&scene.desktop)))
        scene.desktop = GetSysColor(COLOR_BACKGROUND);
    pWallpaper->GetMonitorDevicePathCount(&count);
    for (UINT i = 0; i < count; ++i) {
        LPWSTR id = nullptr, path = nullptr;
        RECT monitor;
        // a monitor that is not attached answers S_FALSE
        if (SUCCEEDED(pWallpaper->GetMonitorDevicePathAt(i, &id)) && pWallpaper->GetMonitorRECT(id, &monitor) == S_OK) {
            OwnMonitor own = {id, &monitor};
            EnumDisplayMonitors(nullptr, nullptr, FindOwnMonitor, (LPARAM)&own);
            AddMonitor(scene, monitor, SUCCEEDED(pWallpaper->GetWallpaper(id, &path)) ? path : nullptr,
                       (WallpaperPosition)position, (int)i);
        }
        CoTaskMemFree(path);
        CoTaskMemFree(id);
    }
    pWallpaper->Release();
    return scene.monitorCount > 0;
}

static void ReadDesktopValue(HKEY hKey, const char* name, char (&value)[16])
{
    DWORD type, size = sizeof value - 1;
    if (RegQueryValueExA(hKey, name, nullptr, &type, (BYTE*)value, &size) != ERROR_SUCCESS || type != REG_SZ)
        size = 0;
    value[size] = 0;
}

void ReadDesktopValues(HKEY hKey, DesktopValues& values)
{
    ZeroMemory(&values, sizeof values);
    DWORD type = 0, size = sizeof values.wallpaper - sizeof(WCHAR);
    values.stored = RegQueryValueExW(hKey, L"Wallpaper", nullptr, &type, (BYTE*)values.wallpaper, &size)
                        == ERROR_SUCCESS
                    && type == REG_SZ;
    values.wallpaper[values.stored ? size / sizeof(WCHAR) : 0] = 0;
    ReadDesktopValue(hKey, "WallpaperStyle", values.style);
    ReadDesktopValue(hKey, "TileWallpaper", values.tile);
}

DWORD Fold(DWORD stamp, const BYTE* bytes, DWORD count)
{
    while (count--)
        stamp = (stamp ^ *bytes++) * 16777619u;
    return stamp;
}

DWORD DesktopValuesStamp(HKEY hKey, CopyRecords* records)
{
    DWORD stamp = FNV_START;
    RegistryValue value;
    ValueRead read;
    for (DWORD i = 0; (read = ValueAt(hKey, i, value)) != VALUE_END; ++i) {
        if (read != VALUE_READ)
            continue;
        // whatever case a writer gave the name
        WCHAR* name = value.name;
        CharUpperBuffW(name, lstrlenW(name));
        if (!Begins(name, L"WALLPAPER") && !Begins(name, L"TILEWALLPAPER") && !Begins(name, L"TRANSCODEDIMAGECACHE"))
            continue;
        ReadValueData(hKey, value);
        stamp = Fold(stamp, (const BYTE*)name, lstrlenW(name) * sizeof(WCHAR));
        // of a value past the bound, its length
        stamp = value.data.Count() ? Fold(stamp, value.data.Data(), value.size)
                                   : Fold(stamp, (const BYTE*)&value.size, sizeof value.size);
        if (records)
            TakeCopyRecord(value, *records);
    }
    return stamp;
}

// A wallpaper set by policy: the shell shows it, whatever the user's values say.
#define POLICY_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System"

DWORD JudgedValuesStamp(DWORD desktopValues)
{
    DWORD stamp = Fold(FNV_START, (const BYTE*)&desktopValues, sizeof desktopValues), values = 0;
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, POLICY_KEY, 0, KEY_QUERY_VALUE, &hKey) == ERROR_SUCCESS) {
        values = DesktopValuesStamp(hKey);
        RegCloseKey(hKey);
    }
    stamp = Fold(stamp, (const BYTE*)&values, sizeof values);
    COLORREF desktop = GetSysColor(COLOR_BACKGROUND);
    return Fold(stamp, (const BYTE*)&desktop, sizeof desktop);
}

DWORD JudgedValuesStamp()
{
    HKEY hKey;
    DWORD values = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, DESKTOP_KEY, 0, KEY_QUERY_VALUE, &hKey) == ERROR_SUCCESS) {
        values = DesktopValuesStamp(hKey);
        RegCloseKey(hKey);
    }
    return JudgedValuesStamp(values);
}

bool SameFileStamp(const WIN32_FILE_ATTRIBUTE_DATA& a, const WIN32_FILE_ATTRIBUTE_DATA& b)
{
    return CompareFileTime(&a.ftLastWriteTime, &b.ftLastWriteTime) == 0 && a.nFileSizeLow == b.nFileSizeLow
           && a.nFileSizeHigh == b.nFileSizeHigh;
}

// The policy's picture (none where it is blank) and its position, numbered
// as IDesktopWallpaper numbers them; false where no policy sets it.
static bool ReadPolicyPicture(WCHAR (&path)[MAX_PICTURE_PATH], WallpaperPosition& position)
{
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, POLICY_KEY, 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS)
        return false;
    WCHAR stored[MAX_PICTURE_PATH];
    DWORD type = 0, size = sizeof stored - sizeof(WCHAR);
    bool set = RegQueryValueExW(hKey, L"Wallpaper", nullptr, &type, (BYTE*)stored, &size) == ERROR_SUCCESS
               && (type == REG_SZ || type == REG_EXPAND_SZ);
    stored[set ? size / sizeof(WCHAR) : 0] = 0;
    DWORD length = set ? ExpandEnvironmentStringsW(stored, path, MAX_PICTURE_PATH) : 0;
    if (set && (!length || length > MAX_PICTURE_PATH))
        path[0] = 0;
    // "0" to "5", as a string or a number: centred, tiled, stretched, fitted, filled, spanned
    BYTE style[16] = {};
    size = sizeof style - sizeof(WCHAR);
    DWORD number = 0;
    if (RegQueryValueExW(hKey, L"WallpaperStyle", nullptr, &type, style, &size) == ERROR_SUCCESS)
        number = type == REG_DWORD && size == 4 ? *(DWORD*)style : type == REG_SZ ? (DWORD)_wtoi((WCHAR*)style) : 0;
    if (set)
        position = number <= WALLPAPER_SPAN ? (WallpaperPosition)number : WALLPAPER_CENTER;
    RegCloseKey(hKey);
    return set;
}

struct OnePicture
{
    WallpaperScene* scene;
    WCHAR path[MAX_PICTURE_PATH];
    WallpaperPosition position;
};

static BOOL CALLBACK AddEachMonitor(HMONITOR, HDC, RECT* monitor, LPARAM lParam)
{
    OnePicture* one = (OnePicture*)lParam;
    AddMonitor(*one->scene, *monitor, one->path, one->position);
    return TRUE;
}

// The picture as stored beside its position, where Windows 7 keeps it (a
// slideshow's step included): Wine answers SystemParametersInfo from what
// each process read first, and never sees another's change. Where the value
// is missing, the system's answer.
static void ReadOnePicture(WallpaperScene& scene)
{
    OnePicture one = {&scene, {}, WALLPAPER_CENTER};
    DesktopValues values = {};
    HKEY hKey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, DESKTOP_KEY, 0, KEY_QUERY_VALUE, &hKey) == ERROR_SUCCESS) {
        ReadDesktopValues(hKey, values);
        RegCloseKey(hKey);
    }
    lstrcpyW(one.path, values.wallpaper);
    if (!values.stored && !Newer::SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, one.path, 0))
        one.path[0] = 0;
    one.path[MAX_PICTURE_PATH - 1] = 0;
    one.position = PositionFromRegistry(values.style, values.tile);
    ReadPolicyPicture(one.path, one.position);
    scene.desktop = GetSysColor(COLOR_BACKGROUND);
    EnumDisplayMonitors(nullptr, nullptr, AddEachMonitor, (LPARAM)&one);
}

void ReadWallpaperScene(WallpaperScene& scene)
{
    scene.monitorCount = 0;
    scene.watched[0] = 0;
    scene.values = 0;
    SetRectEmpty(&scene.virtualScreen);
    HKEY hKey;
    CopyRecords records = {};
    if (RegOpenKeyExA(HKEY_CURRENT_USER, DESKTOP_KEY, 0, KEY_QUERY_VALUE, &hKey) == ERROR_SUCCESS) {
        scene.values = DesktopValuesStamp(hKey, &records);
        RegCloseKey(hKey);
    }
    // where the class answers, only the shell's copies are watched: never a
    // picture's own folder on a removable drive or a share
    WCHAR themes[MAX_PATH];
    if (ReadPerMonitor(scene)) {
        if (ThemesFolder(themes))
            ChooseShownPictures(scene, themes, records);
    } else {
        scene.monitorCount = 0;
        SetRectEmpty(&scene.virtualScreen);
        ReadOnePicture(scene);
        if (scene.monitorCount)
            lstrcpyW(scene.watched, scene.monitors[0].path);
    }
}
