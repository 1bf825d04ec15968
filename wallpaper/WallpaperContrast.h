// "(Contrast With Wallpaper)": black or white label text, whichever reads
// better on the picture the desktop shows behind its icons' labels.
#pragma once
#include "../framework/HeapArray.h"
#include "../shell/LabelGrid.h"
#include "ShownWallpaper.h"
#include "WallpaperScene.h"

struct WallpaperContrast
{
    // False where the shell did not answer at once, showed no view, or was
    // given up on: nothing was judged, and the rest is not to be used.
    bool judged;
    // False when no picture could be read (none set, missing, not a picture,
    // a format this Windows cannot decode): the colour is then the desktop
    // colour's contrast colour, as for "(System Text Color)".
    bool pictureRead;
    double darkEnd, lightEnd;       // luminances behind the labels
    COLORREF text;                  // black or white
    // The file rewritten in place when what shows changes (the scene's
    // watched one), empty for none, and its time and size before it was
    // read: a slideshow rewrites it with no message.
    WCHAR picture[MAX_PICTURE_PATH];
    WIN32_FILE_ATTRIBUTE_DATA pictureStamp;
    DWORD desktopValues;            // the registry's, as read (DesktopValuesStamp)
    DWORD judgedValues;             // JudgedValuesStamp, read first
    ViewShape view;                 // the view whose labels were judged
    DWORD layout;                   // LayoutStamp
    // What shows around the first label (around the primary monitor's work
    // area's top-left where there is none), a 32-bit DIB pixel (0x00RRGGBB)
    // for each screen pixel in rows from the top, previewSize as asked.
    SIZE previewSize;
    HeapArray<DWORD> preview;
};

// Each monitor's picture of a scene, decoded once however many monitors show
// it, and placed. Kept from one evaluation to the next while the same files
// show unchanged: a moved icon, a new icon size or a refilled view are judged
// again without opening a file, and a file that could not be read (a format
// with no decoder here, no picture at all, a share that does not answer) is
// not read again until it changes. Each picture is held at most
// MAX_DECODED_SIDE pixels along its longer side, 4 MiB.
struct DecodedScene
{
    Picture pictures[MAX_SCENE_MONITORS];
    ShownMonitor monitors[MAX_SCENE_MONITORS];
    bool any;                                       // a picture was read
    bool valid = false;                             // holds the scene below
    WallpaperScene scene;                           // as decoded
    // Each monitor's files tried, its path first, then its fallback: how
    // many (none for another's picture), and each one as it was before it
    // was read, so that a rewrite during the read counts as a change.
    int tried[MAX_SCENE_MONITORS];
    WIN32_FILE_ATTRIBUTE_DATA stamps[MAX_SCENE_MONITORS][2];
};
// False when none could be read; decoded anew unless decoded still shows it.
bool DecodeScene(const WallpaperScene& scene, DecodedScene& decoded);

// How long the shell's window may take to answer a message before it counts
// as hung, and nothing is asked of it.
enum { SHELL_ANSWER_MS = 1000 };
// Whether the shell's window answers (or there is none), without waiting on
// a shell that Windows already takes for hung.
bool ShellAnswers(HWND hView);

// The calls of an evaluation into the shell (its wallpaper class, its list
// of windows and folder view, accessibility), as another thread sees them:
// when the one under way began (0 for none), and whether that thread has
// given up on the evaluation, which then stops at its next step.
struct ShellCalls
{
    volatile LONG since;
    volatile LONG givenUp;
};

// The whole evaluation, on a worker thread that has initialised COM: the
// desktop icon view is only sent bounded messages, and every picture on show
// is decoded once, or taken from decoded where it still shows. No view:
// nothing is judged. No items: the whole of every monitor is judged.
void EvaluateWallpaperContrast(HWND hView, SIZE previewSize, DecodedScene& decoded, WallpaperContrast& result,
                               ShellCalls& calls);
