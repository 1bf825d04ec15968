#include "WallpaperContrast.h"
#include "../color/ColorTable.h"
#include "../framework/NewerWindows.h"
#include "../shell/LabelGrid.h"
#include "KeptColor.h"
#include "ShellCopies.h"

// A preview larger than this is not asked for in earnest.
enum { MAX_PREVIEW_SIDE = 4096 };

// A file's attributes, time and size now; all zero where it cannot be had.
static WIN32_FILE_ATTRIBUTE_DATA StampOf(const WCHAR* path)
{
    WIN32_FILE_ATTRIBUTE_DATA stamp = {};
    GetFileAttributesExW(path, GetFileExInfoStandard, &stamp);
    return stamp;
}

// A placeholder that is no longer one (a cloud file downloaded) keeps its
// time and size.
static bool Unchanged(const WIN32_FILE_ATTRIBUTE_DATA& a, const WIN32_FILE_ATTRIBUTE_DATA& b)
{
    return SameFileStamp(a, b) && a.dwFileAttributes == b.dwFileAttributes;
}

static const WCHAR* TriedFile(const MonitorWallpaper& m, int k)
{
    return k == 0 ? m.path : m.fallback;
}

// The same monitors showing the same files in the same places, and each file
// tried, whether it could be read or not, unchanged.
static bool StillShows(const WallpaperScene& scene, const DecodedScene& decoded)
{
    const WallpaperScene& was = decoded.scene;
    if (!decoded.valid || was.monitorCount != scene.monitorCount || was.values != scene.values
        || !EqualRect(&was.virtualScreen, &scene.virtualScreen))
        return false;
    for (int i = 0; i < scene.monitorCount; ++i) {
        const MonitorWallpaper &a = was.monitors[i], &b = scene.monitors[i];
        if (!EqualRect(&a.monitor, &b.monitor) || a.position != b.position || lstrcmpW(a.path, b.path)
            || lstrcmpW(a.fallback, b.fallback))
            return false;
        for (int k = 0; k < decoded.tried[i]; ++k)
            if (!Unchanged(decoded.stamps[i][k], StampOf(TriedFile(a, k))))
                return false;
    }
    return true;
}

// Each file as it was before the read; a placeholder is never opened:
// reading it would download it, or wait on a share that is not there.
static const Picture* DecodeMonitor(DecodedScene& decoded, int i)
{
    const MonitorWallpaper& m = decoded.scene.monitors[i];
    for (int k = 0; k < 2 && TriedFile(m, k)[0]; ++k) {
        decoded.tried[i] = k + 1;
        decoded.stamps[i][k] = StampOf(TriedFile(m, k));
        if (!IsPlaceholder(decoded.stamps[i][k].dwFileAttributes) && DecodePicture(TriedFile(m, k), decoded.pictures[i]))
            return &decoded.pictures[i];
    }
    return nullptr;
}

bool DecodeScene(const WallpaperScene& scene, DecodedScene& decoded)
{
    if (StillShows(scene, decoded))
        return decoded.any;
    decoded.scene = scene;
    bool any = false;
    for (int i = 0; i < scene.monitorCount; ++i) {
        const MonitorWallpaper& m = scene.monitors[i];
        int same = 0;
        while (same < i && lstrcmpiW(scene.monitors[same].path, m.path) != 0)
            ++same;
        decoded.pictures[i].pixels.Free();
        decoded.tried[i] = 0;
        const Picture* picture = same < i ? decoded.monitors[same].picture : DecodeMonitor(decoded, i);
        decoded.monitors[i].picture = picture;
        decoded.monitors[i].placement =
            PlacePicture(m.position, picture ? picture->original : SIZE{0, 0}, m.monitor, scene.virtualScreen);
        any = any || picture;
    }
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

void EvaluateWallpaperContrast(HWND hView, SIZE previewSize, DecodedScene& decoded, WallpaperContrast& result,
                               ShellCalls& calls)
{
    // A shell that Windows takes for hung is asked nothing: its wallpaper's
    // class, its folder view and accessibility would each wait for it
    // without a bound. With no view nothing is judged: the labels lie where
    // the next view will put them.
    result.judged = false;
    if (!hView || IsHungAppWindow(GetAncestor(hView, GA_ROOT)))
        return;
    // What shows is read and decoded first, while the shell may still be busy
    // drawing a new picture; then, once the view answers, where its labels
    // are. Only the calls into the shell are bounded.
    InterlockedExchange(&calls.since, GetTickCount() | 1);
    WallpaperScene scene;
    ReadWallpaperScene(scene);
    result.judgedValues = JudgedValuesStamp(scene.values);
    lstrcpyW(result.picture, scene.watched);
    result.desktopValues = scene.values;
    ZeroMemory(&result.pictureStamp, sizeof result.pictureStamp);
    GetFileAttributesExW(result.picture, GetFileExInfoStandard, &result.pictureStamp);
    InterlockedExchange(&calls.since, 0);
    if (InterlockedCompareExchange(&calls.givenUp, 0, 0))
        return;
    result.pictureRead = DecodeScene(scene, decoded);
    if (!ShellAnswers(hView))
        return;
    InterlockedExchange(&calls.since, GetTickCount() | 1);
    HeapArray<RECT> labels;
    bool read = ReadLabels(hView, labels, result.view);
    InterlockedExchange(&calls.since, 0);
    if (!read || InterlockedCompareExchange(&calls.givenUp, 0, 0))
        return;
    result.layout = LayoutStamp(result.view);
    result.judged = true;

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
