// The headers declare IFolderView2 for Windows Vista on; the shell's view is
// asked for it at run time, and done without where it does not answer.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#include "FolderView.h"
#include <exdisp.h>
#include <servprov.h>
#include <shlguid.h>
#include <shlobj.h>

RECT LabelAtPosition(POINT position, POINT origin, SIZE spacing, SIZE icon, int dpi)
{
    RECT cell = {origin.x + position.x, origin.y + position.y, 0, 0};
    cell.right = cell.left + spacing.cx;
    cell.bottom = cell.top + spacing.cy;
    return LabelOfCell(cell, icon, dpi);
}

static void Release(IUnknown* pUnknown)
{
    if (pUnknown)
        pUnknown->Release();
}

// The view of the shell's desktop window, from the shell's list of its
// windows; none where there is no such list, or its desktop shows another
// list view than hView (a shell that is not the one the labels are in).
static IFolderView* OpenFolderView(HWND hView)
{
    IShellWindows* pWindows = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_IShellWindows, (void**)&pWindows)))
        return nullptr;
    VARIANT desktop = {}, root = {};
    desktop.vt = VT_I4;
    desktop.lVal = CSIDL_DESKTOP;
    LONG hwnd = 0;
    IDispatch* pDispatch = nullptr;
    IServiceProvider* pProvider = nullptr;
    IShellBrowser* pBrowser = nullptr;
    IShellView* pShellView = nullptr;
    IFolderView* pFolderView = nullptr;
    HWND hDefView = nullptr;
    if (pWindows->FindWindowSW(&desktop, &root, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, &pDispatch) == S_OK
        && pDispatch && SUCCEEDED(pDispatch->QueryInterface(IID_IServiceProvider, (void**)&pProvider))
        && SUCCEEDED(pProvider->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, (void**)&pBrowser))
        && SUCCEEDED(pBrowser->QueryActiveShellView(&pShellView)) && SUCCEEDED(pShellView->GetWindow(&hDefView))
        && hDefView && hDefView == GetParent(hView)
        && FAILED(pShellView->QueryInterface(IID_IFolderView, (void**)&pFolderView)))
        pFolderView = nullptr;
    Release(pShellView);
    Release(pBrowser);
    Release(pProvider);
    Release(pDispatch);
    pWindows->Release();
    return pFolderView;
}

// The shell serves its list of windows from the process of its desktop
// window, which also owns the view of the labels. A view in any other process
// is not asked: the list could only name another view, and where another
// program serves it (Wine's desktop, one for each desktop, whose registration
// outlives it), asking can start a program or reach one that has ended, which
// has crashed the system's COM code in this process.
static bool IsTheShellsView(HWND hView)
{
    DWORD shell = 0, owner = 0;
    HWND hShell = GetShellWindow();
    return hShell && GetWindowThreadProcessId(hShell, &shell) && GetWindowThreadProcessId(hView, &owner)
        && shell == owner;
}

// A view that had no folder view to give is asked again only after a while:
// the attempt loads much and costs time. A new view, as a restarted shell
// makes, is asked at once. Evaluations seldom overlap, and a torn pair costs
// only an attempt more or less: no lock.
enum { UNANSWERED_RETRY_MS = 60000 };
static HWND g_hUnanswered;
static DWORD g_UnansweredAt;

bool ReadFolderView(HWND hView, ViewGeometry& view, RECT* labels, bool* read)
{
    if (!IsTheShellsView(hView) || (hView == g_hUnanswered && GetTickCount() - g_UnansweredAt < UNANSWERED_RETRY_MS))
        return false;
    IFolderView* pView = OpenFolderView(hView);
    g_hUnanswered = pView ? nullptr : hView;
    g_UnansweredAt = GetTickCount();
    if (!pView)
        return false;
    // the size chosen in View, which the shell draws at its DPI
    IFolderView2* pView2 = nullptr;
    FOLDERVIEWMODE mode;
    int size = 0;
    if (SUCCEEDED(pView->QueryInterface(IID_IFolderView2, (void**)&pView2))
        && SUCCEEDED(pView2->GetViewModeAndIconSize(&mode, &size)) && size > 0)
        view.icon.cx = view.icon.cy = MulDiv(size, view.dpi, 96);
    Release(pView2);
    POINT spacing = {}, origin = {};
    if (SUCCEEDED(pView->GetSpacing(&spacing)) && spacing.x > 0 && spacing.y > 0)
        view.spacing = {spacing.x, spacing.y};
    ClientToScreen(hView, &origin);
    int count = 0;
    if (FAILED(pView->ItemCount(SVGIO_ALLVIEW, &count)) || count < 0)
        count = 0;
    if (count > view.count)
        count = view.count;
    for (int i = 0; i < count; ++i) {
        PITEMID_CHILD pidl = nullptr;
        POINT position;
        read[i] = SUCCEEDED(pView->Item(i, &pidl)) && SUCCEEDED(pView->GetItemPosition(pidl, &position));
        CoTaskMemFree(pidl);
        if (read[i])
            labels[i] = LabelAtPosition(position, origin, view.spacing, view.icon, view.dpi);
    }
    pView->Release();
    return true;
}
