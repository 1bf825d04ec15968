// A stand-in for the desktop shell, for tests and demos under Wine, which has
// no desktop icon view of its own: a "Progman" window titled "Program Manager"
// with a "SHELLDLL_DefView" child holding a real "SysListView32" of icons.
//
//   --items N          number of icons (default 8, 0 allowed)
//   --color RRGGBB     desktop colour; also made the system's COLOR_BACKGROUND
//   --reset-after MS   reset the label colours to the shell's own look once
//   --reset-every MS   ... and periodically
//   --refresh-every MS refresh the view periodically, as F5 on the desktop
//                      does (so does F5 on the view): fill it again, raise
//                      EVENT_OBJECT_REORDER, and reset the label colours
//   --f5-unannounced   F5 refills the view without the event, as Wine's does
//   --no-defview       the list view sits directly in "Progman"
//   --workerw          the "SHELLDLL_DefView" sits in a top-level "WorkerW"
//   --hang-after MS    stop answering messages after MS ...
//   --hang-for MS      ... for that long (default 3000)
//   --taskbar          also a "Shell_TrayWnd" that logs notification-icon requests
//   --tray-refuse N    ... and refuses the first N icons it is asked to add, as
//                      a taskbar that is not ready yet at logon does
//   --tray-lost-adds N ... and adds the first N icons but answers that it did
//                      not, as a busy taskbar's add that timed out does
//   --classic          the labels' look of shells before Windows Vista, or with
//                      the shadows off: text in the desktop colour's contrast
//                      colour on an opaque background of the desktop colour.
//                      Without it, the look of Windows Vista to 11: white text
//                      with shadows (LVS_EX_TRANSPARENTSHADOWTEXT) on no background
//   --reset-on-broadcast  reset the label colours on every system-wide change
//                      it handles (colours, settings, theme, display, a new
//                      taskbar), as the real shell does
//   --shell-view       the platform's own view of the desktop folder instead of
//                      the hand-made one (--items, --no-defview, --workerw ignored)
//   The wallpaper (Control Panel\Desktop) shows behind the icons, read again
//   on a broadcast SPI_SETDESKWALLPAPER.
//   --log FILE         log every list-view message sent from another thread
#include "StandInShell.h"
#include "ShellViewHost.h"
#include "TrayRecord.h"
#include "WallpaperPaint.h"
#include "res/resource.h"
#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <set>

#ifndef LVS_EX_TRANSPARENTSHADOWTEXT
#define LVS_EX_TRANSPARENTSHADOWTEXT 0x00800000
#endif

enum { TIMER_RESET_ONCE = 1, TIMER_RESET_EVERY, TIMER_HANG, TIMER_REFRESH_EVERY };

static HWND g_hProgman, g_hList;
static WNDPROC g_pfnListProc;
static FILE* g_log;
static COLORREF g_desktop;
static int g_hangFor = 3000;
static LONG g_resetCount, g_repairCount, g_lastRepairUs, g_lastRepairAt, g_paintCount;
static bool g_resetOnBroadcast, g_classic, g_shellView, g_wallpaper;
static int g_items = 8;
static WPARAM g_f5Refresh = SHELL_REFRESH_ANNOUNCED;
static int g_trayRefusals, g_trayLostAdds;
// The icons the taskbar has, by window and id: as the shell's, it refuses a
// second add of one it has, and a change to or a removal of one it has not.
static std::set<std::pair<DWORD, DWORD>> g_trayIcons;
static void MakeNewTaskbar();
static const UINT WM_TASKBARCREATED = RegisterWindowMessageA("TaskbarCreated");
static LONG g_resetAt, g_lookAlikeClicks, g_checkCount, g_labelReads, g_busyMs, g_lastColorAt;
static bool g_asked;
static bool g_resetPending, g_sysColorChanged;

static COLORREF ShellTextColor(COLORREF bk)
{
    int luma = (GetRValue(bk) * 299 + GetGValue(bk) * 587 + GetBValue(bk) * 114) / 1000;
    return luma >= 128 ? RGB(0, 0, 0) : RGB(255, 255, 255);
}

// What the real shell does when it redraws the desktop its own way.
static void ResetLabelColors()
{
    ListView_SetBkColor(g_hList, g_wallpaper ? CLR_NONE : g_desktop);
    ListView_SetTextBkColor(g_hList, g_classic ? g_desktop : CLR_NONE);
    ListView_SetTextColor(g_hList, g_classic ? ShellTextColor(g_desktop) : RGB(255, 255, 255));
    InvalidateRect(g_hList, nullptr, TRUE);
    ++g_resetCount;
    g_resetPending = true;
    g_resetAt = ShellClockUs();
}

