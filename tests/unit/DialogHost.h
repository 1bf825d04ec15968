// The real settings dialog, created hidden inside the test process as a
// silent start creates it, for what another process cannot observe.
#pragma once
#include "ui/VireolaDlg.h"

HWND CreateHiddenDialog();
void DestroyDialog();
