// "(Contrast With Wallpaper)": black or white label text, whichever reads
// better on the picture the desktop shows behind its icons' labels.
#pragma once
#include "../framework/HeapArray.h"
#include "ShownWallpaper.h"
#include "WallpaperScene.h"

struct WallpaperContrast
{
    // The shell did not answer at once: nothing was asked, nothing judged.
    bool shellHung;
    // False when no picture could be read (none set, missing, not a picture,
    // a format this Windows cannot decode): the colour is then the desktop
    // colour's contrast colour, as for "(System Text Color)".
    bool pictureRead;
    double darkEnd, lightEnd;       // luminances behind the labels
    COLORREF text;                  // black or white
    // The file rewritten in place when what shows changes (the scene's
    // watched one), empty for none, and its time and size before it was
    // read: a slideshow rewrites it with no message.
    WCHAR picture[MAX_PATH];
    WIN32_FILE_ATTRIBUTE_DATA pictureStamp;
    DWORD desktopValues;            // the registry's, as read (DesktopValuesStamp)
    DWORD judgedValues;             // JudgedValuesStamp, read first
    // What shows around the first label (around the primary monitor's work
    // area's top-left where there is none), a 32-bit DIB pixel (0x00RRGGBB)
    // for each screen pixel in rows from the top, previewSize as asked.
    SIZE previewSize;
    HeapArray<DWORD> preview;
};

// Each monitor's picture of a scene, decoded once however many monitors show
// it, and placed. Kept from one evaluation to the next while the same files
// show unchanged: a moved icon, a new icon size or a refilled view are judged
// again without opening a file. Each picture is held at most
// MAX_DECODED_SIDE pixels along its longer side, 4 MiB.
struct DecodedScene
{
    Picture pictures[MAX_SCENE_MONITORS];
    ShownMonitor monitors[MAX_SCENE_MONITORS];
    bool any;                                       // a picture was read
    bool valid = false;                             // holds the scene below
    WallpaperScene scene;                           // as decoded
    const WCHAR* from[MAX_SCENE_MONITORS];          // each monitor's file in it, null for none or another's
    WIN32_FILE_ATTRIBUTE_DATA stamps[MAX_SCENE_MONITORS];   // as it was decoded
};
// False when none could be read; decoded anew unless decoded still shows it.
bool DecodeScene(const WallpaperScene& scene, DecodedScene& decoded);

// How long the shell's window may take to answer a message before it counts
// as hung, and nothing is asked of it.
enum { SHELL_ANSWER_MS = 1000 };
// Whether the shell's window answers (or there is none), without waiting on
// a shell that Windows already takes for hung.
bool ShellAnswers(HWND hView);

// The whole evaluation, on a worker thread that has initialised COM: the
// desktop icon view (or none) is only sent bounded messages, and every
// picture on show is decoded once, or taken from decoded where it still
// shows. No view, or no items: the whole of every monitor is judged.
void EvaluateWallpaperContrast(HWND hView, SIZE previewSize, DecodedScene& decoded, WallpaperContrast& result);