static const char* MessageName(UINT msg)
{
    switch (msg) {
    case LVM_GETTEXTCOLOR: return "GETTEXTCOLOR";
    case LVM_SETTEXTCOLOR: return "SETTEXTCOLOR";
    case LVM_GETTEXTBKCOLOR: return "GETTEXTBKCOLOR";
    case LVM_SETTEXTBKCOLOR: return "SETTEXTBKCOLOR";
    case LVM_GETITEMCOUNT: return "GETITEMCOUNT";
    case LVM_GETITEMSPACING: return "GETITEMSPACING";
    case LVM_REDRAWITEMS: return "REDRAWITEMS";
    case LVM_GETBKCOLOR: return "GETBKCOLOR";
    case LVM_SETBKCOLOR: return "SETBKCOLOR";
    case WM_NULL: return "NULL";
    }
    return nullptr;
}

static void Log(const char* line)
{
    if (!g_log)
        return;
    fputs(line, g_log);
    fputc('\n', g_log);
    fflush(g_log);
}

static void Refresh(WPARAM how);

static LRESULT CALLBACK ListProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_KEYDOWN && wParam == VK_F5) {
        Refresh(g_f5Refresh);
        return 0;
    }
    if (msg == WM_ERASEBKGND && PaintWallpaper(hWnd, (HDC)wParam))
        return 1;
    bool external = InSendMessage() != FALSE;
    if (msg == WM_PAINT)
        ++g_paintCount;
    if (external && msg == LVM_GETTEXTBKCOLOR)
        ++g_checkCount;
    // a judgement asks whether the shell answers (WM_NULL) before it reads
    // the labels' places; a look at the view's spacing alone asks nothing first
    if (external && msg == WM_NULL)
        g_asked = true;
    if (external && msg == LVM_GETITEMSPACING && g_asked)
        ++g_labelReads, g_asked = false;
    if (external && g_busyMs && msg != WM_NULL)
        Sleep(g_busyMs);
    if (external && msg == LVM_SETTEXTCOLOR)
        g_lastColorAt = ShellClockUs();
    if (external && msg == LVM_SETTEXTCOLOR && g_resetPending) {
        g_lastRepairAt = ShellClockUs();
        g_lastRepairUs = (g_lastRepairAt - g_resetAt) & 0x7FFFFFFF;
        g_resetPending = false;
        ++g_repairCount;
    }
    if (((msg >= LVM_FIRST && msg < LVM_FIRST + 0x100) || msg == WM_NULL) && external) {
        char line[80];
        const char* name = MessageName(msg);
        if (name)
            snprintf(line, sizeof line, "%s %ld %ld", name, (long)wParam, (long)lParam);
        else
            snprintf(line, sizeof line, "0x%04X %ld %ld", msg, (long)wParam, (long)lParam);
        Log(line);
    }
    return CallWindowProcA(g_pfnListProc, hWnd, msg, wParam, lParam);
}

static void FillItems();

// The shell fills its view again and sets its label colours as the fill
// ends. Windows' list view raises EVENT_OBJECT_REORDER as its items change;
// Wine's raises nothing, so the stand-in raises it as Windows' would.
static void Refresh(WPARAM how)
{
    if (g_shellView)
        RefreshDesktopFolderView();
    else
        FillItems();
    if (how == SHELL_REFRESH_ANNOUNCED)
        NotifyWinEvent(EVENT_OBJECT_REORDER, g_hList, OBJID_CLIENT, CHILDID_SELF);
    ResetLabelColors();
}

static DWORD WINAPI RaiseOnAnotherThread(LPVOID)
{
    NotifyWinEvent(EVENT_OBJECT_REORDER, g_hProgman, OBJID_CLIENT, CHILDID_SELF);
    return 0;
}

static void RaiseOtherReorder(WPARAM where)
{
    if (where == SHELL_OTHER_WINDOW) {
        NotifyWinEvent(EVENT_OBJECT_REORDER, g_hProgman, OBJID_CLIENT, CHILDID_SELF);
        return;
    }
    HANDLE hThread = CreateThread(nullptr, 0, RaiseOnAnotherThread, nullptr, 0, nullptr);
    WaitForSingleObject(hThread, INFINITE);
    CloseHandle(hThread);
}

static void SetDesktopColor(COLORREF color)
{
    g_desktop = color;
    INT element = COLOR_BACKGROUND;
    SetSysColors(1, &element, &color);
    g_sysColorChanged = true;
    ResetLabelColors();
}

