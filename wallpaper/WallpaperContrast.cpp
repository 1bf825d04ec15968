#include "WallpaperContrast.h"
#include "../color/ColorTable.h"
#include "../framework/NewerWindows.h"
#include "../shell/LabelGrid.h"
#include "ShellCopies.h"

// A preview larger than this is not asked for in earnest.
enum { MAX_PREVIEW_SIDE = 4096 };

// A placeholder is never opened: reading it would download it, or wait on
// a share that is not there.
static bool DecodeUnlessPlaceholder(const WCHAR* path, Picture& picture)
{
    return path[0] && !IsPlaceholder(path) && DecodePicture(path, picture);
}

// The file a monitor's picture was decoded from, its time and size now.
static WIN32_FILE_ATTRIBUTE_DATA StampOf(const WCHAR* path)
{
    WIN32_FILE_ATTRIBUTE_DATA stamp = {};
    GetFileAttributesExW(path, GetFileExInfoStandard, &stamp);
    return stamp;
}

// The same monitors showing the same files in the same places, each file
// that was decoded unchanged, and none that could not be read.
static bool StillShows(const WallpaperScene& scene, const DecodedScene& decoded)
{
    const WallpaperScene& was = decoded.scene;
    if (!decoded.valid || was.monitorCount != scene.monitorCount || was.values != scene.values
        || !EqualRect(&was.virtualScreen, &scene.virtualScreen))
        return false;
    for (int i = 0; i < scene.monitorCount; ++i) {
        const MonitorWallpaper &a = was.monitors[i], &b = scene.monitors[i];
        if (!EqualRect(&a.monitor, &b.monitor) || a.position != b.position || lstrcmpW(a.path, b.path)
            || lstrcmpW(a.fallback, b.fallback) || (a.path[0] && !decoded.monitors[i].picture)
            || (decoded.from[i] && !SameFileStamp(decoded.stamps[i], StampOf(decoded.from[i]))))
            return false;
    }
    return true;
}

bool DecodeScene(const WallpaperScene& scene, DecodedScene& decoded)
{
    if (StillShows(scene, decoded))
        return decoded.any;
    decoded.valid = false;
    bool any = false;
    for (int i = 0; i < scene.monitorCount; ++i) {
        const MonitorWallpaper& m = scene.monitors[i];
        const Picture* picture = nullptr;
        int same = 0;
        while (same < i && lstrcmpiW(scene.monitors[same].path, m.path) != 0)
            ++same;
        const WCHAR* from = nullptr;
        decoded.pictures[i].pixels.Free();
        if (same < i)
            picture = decoded.monitors[same].picture;
        else if (DecodeUnlessPlaceholder(from = m.path, decoded.pictures[i])
                 || DecodeUnlessPlaceholder(from = m.fallback, decoded.pictures[i]))
            picture = &decoded.pictures[i];
        decoded.from[i] = picture && same == i ? from : nullptr;
        if (decoded.from[i])
            decoded.stamps[i] = StampOf(from);
        decoded.monitors[i].picture = picture;
        decoded.monitors[i].placement =
            PlacePicture(m.position, picture ? picture->original : SIZE{0, 0}, m.monitor, scene.virtualScreen);
        any = any || picture;
    }
    decoded.scene = scene;
    // where the copy of the scene is, now that it is kept
    for (int i = 0; i < scene.monitorCount; ++i)
        if (decoded.from[i])
            decoded.from[i] = decoded.from[i] == scene.monitors[i].path ? decoded.scene.monitors[i].path
                                                                        : decoded.scene.monitors[i].fallback;
    decoded.any = any;
    decoded.valid = true;
    return any;
}

bool ShellAnswers(HWND hView)
{
    DWORD_PTR result;
    return !hView || (!IsHungAppWindow(GetAncestor(hView, GA_ROOT))
                      && SendMessageTimeoutA(hView, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, SHELL_ANSWER_MS, &result));
}

namespace {

RECT PreviewArea(const HeapArray<RECT>& labels, SIZE size)
{
    RECT area;
    if (labels.Count()) {
        const RECT& label = labels[0];
        area.left = (label.left + label.right - size.cx) / 2;
        area.top = (label.top + label.bottom - size.cy) / 2;
    } else if (!Newer::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) {
        area.left = area.top = 0;
    }
    area.right = area.left + size.cx;
    area.bottom = area.top + size.cy;
    return area;
}

} // namespace

void EvaluateWallpaperContrast(HWND hView, SIZE previewSize, DecodedScene& decoded, WallpaperContrast& result)
{
    // a hung shell is asked nothing: its wallpaper's class, its folder view
    // and accessibility would each wait for it without a bound
    result.shellHung = !ShellAnswers(hView);
    if (result.shellHung)
        return;
    WallpaperScene scene;
    result.judgedValues = JudgedValuesStamp();
    ReadWallpaperScene(scene);
    lstrcpyW(result.picture, scene.watched);
    result.desktopValues = scene.values;
    ZeroMemory(&result.pictureStamp, sizeof result.pictureStamp);
    GetFileAttributesExW(result.picture, GetFileExInfoStandard, &result.pictureStamp);
    HeapArray<RECT> labels;
    ReadLabels(hView, labels);
    result.pictureRead = DecodeScene(scene, decoded);

    ShownDesktop shown = {decoded.monitors, scene.monitorCount, scene.desktop};
    TextChoice choice = ChooseForLabels(shown, labels.Data(), labels.Count());
    result.darkEnd = choice.darkEnd;
    result.lightEnd = choice.lightEnd;
    result.text = result.pictureRead ? choice.text : GetContrastColor(scene.desktop);

    result.previewSize = {0, 0};
    result.preview.Free();
    if (previewSize.cx <= 0 || previewSize.cy <= 0 || previewSize.cx > MAX_PREVIEW_SIDE
        || previewSize.cy > MAX_PREVIEW_SIDE || !result.preview.Allocate(previewSize.cx * previewSize.cy))
        return;
    result.previewSize = previewSize;
    CopyShownArea(shown, PreviewArea(labels, previewSize), result.preview.Data());
}
