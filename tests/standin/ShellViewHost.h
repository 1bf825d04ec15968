// The platform's own view of the desktop folder, hosted in a window of the
// stand-in shell: a "SHELLDLL_DefView" with its "SysListView32", written by
// nobody here.
#pragma once
#include <windows.h>

// Creates the view filling hParent; returns its list view, or none and the
// step that failed.
HWND HostDesktopFolderView(HWND hParent, const char*& failed);
// Fills the view again from the folder, as the shell does on a refresh.
void RefreshDesktopFolderView();