static void ResetOnBroadcast()
{
    if (g_resetOnBroadcast)
        ResetLabelColors();
}

static INT_PTR CALLBACK LookAlikeProc(HWND, UINT msg, WPARAM wParam, LPARAM)
{
    g_lookAlikeClicks += msg == WM_COMMAND && wParam == MAKEWPARAM(IDC_REMOVE_FROM_MEMORY, BN_CLICKED);
    return FALSE;
}

static HWND MakeLookAlike()
{
    HINSTANCE hInst = GetModuleHandleA(nullptr);
    HWND hDlg = CreateWindowExA(0, "#32770", "Vireola", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, hInst, nullptr);
    SetWindowLongPtrA(hDlg, DWLP_DLGPROC, (LONG_PTR)LookAlikeProc);
    CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 100, 80, hDlg,
                    (HMENU)IDC_TEXT_COLOR, hInst, nullptr);
    CreateWindowExA(0, "BUTTON", "Remove From Memory", WS_CHILD, 0, 30, 100, 20, hDlg,
                    (HMENU)IDC_REMOVE_FROM_MEMORY, hInst, nullptr);
    return hDlg;
}

static LRESULT CALLBACK ProgmanProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_TIMER:
        if (wParam == TIMER_RESET_ONCE) {
            KillTimer(hWnd, wParam);
            ResetLabelColors();
        } else if (wParam == TIMER_RESET_EVERY) {
            ResetLabelColors();
        } else if (wParam == TIMER_REFRESH_EVERY) {
            Refresh(SHELL_REFRESH_ANNOUNCED);
        } else if (wParam == TIMER_HANG) {
            KillTimer(hWnd, wParam);
            Sleep(g_hangFor);
        }
        return 0;
    case SHELL_RESET_COLORS:
        ResetLabelColors();
        return 0;
    case SHELL_HANG:
        if (lParam)
            ResetLabelColors();
        Sleep((DWORD)wParam);
        return 0;
    case SHELL_RESET_PERIOD:
        if (wParam)
            SetTimer(hWnd, TIMER_RESET_EVERY, (UINT)wParam, nullptr);
        else
            KillTimer(hWnd, TIMER_RESET_EVERY);
        return 0;
    case SHELL_RESET_COUNT:
        return g_resetCount;
    case SHELL_REPAIR_COUNT:
        return g_repairCount;
    case SHELL_LAST_REPAIR_US:
        return g_lastRepairUs;
    case SHELL_PAINT_COUNT:
        return g_paintCount;
    case SHELL_LAST_REPAIR_AT:
        return g_lastRepairAt;
    case SHELL_MAKE_LOOK_ALIKE:
        return (LRESULT)MakeLookAlike();
    case SHELL_LOOK_ALIKE_CLICKS:
        return g_lookAlikeClicks;
    case SHELL_CHECK_COUNT:
        return g_checkCount;
    case SHELL_LABEL_READS:
        return g_labelReads;
    case SHELL_LAST_COLOR_AT:
        return g_lastColorAt;
    case SHELL_BUSY:
        g_busyMs = (LONG)wParam;
        return 0;
    case SHELL_NEW_TASKBAR:
        MakeNewTaskbar();
        return 0;
    case SHELL_REFRESH:
        Refresh(wParam);
        return 0;
    case SHELL_RAISE_OTHER_REORDER:
        RaiseOtherReorder(wParam);
        return 0;
    case WM_SETTINGCHANGE:
        if (wParam == SPI_SETDESKWALLPAPER) {
            g_wallpaper = LoadWallpaper();
            ListView_SetBkColor(g_hList, g_wallpaper ? CLR_NONE : g_desktop);
            InvalidateRect(g_hList, nullptr, TRUE);
        }
        ResetOnBroadcast();
        break;
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
    case WM_DISPLAYCHANGE:
        ResetOnBroadcast();
        break;
    case SHELL_SET_DESKTOP_COLOR:
        SetDesktopColor((COLORREF)lParam);
        return 0;
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    if (msg == WM_TASKBARCREATED)
        ResetOnBroadcast();
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

