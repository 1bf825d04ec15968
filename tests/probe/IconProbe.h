// The questions IconProbe.dll answers from inside a running Vireola.exe: post
// the registered PROBE_MESSAGE to the settings dialog with the question as
// wParam and the window for the answer as lParam; the same message comes
// back with the question and the answer: a size as MAKELONG(cx, cy), 0 for
// none; a number; or a text as a global atom, which the asker deletes.
#pragma once
#include <windows.h>

#define PROBE_MESSAGE "VireolaIconProbe"
#define PROBE_HOOK_PROC "ProbeGetMessage"   // its WH_GETMESSAGE hook

enum {
    PROBE_SMALL_ICON,       // the caption's small icon
    PROBE_BIG_ICON,         // the caption's big icon
    PROBE_PREVIEW_IMAGES,   // the preview's normal image list
    PROBE_DPI,              // the dialog's DPI
    PROBE_FONT_FACE,        // the face its text is drawn in, as the font mapper chose it
};
