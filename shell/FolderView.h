// The desktop's own account of its items, which the shell gives another
// process through COM: the icons' size as the user chose it in View, the
// cells' spacing and where each item lies. Windows' shell answers; a view
// the shell's process does not own (Wine's desktop has none) leaves the
// labels to the view's accessibility and grid.
#pragma once
#include "LabelGrid.h"

// The label of the item at this position of the view (its cell's top-left in
// the view's client area, whose top-left is origin on the screen), in screen
// coordinates.
RECT LabelAtPosition(POINT position, POINT origin, SIZE spacing, SIZE icon, int dpi);

// Asks the folder view that shows hView: its icons' size and its spacing
// replace view's, and each item it places has its label in labels and is
// marked in read. False when no folder view of hView answers. COM must be
// initialised on the calling thread, and each call may block on the shell.
bool ReadFolderView(HWND hView, ViewGeometry& view, RECT* labels, bool* read);
