#include "DesktopView.h"

#ifndef LVS_EX_TRANSPARENTSHADOWTEXT
#define LVS_EX_TRANSPARENTSHADOWTEXT 0x00800000   // Windows Vista's shadowed labels
#endif

// Newer shells sometimes move the icon view out of "Progman" into a
// top-level "WorkerW" window (wallpaper slideshows, desktop transitions).
static HWND FindDefView(HWND hProgman)
{
    HWND hDefView = FindWindowExA(hProgman, nullptr, "SHELLDLL_DefView", nullptr);
    for (HWND hWorker = nullptr; !hDefView && (hWorker = FindWindowExA(nullptr, hWorker, "WorkerW", nullptr));)
        hDefView = FindWindowExA(hWorker, nullptr, "SHELLDLL_DefView", nullptr);
    return hDefView;
}

HWND FindDesktopListView()
{
    HWND hProgman = FindWindowA("ProgMan", "Program Manager");
    if (!hProgman)
        return nullptr;
    HWND hDefView = FindDefView(hProgman);
    if (!hDefView)
        return nullptr;
    return FindWindowExA(hDefView, nullptr, "SysListView32", nullptr);
}

bool SendToView(HWND hView, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result, DWORD timeoutMs)
{
    DWORD_PTR dummy;
    return SendMessageTimeoutA(hView, message, wParam, lParam, SMTO_ABORTIFHUNG, timeoutMs, result ? result : &dummy)
           != 0;
}

// When the shell last left a message of the dialog's thread unanswered; 0
// for never. Only the dialog's thread reads and writes it.
static DWORD g_UnansweredAt;

ShellTurn::ShellTurn(Kind kind) : m_kind(kind), m_start(GetTickCount())
{
    m_bOver = kind == WATCH && g_UnansweredAt && m_start - g_UnansweredAt < SHELL_REST_MS;
}

bool ShellTurn::Send(HWND hView, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result)
{
    static_assert(SHELL_TURN_MS <= SHELL_MESSAGE_TIMEOUT_MS, "no message of a turn waits longer than one alone");
    DWORD spent = m_kind == WORKER ? 0 : GetTickCount() - m_start;
    if (m_bOver || spent >= SHELL_TURN_MS) {
        m_bOver = true;
        return false;
    }
    DWORD timeout = m_kind == WORKER ? (DWORD)SHELL_MESSAGE_TIMEOUT_MS : SHELL_TURN_MS - spent;
    if (SendToView(hView, message, wParam, lParam, result, timeout))
        return true;
    m_bOver = true;
    // a view that is gone is no shell that is slow: its successor is not kept waiting
    if (m_kind != WORKER && IsWindow(hView))
        g_UnansweredAt = GetTickCount() | 1;
    return false;
}

void SetListViewColors(HWND hListView, COLORREF text, COLORREF textBk, ShellTurn& turn)
{
    DWORD_PTR count;
    if (!hListView
        || !turn.Send(hListView, LVM_SETTEXTBKCOLOR, 0, (LPARAM)textBk)
        || !turn.Send(hListView, LVM_SETTEXTCOLOR, 0, (LPARAM)text)
        || !turn.Send(hListView, LVM_GETITEMCOUNT, 0, 0, &count))
        return;
    if (!turn.Send(hListView, LVM_REDRAWITEMS, 0, (LPARAM)((int)count - 1)))
        return;
    // The shell repaints the marked items as soon as it is idle; updating its
    // window from here would wait, without a bound, for a shell that is stuck
    // painting. Only a view of this thread's own is painted at once.
    if (GetWindowThreadProcessId(hListView, nullptr) == GetCurrentThreadId())
        UpdateWindow(hListView);
}

void ApplyDesktopColors(COLORREF text, COLORREF textBk)
{
    ShellTurn turn(ShellTurn::USER);
    SetListViewColors(FindDesktopListView(), text, textBk, turn);
}

HWND ReapplyIfReset(COLORREF wanted, ShellTurn& turn)
{
    // Colours are compared as the view reports them, all 32 bits.
    DWORD_PTR textBk, text;
    HWND hView = FindDesktopListView();
    if (!hView || wanted == CLR_NONE || !turn.Send(hView, LVM_GETTEXTBKCOLOR, 0, 0, &textBk))
        return hView;
    if ((COLORREF)textBk == CLR_NONE) {
        hView = FindDesktopListView();
        if (!hView || !turn.Send(hView, LVM_GETTEXTCOLOR, 0, 0, &text) || (COLORREF)text == wanted)
            return hView;
    }
    SetListViewColors(FindDesktopListView(), wanted, CLR_NONE, turn);
    return hView;
}

// The shell of Windows Vista and later draws the labels with shadows straight
// on the wallpaper, and marks its view so: an opaque background there would
// give them boxes that Windows itself never shows (often black, the colour
// behind the wallpaper). Without the mark, the labels have the desktop
// colour behind them.
void RestoreDesktopColors()
{
    // the system's colours as they are now: a notice of a contrast theme may
    // come before the colours' own
    COLORREF desktop = GetSysColor(COLOR_BACKGROUND);
    HWND hView = FindDesktopListView();
    DWORD_PTR exStyle;
    ShellTurn turn(ShellTurn::USER);
    if (!hView || !turn.Send(hView, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0, &exStyle))
        return;
    COLORREF textBk = exStyle & LVS_EX_TRANSPARENTSHADOWTEXT ? CLR_NONE : desktop;
    SetListViewColors(hView, GetContrastColor(desktop), textBk, turn);
}
