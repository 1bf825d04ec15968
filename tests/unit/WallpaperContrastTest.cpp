// Black or white on the wallpaper behind the labels: the contrast rule, where
// pictures lie on monitors, where labels lie in the view, and the sampling of
// made-up pictures in memory.
#include "shell/FolderView.h"
#include "wallpaper/ShownWallpaper.h"
#include <exdisp.h>
#include <gtest/gtest.h>

namespace {

const COLORREF WHITE = RGB(255, 255, 255);
const COLORREF BLACK = RGB(0, 0, 0);

TEST(Legibility, LuminanceAndContrastOfTellingColours)
{
    const struct { COLORREF color; double luminance; } cases[] = {
        {BLACK, 0},           {WHITE, 1},           {RGB(128, 128, 128), 0.2159}, {RGB(10, 10, 10), 0.003035},
        {RGB(255, 0, 0), 0.2126}, {RGB(0, 255, 0), 0.7152}, {RGB(0, 0, 255), 0.0722}, {0xFF000000, 0},
        // past the curve's linear foot, where a muted colour is just on black's side
        {RGB(30, 30, 30), 0.012983}, {RGB(100, 130, 100), 0.195947},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(c.luminance, RelativeLuminance(c.color), 1e-4) << std::hex << c.color;
    EXPECT_DOUBLE_EQ(21, ContrastRatio(0, 1));
    EXPECT_DOUBLE_EQ(21, ContrastRatio(1, 0));
    EXPECT_NEAR(5.318, ContrastRatio(0.2159, 0), 1e-3);
    EXPECT_NEAR(3.949, ContrastRatio(1, 0.2159), 1e-3);
    double muted = RelativeLuminance(RGB(100, 130, 100));
    EXPECT_EQ(BLACK, ChooseTextColor(muted, muted));
}

// A hundred pixels behind the labels: some dark, the rest light.
TEST(Legibility, TheWorseEndOfWhatIsBehindTheLabelsDecides)
{
    const struct { int dark; double darkLuminance, lightLuminance; COLORREF expected; } cases[] = {
        {0, 0, 1, BLACK},          {100, 0, 1, WHITE},       {0, 0, 0.2159, BLACK},
        {15, 0, 0.8, WHITE},       // light but for dark patches, which white text is read on
        {30, 0.01, 0.6, WHITE},    // light overall, on average
        {85, 0.02, 1, BLACK},      // dark but for bright patches, which black text is read on
        {10, 0, 0.8, WHITE},       // a tenth is the dark end
        {5, 0, 0.8, BLACK},        // a few stray pixels do not decide
    };
    for (const auto& c : cases) {
        LuminanceHistogram histogram;
        for (int i = 0; i < 100; ++i)
            histogram.Add(i < c.dark ? c.darkLuminance : c.lightLuminance);
        double darkEnd = histogram.Percentile(DARK_END_FRACTION), lightEnd = histogram.Percentile(LIGHT_END_FRACTION);
        EXPECT_NEAR(c.dark >= 10 ? c.darkLuminance : c.lightLuminance, darkEnd, 1e-3) << c.dark;
        EXPECT_NEAR(c.dark >= 90 ? c.darkLuminance : c.lightLuminance, lightEnd, 1e-3) << c.dark;
        EXPECT_EQ(c.expected, ChooseTextColor(darkEnd, lightEnd)) << c.dark << " dark at " << c.darkLuminance;
    }
}

TEST(WallpaperPlacement, TheRegistryValuesNameThePositions)
{
    const struct { const char *style, *tile; WallpaperPosition expected; } cases[] = {
        {"0", "0", WALLPAPER_CENTER},   {"0", "1", WALLPAPER_TILE}, {"2", "0", WALLPAPER_STRETCH},
        {"6", nullptr, WALLPAPER_FIT},  {"10", "1", WALLPAPER_FILL}, {"22", "", WALLPAPER_SPAN},
        {nullptr, nullptr, WALLPAPER_CENTER}, {"x", "1", WALLPAPER_TILE}, {"100000000000", "", WALLPAPER_CENTER},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, PositionFromRegistry(c.style, c.tile)) << c.style << ", " << c.tile;
}

// A monitor left of the primary one, with a negative origin, and another one
// above it that ends at the virtual screen's origin.
const RECT LEFT = {-1920, 0, 0, 1080}, PRIMARY = {0, 0, 1920, 1080}, ABOVE = {-1000, -300, 0, 0};
const RECT BOTH = {-1920, 0, 1920, 1080};

TEST(WallpaperPlacement, EachPositionShowsThePictureWhereTheDesktopDoes)
{
    const struct { WallpaperPosition position; SIZE picture, decoded; RECT monitor; POINT screen; bool covered; POINT pixel; }
        cases[] = {
            // spanned: one picture filling the two monitors' bounding box
            {WALLPAPER_SPAN, {3840, 1080}, {1920, 540}, LEFT, {-1920, 0}, true, {0, 0}},
            {WALLPAPER_SPAN, {3840, 1080}, {1920, 540}, PRIMARY, {0, 1079}, true, {960, 539}},
            {WALLPAPER_SPAN, {1920, 1080}, {1920, 1080}, PRIMARY, {0, 0}, true, {960, 270}},
            // the desktop colour around a centred or fitted picture
            {WALLPAPER_CENTER, {100, 100}, {100, 100}, PRIMARY, {910, 490}, true, {0, 0}},
            {WALLPAPER_CENTER, {100, 100}, {100, 100}, PRIMARY, {1009, 589}, true, {99, 99}},
            {WALLPAPER_CENTER, {100, 100}, {100, 100}, PRIMARY, {909, 500}, false, {}},
            {WALLPAPER_CENTER, {100, 100}, {100, 100}, PRIMARY, {1010, 500}, false, {}},
            {WALLPAPER_FIT, {1000, 1000}, {500, 500}, PRIMARY, {420, 0}, true, {0, 0}},
            {WALLPAPER_FIT, {1000, 1000}, {500, 500}, PRIMARY, {1499, 1079}, true, {499, 499}},
            {WALLPAPER_FIT, {1000, 1000}, {500, 500}, PRIMARY, {419, 500}, false, {}},
            {WALLPAPER_FIT, {1000, 1000}, {500, 500}, PRIMARY, {1500, 500}, false, {}},
            // filled: the picture's top and bottom cropped
            {WALLPAPER_FILL, {1000, 1000}, {1000, 1000}, PRIMARY, {0, 0}, true, {0, 218}},
            {WALLPAPER_FILL, {1000, 1000}, {1000, 1000}, PRIMARY, {1919, 1079}, true, {999, 780}},
            {WALLPAPER_STRETCH, {100, 50}, {100, 50}, PRIMARY, {960, 540}, true, {50, 25}},
            // tiled from the monitor's top-left, whatever its origin
            {WALLPAPER_TILE, {300, 200}, {150, 100}, LEFT, {-1618, 202}, true, {1, 1}},
            {WALLPAPER_TILE, {300, 200}, {300, 200}, ABOVE, {-1000, -300}, true, {0, 0}},
            {WALLPAPER_TILE, {300, 200}, {300, 200}, ABOVE, {-1, -1}, true, {99, 99}},
            {WALLPAPER_TILE, {300, 200}, {300, 200}, ABOVE, {0, 0}, false, {}},
        };
    for (const auto& c : cases) {
        Placement placement = PlacePicture(c.position, c.picture, c.monitor, BOTH);
        POINT pixel = {-1, -1};
        bool covered = PixelAt(placement, c.decoded, c.screen, &pixel);
        SCOPED_TRACE(testing::Message() << "position " << c.position << " at " << c.screen.x << ", " << c.screen.y);
        EXPECT_EQ(c.covered, covered);
        if (c.covered && covered) {
            EXPECT_EQ(c.pixel.x * 10000 + c.pixel.y, pixel.x * 10000 + pixel.y);
        }
    }
}

TEST(LabelGrid, ItemsFillTheGridInTheViewsOrderAndWrapAtItsEdge)
{
    // room for three cells across and two down (index -1: placed at a point)
    const RECT area = {-500, 30, -200, 280};
    const struct { bool alignLeft; int dpi, icon, index; RECT label; POINT at = {}; LONG spacing = 100; } cases[] = {
        {true, 96, 32, 0, {-496, 68, -404, 130}},   {true, 96, 32, 1, {-496, 168, -404, 230}},
        {true, 96, 32, 2, {-396, 68, -304, 130}},   {true, 96, 32, 5, {-296, 168, -204, 230}},
        {false, 96, 32, 1, {-396, 68, -304, 130}},  {false, 96, 32, 3, {-496, 168, -404, 230}},
        {false, 192, 64, 0, {-492, 106, -408, 130}}, {true, 96, 100, 0, {}},
        {true, 96, 32, -1, {-496, 68, -404, 130}, {0, 0}}, {true, 96, 48, -1, {-396, 84, -304, 130}, {100, 0}},
        {true, 96, 96, -1, {-489, 432, -347, 480}, {7, 300}, 150}, {true, 192, 96, -1, {-492, 138, -358, 180}, {}, 150},
    };
    for (const auto& c : cases) {
        ViewGeometry view = {area, 6, {c.spacing, c.spacing}, {c.icon, c.icon}, c.dpi, c.alignLeft};
        RECT label = c.index < 0 ? LabelAtPosition(c.at, {area.left, area.top}, view.spacing, view.icon, c.dpi)
                                 : LabelAt(view, c.index);
        EXPECT_TRUE(EqualRect(&c.label, &label)) << c.alignLeft << " " << c.dpi << " item " << c.index << ": "
                                                 << label.left << ", " << label.top << ", " << label.right << ", "
                                                 << label.bottom;
    }
    // the items that the shell placed keep their labels, the grid has the rest
    ViewGeometry view = {area, 3, {100, 100}, {32, 32}, 96, true};
    RECT labels[3] = {{1, 2, 3, 4}, {}, {5, 6, 7, 8}}, second = LabelAt(view, 1);
    const bool read[3] = {true, false, true};
    FillFromGrid(view, labels, read);
    EXPECT_TRUE(labels[0].left == 1 && EqualRect(&second, &labels[1]) && labels[2].left == 5);
}

// Stands in this process for the shell's list of windows: counts how often
// it is asked, and gives nothing.
struct UnansweringShellWindows : IClassFactory
{
    int asked = 0;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = riid == IID_IUnknown || riid == IID_IClassFactory ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown*, REFIID, void** ppv) override
    {
        ++asked;
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

TEST(FolderView, OnlyTheShellsOwnViewIsAskedAndOnceAMinuteWhileItDoesNotAnswer)
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    UnansweringShellWindows windows;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, CoRegisterClassObject(CLSID_ShellWindows, &windows, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                          &cookie));
    auto setShellWindow = (BOOL(WINAPI*)(HWND))(void (*)())GetProcAddress(GetModuleHandleA("user32"), "SetShellWindow");
    HWND hShell = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    HWND hView = CreateWindowA("STATIC", "", WS_CHILD, 0, 0, 100, 100, hShell, nullptr, nullptr, nullptr);
    // no shell window, then this process's; then the same view at once again
    const struct { bool shell; int asked; } steps[] = {{false, 0}, {true, 1}, {true, 1}};
    for (const auto& step : steps) {
        if (step.shell && !GetShellWindow()) {
            ASSERT_TRUE(setShellWindow(hShell));
        }
        ViewGeometry view = {};
        RECT label;
        bool read;
        EXPECT_FALSE(ReadFolderView(hView, view, &label, &read));
        EXPECT_EQ(step.asked, windows.asked) << "with a shell window: " << step.shell;
    }
    DestroyWindow(hShell);
    CoRevokeClassObject(cookie);
    CoUninitialize();
}

// A picture 20 pixels high, all white but its bottom row.
Picture WhiteWithBlackBottomRow()
{
    Picture picture = {{20, 20}, {20, 20}, {}};
    picture.pixels.Allocate(20 * 20);
    for (int i = 0; i < 20 * 20; ++i)
        picture.pixels[i] = i < 19 * 20 ? 0x00FFFFFF : 0;
    return picture;
}

TEST(ShownWallpaper, TheLabelsOnThePictureOrTheDesktopColourDecide)
{
    Picture picture = WhiteWithBlackBottomRow();
    const RECT primary = {0, 0, 400, 400}, right = {400, 0, 800, 400}, screen = {0, 0, 800, 400};
    const RECT nearBottom = {0, 385, 400, 400}, top = {0, 0, 400, 15}, onRight = {500, 0, 600, 100};
    const RECT offScreen = {900, 0, 1000, 100};
    const struct { WallpaperPosition position; COLORREF desktop; RECT labels; COLORREF expected; } cases[] = {
        {WALLPAPER_STRETCH, WHITE, nearBottom, WHITE}, {WALLPAPER_STRETCH, BLACK, top, BLACK},
        {WALLPAPER_STRETCH, BLACK, onRight, WHITE},    {WALLPAPER_STRETCH, WHITE, onRight, BLACK},
        // mostly the light grey desktop, a sixth of it the picture's dark
        // bottom row: the dark end decides
        {WALLPAPER_STRETCH, RGB(204, 204, 204), {380, 380, 513, 400}, WHITE},
        // a small centred picture leaves the labels on the desktop colour
        {WALLPAPER_CENTER, BLACK, top, WHITE},
        // labels on no monitor: the whole of each is judged, mostly white
        {WALLPAPER_STRETCH, WHITE, offScreen, BLACK},
    };
    for (const auto& c : cases) {
        ShownMonitor monitors[] = {{PlacePicture(c.position, picture.original, primary, screen), &picture},
                                   {PlacePicture(c.position, {}, right, screen), nullptr}};
        ShownDesktop shown = {monitors, 2, c.desktop};
        TextChoice choice = ChooseForLabels(shown, &c.labels, 1);
        EXPECT_EQ(c.expected, choice.text) << c.position << " labels at " << c.labels.left << ", " << c.labels.top;
    }
    // what the preview shows: picture, desktop colour and off-screen alike
    ShownMonitor monitors[] = {{PlacePicture(WALLPAPER_STRETCH, picture.original, primary, screen), &picture}};
    ShownDesktop shown = {monitors, 1, RGB(1, 2, 3)};
    DWORD pixels[4];
    CopyShownArea(shown, {399, 379, 401, 381}, pixels);
    EXPECT_EQ(0x00FFFFFFu, pixels[0]);
    EXPECT_EQ(0x00010203u, pixels[1]);
    EXPECT_EQ(0u, pixels[2]);
}

} // namespace
