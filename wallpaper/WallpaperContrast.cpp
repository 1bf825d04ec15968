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

bool DecodeScene(const WallpaperScene& scene, DecodedScene& decoded)
{
    bool any = false;
    for (int i = 0; i < scene.monitorCount; ++i) {
        const MonitorWallpaper& m = scene.monitors[i];
        const Picture* picture = nullptr;
        int same = 0;
        while (same < i && lstrcmpiW(scene.monitors[same].path, m.path) != 0)
            ++same;
        if (same < i)
            picture = decoded.monitors[same].picture;
        else if (DecodeUnlessPlaceholder(m.path, decoded.pictures[i])
                 || DecodeUnlessPlaceholder(m.fallback, decoded.pictures[i]))
            picture = &decoded.pictures[i];
        decoded.monitors[i].picture = picture;
        decoded.monitors[i].placement =
            PlacePicture(m.position, picture ? picture->original : SIZE{0, 0}, m.monitor, scene.virtualScreen);
        any = any || picture;
    }
    return any;
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

void EvaluateWallpaperContrast(HWND hView, SIZE previewSize, WallpaperContrast& result)
{
    WallpaperScene scene;
    result.judgedValues = JudgedValuesStamp();
    ReadWallpaperScene(scene);
    lstrcpyW(result.picture, scene.watched);
    result.desktopValues = scene.values;
    ZeroMemory(&result.pictureStamp, sizeof result.pictureStamp);
    GetFileAttributesExW(result.picture, GetFileExInfoStandard, &result.pictureStamp);
    HeapArray<RECT> labels;
    ReadLabels(hView, labels);
    DecodedScene decoded;
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