// Whether the taskbar did what it was asked, and what the log says of it.
static bool AnswerTray(const TrayRecord& record, const char*& answer)
{
    std::pair<DWORD, DWORD> icon(record.hWnd, record.uID);
    bool has = g_trayIcons.count(icon) != 0;
    switch (record.request) {
    case NIM_ADD:
        if (g_trayRefusals > 0) {
            --g_trayRefusals;
            answer = " refused";
            return false;
        }
        if (has) {
            answer = " duplicate";
            return false;
        }
        g_trayIcons.insert(icon);
        if (g_trayLostAdds > 0) {
            --g_trayLostAdds;
            answer = " added but answered refused";
            return false;
        }
        return true;
    case NIM_DELETE:
        g_trayIcons.erase(icon);
        // fall through
    case NIM_MODIFY:
        if (!has)
            answer = " unknown";
        return has;
    }
    return true;
}

static void MakeNewTaskbar()
{
    g_trayIcons.clear();
    PostMessageA(HWND_BROADCAST, WM_TASKBARCREATED, 0, 0);
}

// Shell_NotifyIcon requests come to the newest "Shell_TrayWnd" as
// WM_COPYDATA, in the sending platform's layout (TrayRecord.h).
static LRESULT CALLBACK TrayProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg != WM_COPYDATA)
        return DefWindowProcA(hWnd, msg, wParam, lParam);
    const COPYDATASTRUCT* cds = (const COPYDATASTRUCT*)lParam;
    TrayRecord record;
    const char* answer = "";
    bool done = ReadTrayRecord(cds->dwData, cds->lpData, cds->cbData, record) && AnswerTray(record, answer);
    char line[300];
    FormatTrayRecord(record, line, sizeof line);
    strcat(line, answer);
    Log(line);
    return done;
}

static void SetImages()
{
    HIMAGELIST hImages = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 4, 4);
    const char* icons[] = {IDI_APPLICATION, IDI_WINLOGO, IDI_INFORMATION, IDI_WARNING};
    for (const char* id : icons)
        ImageList_AddIcon(hImages, LoadIconA(nullptr, id));
    ListView_SetImageList(g_hList, hImages, LVSIL_NORMAL);
}

static void FillItems()
{
    ListView_DeleteAllItems(g_hList);
    static const char* names[] = {"My Computer", "Recycle Bin", "My Documents", "Network",
                                  "Notes", "Projects", "Photos", "Readme"};
    for (int i = 0; i < g_items; ++i) {
        char text[64];
        if (i < 8)
            lstrcpynA(text, names[i], sizeof text);
        else
            snprintf(text, sizeof text, "Item %d", i + 1);
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.pszText = text;
        item.iImage = i % 4;
        SendMessageA(g_hList, LVM_INSERTITEMA, 0, (LPARAM)&item);
    }
}

static HWND CreatePlainWindow(const char* cls, const char* title, DWORD style, HWND hParent,
                              WNDPROC proc, int cx, int cy)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = cls;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    RegisterClassA(&wc);
    return CreateWindowExA(0, cls, title, style, 0, 0, cx, cy, hParent, nullptr, wc.hInstance, nullptr);
}

