#include "LabelGrid.h"
#include "DesktopView.h"
#include "../framework/NewerWindows.h"
#include <oleacc.h>

// Labels read at most: a screen shows a few hundred; beyond a few thousand
// they lie far off it.
enum { MAX_LABELS = 10000 };

static LONG AtDpi(int pixels, int dpi)
{
    return MulDiv(pixels, dpi, 96);
}

RECT LabelOfCell(const RECT& cell, SIZE icon, int dpi)
{
    RECT label = {cell.left + AtDpi(LABEL_INSET, dpi), cell.top + AtDpi(ICON_TOP_MARGIN + LABEL_GAP, dpi) + icon.cy,
                  cell.right - AtDpi(LABEL_INSET, dpi), cell.bottom};
    if (label.right <= label.left || label.bottom <= label.top)
        SetRectEmpty(&label);
    return label;
}

RECT LabelAt(const ViewGeometry& view, int index)
{
    LONG cx = view.spacing.cx > 0 ? view.spacing.cx : 1;
    LONG cy = view.spacing.cy > 0 ? view.spacing.cy : 1;
    // cells in a column (aligned left) or a row (aligned top) before the grid wraps
    LONG fit = view.alignLeft ? (view.area.bottom - view.area.top) / cy : (view.area.right - view.area.left) / cx;
    if (fit < 1)
        fit = 1;
    LONG column = view.alignLeft ? index / fit : index % fit;
    LONG row = view.alignLeft ? index % fit : index / fit;
    RECT cell = {view.area.left + column * cx, view.area.top + row * cy, 0, 0};
    cell.right = cell.left + cx;
    cell.bottom = cell.top + cy;
    return LabelOfCell(cell, view.icon, view.dpi);
}

static bool ReadViewGeometry(HWND hView, LONG style, ViewGeometry& view)
{
    DWORD_PTR count, spacing;
    RECT client, work;
    if (!GetClientRect(hView, &client) || !SendToView(hView, LVM_GETITEMCOUNT, 0, 0, &count)
        || !SendToView(hView, LVM_GETITEMSPACING, FALSE, 0, &spacing))
        return false;
    MapWindowPoints(hView, nullptr, (POINT*)&client, 2);
    // The shell gives its view the monitors' work areas and starts the grid
    // at the primary monitor's, which is all that can be read of them from
    // another process.
    if (!Newer::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0) || !IntersectRect(&view.area, &work, &client))
        view.area = client;
    view.count = (int)count < 0 ? 0 : (int)count < MAX_LABELS ? (int)count : MAX_LABELS;
    view.spacing = {LOWORD(spacing), HIWORD(spacing)};
    // the shell's icons, at the system's DPI as the shell is
    view.icon = {GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)};
    HDC hScreen = GetDC(nullptr);
    view.dpi = GetDeviceCaps(hScreen, LOGPIXELSY);
    ReleaseDC(nullptr, hScreen);
    view.alignLeft = (style & LVS_ALIGNMASK) == LVS_ALIGNLEFT;
    return view.spacing.cx > 0 && view.spacing.cy > 0;
}

// Each item's rectangle from the view's accessibility, which Windows reads
// for another process's list view (Wine has no item locations); false when
// any is missing.
static bool ReadAccessibleLabels(HWND hView, const ViewGeometry& view, HeapArray<RECT>& labels)
{
    IAccessible* pAccessible = nullptr;
    if (FAILED(Newer::AccessibleObjectFromWindow(hView, (DWORD)OBJID_CLIENT, IID_IAccessible, (void**)&pAccessible)))
        return false;
    long children = 0;
    bool found = SUCCEEDED(pAccessible->get_accChildCount(&children)) && children >= view.count
                 && labels.Allocate(view.count);
    for (int i = 0; found && i < view.count; ++i) {
        VARIANT child = {};
        child.vt = VT_I4;
        child.lVal = i + 1;
        long left = 0, top = 0, width = 0, height = 0;
        found = pAccessible->accLocation(&left, &top, &width, &height, child) == S_OK && width > 0 && height > 0;
        labels[i] = LabelOfCell({left, top, left + width, top + height}, view.icon, view.dpi);
    }
    pAccessible->Release();
    if (!found)
        labels.Free();
    return found;
}

bool ReadLabels(HWND hView, HeapArray<RECT>& labels)
{
    labels.Free();
    ViewGeometry view;
    LONG style = hView ? GetWindowLongW(hView, GWL_STYLE) : 0;
    if (!hView || !ReadViewGeometry(hView, style, view))
        return false;
    // Items placed by hand are wherever the user left them.
    if (view.count && !(style & LVS_AUTOARRANGE) && ReadAccessibleLabels(hView, view, labels))
        return true;
    if (!labels.Allocate(view.count))
        return false;
    for (int i = 0; i < view.count; ++i)
        labels[i] = LabelAt(view, i);
    return true;
}
