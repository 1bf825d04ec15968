// The questions IconProbe.dll answers from inside a running Vireola.exe: post
// the registered PROBE_MESSAGE to the settings dialog with the question as
// wParam and the window for the answer as lParam; the same message comes
// back with the question and the size as MAKELONG(cx, cy), 0 for none.
#pragma once
#include <windows.h>

#define PROBE_MESSAGE "VireolaIconProbe"
#define PROBE_HOOK_PROC "ProbeGetMessage"   // its WH_GETMESSAGE hook

enum {
    PROBE_SMALL_ICON,       // the caption's small icon
    PROBE_BIG_ICON,         // the caption's big icon
    PROBE_PREVIEW_IMAGES,   // the preview's normal image list
};