// The desktop's list view as the tests need it: in "SHELLDLL_DefView" or not,
// under "Progman" or a top-level "WorkerW".
static HWND CreateHandMadeView(bool defView, bool workerW, int cx, int cy)
{
    HWND hParent = g_hProgman;
    if (workerW) {
        // an empty one first, as the real shell has
        CreatePlainWindow("WorkerW", "", WS_POPUP, nullptr, DefWindowProcA, cx, cy);
        hParent = CreateWindowExA(0, "WorkerW", "", WS_POPUP | WS_VISIBLE, 0, 0, cx, cy, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    }
    if (defView || workerW)
        hParent = CreatePlainWindow("SHELLDLL_DefView", "", WS_CHILD | WS_VISIBLE, hParent,
                                    DefWindowProcA, cx, cy);
    g_hList = CreateWindowExA(0, WC_LISTVIEWA, "FolderView",
                              WS_CHILD | WS_VISIBLE | LVS_ICON | LVS_AUTOARRANGE, 0, 0, cx, cy,
                              hParent, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetImages();
    FillItems();
    return g_hList;
}

// The shell's taskbar is per-monitor aware, as its whole process is: asked
// for its DPI, it answers with its monitor's, at whatever scale this
// process itself runs.
static void CreateTaskbar()
{
    typedef HANDLE(WINAPI * SetContext)(HANDLE);
    auto setContext = (SetContext)(void (*)())GetProcAddress(GetModuleHandleA("user32.dll"),
                                                             "SetThreadDpiAwarenessContext");
    // per-monitor v2, or the first generation where that is not known (Wine 8)
    HANDLE before = setContext ? setContext((HANDLE)-4) : nullptr;
    if (setContext && !before)
        before = setContext((HANDLE)-3);
    CreatePlainWindow("Shell_TrayWnd", "", WS_POPUP, nullptr, TrayProc, 0, 0);
    if (before)
        setContext(before);
}

// main, not WinMain: the program's own library, whose wallpaper code it draws with, has that
int main()
{
    int resetAfter = 0, resetEvery = 0, refreshEvery = 0, hangAfter = 0;
    bool defView = true, workerW = false, taskbar = false;
    g_desktop = GetSysColor(COLOR_BACKGROUND);
    bool setColor = false;
    for (int i = 1; i < __argc; ++i) {
        const char* a = __argv[i];
        const char* v = i + 1 < __argc ? __argv[i + 1] : "0";
        if (!strcmp(a, "--items")) g_items = atoi(v), ++i;
        else if (!strcmp(a, "--color")) {
            unsigned long rgb = strtoul(v, nullptr, 16);
            g_desktop = RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF);
            setColor = true;
            ++i;
        }
        else if (!strcmp(a, "--reset-after")) resetAfter = atoi(v), ++i;
        else if (!strcmp(a, "--reset-every")) resetEvery = atoi(v), ++i;
        else if (!strcmp(a, "--refresh-every")) refreshEvery = atoi(v), ++i;
        else if (!strcmp(a, "--hang-after")) hangAfter = atoi(v), ++i;
        else if (!strcmp(a, "--hang-for")) g_hangFor = atoi(v), ++i;
        else if (!strcmp(a, "--f5-unannounced")) g_f5Refresh = SHELL_REFRESH_UNANNOUNCED;
        else if (!strcmp(a, "--no-defview")) defView = false;
        else if (!strcmp(a, "--workerw")) workerW = true;
        else if (!strcmp(a, "--taskbar")) taskbar = true;
        else if (!strcmp(a, "--tray-refuse")) g_trayRefusals = atoi(v), ++i;
        else if (!strcmp(a, "--tray-lost-adds")) g_trayLostAdds = atoi(v), ++i;
        else if (!strcmp(a, "--classic")) g_classic = true;
        else if (!strcmp(a, "--shell-view")) g_shellView = true;
        else if (!strcmp(a, "--reset-on-broadcast")) g_resetOnBroadcast = true;
        else if (!strcmp(a, "--log")) g_log = fopen(v, "w"), ++i;
    }

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    g_wallpaper = LoadWallpaper();
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);

    if (taskbar)
        CreateTaskbar();
    // titled once everything is in place: only then can the desktop be found
    g_hProgman = CreatePlainWindow("Progman", "", WS_POPUP | WS_VISIBLE, nullptr, ProgmanProc, cx, cy);
    // Under load, Wine's view of the desktop folder has failed to come up:
    // it has a second try, from a fresh view, and the log names the step
    // that failed last.
    const char* failure = "no list view created";
    for (int attempt = 0; !g_hList && attempt < (g_shellView ? 2 : 1); ++attempt)
        g_hList = g_shellView ? HostDesktopFolderView(g_hProgman, failure) : CreateHandMadeView(defView, workerW, cx, cy);
    if (!g_hList) {
        Log(failure);
        return 2;
    }
    ListView_SetExtendedListViewStyleEx(g_hList, LVS_EX_TRANSPARENTSHADOWTEXT,
                                        g_classic ? 0 : LVS_EX_TRANSPARENTSHADOWTEXT);
    INT element = COLOR_BACKGROUND;
    COLORREF original = GetSysColor(COLOR_BACKGROUND);
    if (setColor)
        SetDesktopColor(g_desktop);
    else
        ResetLabelColors();
    g_resetCount = 0;
    g_resetPending = false;
    g_pfnListProc = (WNDPROC)SetWindowLongPtrA(g_hList, GWLP_WNDPROC, (LONG_PTR)ListProc);

    SetWindowTextA(g_hProgman, "Program Manager");
    if (resetAfter)
        SetTimer(g_hProgman, TIMER_RESET_ONCE, resetAfter, nullptr);
    if (resetEvery)
        SetTimer(g_hProgman, TIMER_RESET_EVERY, resetEvery, nullptr);
    if (refreshEvery)
        SetTimer(g_hProgman, TIMER_REFRESH_EVERY, refreshEvery, nullptr);
    if (hangAfter)
        SetTimer(g_hProgman, TIMER_HANG, hangAfter, nullptr);
    if (taskbar)
        MakeNewTaskbar();

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    // the system colour is the prefix's, shared with later runs
    if (g_sysColorChanged)
        SetSysColors(1, &element, &original);
    if (g_log)
        fclose(g_log);
    return 0;
}
