// Where the desktop icon view's labels are, read from outside the shell's
// process: from the shell's folder view, from the view's accessibility where
// the user has placed the items by hand, and from the grid they fill for any
// item neither answers for.
#pragma once
#include "../framework/HeapArray.h"
#include "DesktopView.h"
#include <windows.h>

// Pixels at 96 DPI, scaled with the view's DPI, at which the shell draws.
enum {
    ICON_TOP_MARGIN = 2,    // the view's border above the icon in its cell
    LABEL_GAP = 4,          // between the icon and the label's first line
    LABEL_INSET = 4,        // labels are centred and seldom reach the cell's sides
};

struct ViewGeometry
{
    RECT area;          // screen coordinates: the first cell at its top-left,
                        // the grid wrapping at its far edge
    int count;          // items
    SIZE spacing;       // one cell of the grid
    SIZE icon;
    int dpi;
    bool alignLeft;     // columns filled downwards from the left (the desktop's
                        // way), else rows filled from the top
};

// The label of an item in its cell (or in its bounding rectangle): below the
// icon to the cell's bottom, a little in from its sides; empty where the cell
// is too small for one.
RECT LabelOfCell(const RECT& cell, SIZE icon, int dpi);
// The label of the item at this index of the grid, in screen coordinates.
RECT LabelAt(const ViewGeometry& view, int index);
// The grid's label for each of the view's items not marked in read.
void FillFromGrid(const ViewGeometry& view, RECT* labels, const bool* read);

// What the labels' places follow besides the monitors that a relayout may
// change without an event (a new icon size, an icon added): the view's
// window, its items, the spacing of its grid and its DPI.
struct ViewShape
{
    HWND hView;
    int count;
    SIZE spacing;
    int dpi;
};
// False when there is no view, or it did not answer in the turn.
bool ReadViewShape(HWND hView, ShellTurn& turn, ViewShape& shape);
bool SameViewShape(const ViewShape& a, const ViewShape& b);

// Every label of the view in screen coordinates, and the view's shape; false
// when there is no view or it did not answer in time, and none when it has
// no items. It asks the shell through COM, which must be initialised on the
// calling thread, and may block: a worker's job.
bool ReadLabels(HWND hView, HeapArray<RECT>& labels, ViewShape& shape);
