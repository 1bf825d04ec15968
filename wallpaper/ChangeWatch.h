// Changes of what the desktop shows that no broadcast announces: the
// picture's file rewritten in place (a slideshow on Windows 7), and the
// desktop's values in the registry naming another picture or position
// (Windows 8 to 11 point at another file for a slideshow's step, Spotlight
// and a switch of virtual desktop, and say nothing). One thread waits on
// both, without polling, and posts WM_WALLPAPER_FILE_CHANGED to the window
// once the folder or the key has been quiet for a moment.
#pragma once
#include "../res/Messages.h"

enum {
    // a file is written in several steps: the folder is quiet this long
    // first, or busy this long
    WALLPAPER_SETTLE_MS = 200,
    WALLPAPER_SETTLE_MAX_MS = 1000,
};

struct ChangeWatch;

class CChangeWatch
{
public:
    // Watches the picture's folder (none: the registry alone) for changes to
    // the picture since stamp, and the desktop's values since values
    // (DesktopValuesStamp). The watch under way is kept while it is the same
    // picture's and armed; one that could not be armed, or has ended, is
    // armed again.
    void Watch(HWND hWnd, const WCHAR* picture, const WIN32_FILE_ATTRIBUTE_DATA& stamp, DWORD values);
    // Lets the thread end, waited for at most waitMs.
    void Stop(DWORD waitMs);

private:
    ChangeWatch* m_pWatch = nullptr;
    HANDLE m_hThread = nullptr;
};
