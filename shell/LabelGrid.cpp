#include "LabelGrid.h"
#include "DesktopView.h"
#include "FolderView.h"
#include "../framework/NewerWindows.h"
#include <oleacc.h>
#include <string.h>

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

bool ReadViewShape(HWND hView, ShellTurn& turn, ViewShape& shape)
{
    DWORD_PTR count, spacing;
    if (!hView || !turn.Send(hView, LVM_GETITEMCOUNT, 0, 0, &count)
        || !turn.Send(hView, LVM_GETITEMSPACING, FALSE, 0, &spacing))
        return false;
    shape.hView = hView;
    shape.count = (int)count;
    shape.spacing = {LOWORD(spacing), HIWORD(spacing)};
    // the shell's icons and margins at its view's DPI, which Windows 10 tells
    // for another process's window, and which may have changed since this
    // process started; the system's, fixed at the start, elsewhere
    shape.dpi = (int)Newer::GetDpiForWindow(hView);
    return true;
}

bool SameViewShape(const ViewShape& a, const ViewShape& b)
{
    static_assert(sizeof(ViewShape) == sizeof(HWND) + 4 * sizeof(LONG), "no padding between the members");
    return memcmp(&a, &b, sizeof a) == 0;
}

static bool ReadViewGeometry(HWND hView, LONG style, ViewGeometry& view, ViewShape& shape)
{
    RECT client, work;
    ShellTurn turn(ShellTurn::WORKER);
    if (!GetClientRect(hView, &client) || !ReadViewShape(hView, turn, shape))
        return false;
    MapWindowPoints(hView, nullptr, (POINT*)&client, 2);
    // The shell gives its view the monitors' work areas and starts the grid
    // at the primary monitor's, which is all that can be read of them from
    // another process.
    if (!Newer::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0) || !IntersectRect(&view.area, &work, &client))
        view.area = client;
    view.count = shape.count < 0 ? 0 : shape.count < MAX_LABELS ? shape.count : MAX_LABELS;
    view.spacing = shape.spacing;
    view.dpi = shape.dpi;
    view.icon = {Newer::GetSystemMetricsForDpi(SM_CXICON, view.dpi), Newer::GetSystemMetricsForDpi(SM_CYICON, view.dpi)};
    view.alignLeft = (style & LVS_ALIGNMASK) == LVS_ALIGNLEFT;
    return view.spacing.cx > 0 && view.spacing.cy > 0;
}

void FillFromGrid(const ViewGeometry& view, RECT* labels, const bool* read)
{
    for (int i = 0; i < view.count; ++i)
        if (!read[i])
            labels[i] = LabelAt(view, i);
}

// Each item's rectangle that the view's accessibility has, which Windows
// reads for another process's list view (Wine has no item locations).
static void ReadAccessibleLabels(HWND hView, const ViewGeometry& view, RECT* labels, bool* read)
{
    IAccessible* pAccessible = nullptr;
    if (FAILED(Newer::AccessibleObjectFromWindow(hView, (DWORD)OBJID_CLIENT, IID_IAccessible, (void**)&pAccessible)))
        return;
    long children = 0;
    if (FAILED(pAccessible->get_accChildCount(&children)))
        children = 0;
    for (int i = 0; i < view.count && i < children; ++i) {
        if (read[i])
            continue;
        VARIANT child = {};
        child.vt = VT_I4;
        child.lVal = i + 1;
        long left = 0, top = 0, width = 0, height = 0;
        read[i] = pAccessible->accLocation(&left, &top, &width, &height, child) == S_OK && width > 0 && height > 0;
        if (read[i])
            labels[i] = LabelOfCell({left, top, left + width, top + height}, view.icon, view.dpi);
    }
    pAccessible->Release();
}

// The folder view first, which knows the icons' size; then, for items placed
// by hand, wherever the user left them; the grid for the rest.
bool ReadLabels(HWND hView, HeapArray<RECT>& labels, ViewShape& shape)
{
    labels.Free();
    ViewGeometry view;
    LONG style = hView ? GetWindowLongW(hView, GWL_STYLE) : 0;
    HeapArray<bool> read;
    if (!hView || !ReadViewGeometry(hView, style, view, shape) || !read.Allocate(view.count)
        || !labels.Allocate(view.count))
        return false;
    ReadFolderView(hView, view, labels.Data(), read.Data());
    if (!(style & LVS_AUTOARRANGE))
        ReadAccessibleLabels(hView, view, labels.Data(), read.Data());
    FillFromGrid(view, labels.Data(), read.Data());
    return true;
}
