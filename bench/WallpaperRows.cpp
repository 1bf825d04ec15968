// The wallpaper's rows: from a new wallpaper to its colour on the labels,
// one evaluation of a picture, a start, a drag, a hung shell, idling.
#include "Measure.h"
#include "res/Messages.h"
#include "wallpaper/WallpaperContrast.h"
#include "wallpaper/WallpaperWatch.h"
#include <algorithm>
#include <wincodec.h>

// 6. From a new wallpaper announced to its colour set on the labels (as the
// shell logs it), light and dark screen-sized pictures in turn, with
// "(Contrast With Wallpaper)" stored; each change past the half second that
// keeps evaluations apart. Block by block in turns with the floor program,
// which takes the same notice, decodes the same picture and sets the colour.
void WallpaperLatency(int changes)
{
    const LONG cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    const std::string pictures[2] = {WriteGreyBmp("bench-light.bmp", 230, cx, cy), WriteGreyBmp("bench-dark.bmp", 20, cx, cy)};
    const COLORREF labels[2] = {RGB(0, 0, 0), RGB(255, 255, 255)};
    SetWallpaper(pictures[0]);
    SetSetting("TextColorIndex", 21);
    SetReApply(1);
    Shell shell;
    auto labelsAre = [](COLORREF c) { return SendMessageA(FindDesktopListView(), LVM_GETTEXTCOLOR, 0, 0) == (LRESULT)c; };
    const int BLOCK = 10;
    std::vector<double> ms[2];
    for (int block = 0, n = 0; block < 2 * ((changes + BLOCK - 1) / BLOCK); ++block) {
        int which = (block + block / 2) % 2;   // A B, then B A
        Process program(which ? Quoted("Baseline.exe") + " --wallpaper" : Quoted("Vireola.exe"));
        WaitFor([&] { return which || ResidentReady(); }, 10000);
        WaitFor([&] { return labelsAre(labels[n % 2]); }, 10000);
        for (int i = 0; i < BLOCK; ++i) {
            PumpFor(WALLPAPER_GAP_MS);
            LONG sent = ShellClockUs();
            SetWallpaper(pictures[++n % 2]);
            if (WaitFor([&] { return labelsAre(labels[n % 2]); }, 10000))
                ms[which].push_back(((Shell::Ask(SHELL_LAST_COLOR_AT) - sent) & 0x7FFFFFFF) / 1000.0);
        }
        program.Kill();
    }
    char program[48], floor[48], ratio[20];
    snprintf(program, sizeof program, "median %.1f, p90 %.1f ms (n=%zu)", Percentile(ms[0], 0.5), Percentile(ms[0], 0.9), ms[0].size());
    snprintf(floor, sizeof floor, "median %.1f, p90 %.1f ms", Percentile(ms[1], 0.5), Percentile(ms[1], 0.9));
    snprintf(ratio, sizeof ratio, "%.2f", Percentile(ms[0], 0.5) / Percentile(ms[1], 0.5));
    Row("6. a new wallpaper to its label colour", program, floor, ratio, "<=1.3, <100 ms");
}

// 6a. Where a new wallpaper's time goes: the program's steps from the notice
// to the labels, made in this process with the program's own functions, as
// its dialog and its worker make them, against the same shell; each the
// median of its time after the step before.
namespace {

enum Step { NOTICE, WORKER_START, READ, DECODE, ANSWER, LABELS, JUDGEMENT, MESSAGE, WRITTEN, STEPS };
const char* const STEP_NAMES[STEPS] = {"the notice", "the worker's start", "what shows read", "the decode",
                                       "the view's answer", "the labels read", "the judgement",
                                       "the result's message", "the labels written"};
double g_at[STEPS];
COLORREF g_text;
HWND g_hSteps;

DWORD WINAPI StepsWorker(void*)
{
    g_at[WORKER_START] = Now();
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    HWND hView = FindDesktopListView();
    WallpaperScene scene;
    ReadWallpaperScene(scene);
    JudgedValuesStamp(scene.values);
    g_at[READ] = Now();
    DecodedScene decoded;
    DecodeScene(scene, decoded);
    g_at[DECODE] = Now();
    ShellAnswers(hView);
    g_at[ANSWER] = Now();
    HeapArray<RECT> labels;
    ViewShape shape;
    ReadLabels(hView, labels, shape);
    g_at[LABELS] = Now();
    ShownDesktop shown = {decoded.monitors, scene.monitorCount, scene.desktop};
    g_text = ChooseForLabels(shown, labels.Data(), labels.Count()).text;
    g_at[JUDGEMENT] = Now();
    CoUninitialize();
    PostMessageA(g_hSteps, WM_APP, 0, 0);
    return 0;
}

LRESULT CALLBACK StepsProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTINGCHANGE && wParam == SPI_SETDESKWALLPAPER) {
        g_at[NOTICE] = Now();
        CloseHandle(CreateThread(nullptr, 0, StepsWorker, nullptr, 0, nullptr));
    } else if (message == WM_APP) {
        g_at[MESSAGE] = Now();
        ShellTurn turn(ShellTurn::WATCH);
        ReapplyIfReset(g_text, turn);
        g_at[WRITTEN] = Now();
    }
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

// Announced from another thread, as another program announces it.
DWORD WINAPI Announce(void* path)
{
    SetWallpaper(*(const std::string*)path);
    return 0;
}

} // namespace

void WallpaperSteps(int changes)
{
    const LONG cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    const std::string pictures[2] = {WriteGreyBmp("bench-light.bmp", 230, cx, cy), WriteGreyBmp("bench-dark.bmp", 20, cx, cy)};
    Shell shell;
    WNDCLASSA wc = {0, StepsProc, 0, 0, GetModuleHandleA(nullptr), nullptr, nullptr, nullptr, nullptr, "BenchSteps"};
    RegisterClassA(&wc);
    g_hSteps = CreateWindowA("BenchSteps", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    std::vector<double> ms[STEPS];
    for (int i = 0; i < changes; ++i) {
        PumpFor(WALLPAPER_GAP_MS);
        ZeroMemory(g_at, sizeof g_at);
        double t0 = Now();
        HANDLE hThread = CreateThread(nullptr, 0, Announce, (void*)&pictures[i % 2], 0, nullptr);
        if (WaitFor([] { return g_at[WRITTEN] != 0; }, 10000))
            for (int s = 0; s < STEPS; ++s)
                ms[s].push_back((g_at[s] - (s ? g_at[s - 1] : t0)) * 1000);
        WaitForSingleObject(hThread, 5000);
        CloseHandle(hThread);
    }
    DestroyWindow(g_hSteps);
    for (int s = 0; s < STEPS; ++s) {
        char what[60], median[40];
        snprintf(what, sizeof what, "6a. %s", STEP_NAMES[s]);
        snprintf(median, sizeof median, "median %.1f ms", Percentile(ms[s], 0.5));
        Row(what, median, "", "", "");
    }
}

// One of this process's memory figures as Linux counts them, in KiB (Wine
// shows the wineserver as /proc/self).
unsigned long SelfMemoryKiB(const char* field)
{
    return LinuxMemoryKiB("Bench.exe --evaluate", field, true);
}

// The floor of one evaluation: the picture decoded by the imaging component
// alone, from its file, scaled by its own scaler to the size the program
// judges it at.
double BareDecodeMs(IWICImagingFactory* pFactory, const WCHAR* path)
{
    double t0 = Now();
    IWICBitmapDecoder* pDecoder = nullptr;
    IWICBitmapFrameDecode* pFrame = nullptr;
    IWICBitmapScaler* pScaler = nullptr;
    IWICFormatConverter* pConverter = nullptr;
    UINT cx = 0, cy = 0;
    if (SUCCEEDED(pFactory->CreateDecoderFromFilename(path, nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand, &pDecoder))
        && SUCCEEDED(pDecoder->GetFrame(0, &pFrame)) && SUCCEEDED(pFrame->GetSize(&cx, &cy))) {
        SIZE size = DecodedSize({(LONG)cx, (LONG)cy}, MAX_DECODED_SIDE);
        std::vector<DWORD> pixels(size.cx * size.cy);
        if (SUCCEEDED(pFactory->CreateBitmapScaler(&pScaler))
            && SUCCEEDED(pScaler->Initialize(pFrame, size.cx, size.cy, WICBitmapInterpolationModeFant))
            && SUCCEEDED(pFactory->CreateFormatConverter(&pConverter))
            && SUCCEEDED(pConverter->Initialize(pScaler, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0,
                                                WICBitmapPaletteTypeCustom)))
            pConverter->CopyPixels(nullptr, size.cx * 4, size.cx * size.cy * 4, (BYTE*)pixels.data());
    }
    for (IUnknown* p : {(IUnknown*)pConverter, (IUnknown*)pScaler, (IUnknown*)pFrame, (IUnknown*)pDecoder})
        if (p)
            p->Release();
    return (Now() - t0) * 1000;
}

// 6b. One evaluation of a picture in this process (started for it alone),
// beside a bare decode of it, in turns once the imaging component is loaded:
// the times, and the peak of private memory above what the process had
// before the first evaluation.
void EvaluateOnce(const char* picture)
{
    Shell shell;
    SetWallpaper(picture);
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    IWICImagingFactory* pFactory = nullptr;
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory, (void**)&pFactory);
    const std::wstring path(picture, picture + strlen(picture));
    unsigned long rssBefore = SelfMemoryKiB("VmRSS"), rssPeak = 0;
    PROCESS_MEMORY_COUNTERS_EX before = {}, after = {};
    before.cb = after.cb = sizeof before;
    GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS*)&before, sizeof before);
    std::vector<double> times[2];
    WallpaperContrast result;
    ShellCalls calls = {};
    for (int turn = 0; turn < 6; ++turn) {
        DecodedScene decoded;
        double t0 = Now();
        if (turn % 2 == 0)
            EvaluateWallpaperContrast(FindDesktopListView(), {64, 64}, decoded, result, calls);
        times[turn % 2].push_back(turn % 2 ? BareDecodeMs(pFactory, path.c_str()) : (Now() - t0) * 1000);
        if (turn == 0) {
            GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS*)&after, sizeof after);
            rssPeak = SelfMemoryKiB("VmHWM");
        }
    }
    pFactory->Release();
    char what[60], program[60], floor[48];
    const char* name = strrchr(picture, '\\');
    snprintf(what, sizeof what, "6b. one evaluation, %s", name ? name + 1 : picture);
    snprintf(program, sizeof program, "%.0f ms; peak +%lu KiB private, +%lu KiB resident%s", Percentile(times[0], 0.5),
             (unsigned long)((after.PeakPagefileUsage - before.PagefileUsage) / 1024), rssPeak - rssBefore,
             result.pictureRead ? "" : " (not read)");
    snprintf(floor, sizeof floor, "%.0f ms bare decode", Percentile(times[1], 0.5));
    Row(what, program, floor, RatioSpread(Ratios(times[0], times[1])), "<=1.1");
}

// 6d. A silent start with "(Contrast With Wallpaper)" stored and its colour
// judged before on the same picture (white, on a dark picture, where the
// desktop colour's contrast is black), to that colour on the labels; against
// the same start with "White" stored.
void WallpaperStart(int runs)
{
    SetWallpaper(WriteGreyBmp("bench-dark.bmp", 20));
    Shell shell("--color E6E6E6");
    SetSetting("TextColorIndex", 21);
    {
        Resident judge;   // keeps the colour with what it was judged on
        WaitFor([] { return SendMessageA(FindDesktopListView(), LVM_GETTEXTCOLOR, 0, 0) == RGB(255, 255, 255); }, 10000);
        judge.Kill();
    }
    const DWORD entries[2] = {21, 20};
    std::vector<double> ms[2];
    for (int run = 0; run < 2 * runs; ++run) {
        SetSetting("TextColorIndex", entries[run % 2]);
        SendMessageA(FindDesktopListView(), LVM_SETTEXTCOLOR, 0, RGB(0, 0, 0));
        double t0 = Now();
        Resident vireola;
        WaitFor([] { return SendMessageA(FindDesktopListView(), LVM_GETTEXTCOLOR, 0, 0) == RGB(255, 255, 255); }, 10000);
        ms[run % 2].push_back((Now() - t0) * 1000);
        vireola.Kill();
    }
    char program[40], floor[40];
    snprintf(program, sizeof program, "median %.1f ms", Percentile(ms[0], 0.5));
    snprintf(floor, sizeof floor, "median %.1f ms (\"White\")", Percentile(ms[1], 0.5));
    Row("6d. silent start to the wallpaper's colour", program, floor, RatioSpread(Ratios(ms[0], ms[1])), "");
}

// 6e. An icon dragged for two seconds (a move every 50 ms, as Windows' list
// view tells of each step): the evaluations that read the labels, and the
// program's CPU over the drag and a second after it.
void WallpaperDrag()
{
    SetWallpaper(WriteGreyBmp("bench-light.bmp", 230));
    SetSetting("TextColorIndex", 21);
    Shell shell;
    Resident vireola;
    PumpFor(1500);   // its first evaluation done
    LRESULT reads = Shell::Ask(SHELL_LABEL_READS);
    FILETIME created, ended, kernel[2], user[2];
    GetProcessTimes(vireola.Handle(), &created, &ended, &kernel[0], &user[0]);
    for (int i = 0; i < 40; ++i, PumpFor(50))
        PostMessageA(FindWindowA("#32770", "Vireola"), WM_VIEW_ITEMS_MOVED, 0, 0);
    PumpFor(1000);
    GetProcessTimes(vireola.Handle(), &created, &ended, &kernel[1], &user[1]);
    auto ms = [](const FILETIME& f) { return (double)((ULONGLONG)f.dwHighDateTime << 32 | f.dwLowDateTime) / 10000; };
    char program[48];
    snprintf(program, sizeof program, "%ld evaluations, %.0f ms CPU", (long)(Shell::Ask(SHELL_LABEL_READS) - reads),
             ms(kernel[1]) + ms(user[1]) - ms(kernel[0]) - ms(user[0]));
    Row("6e. a two-second drag, 40 moves", program, "", "", "");
    vireola.Kill();
}

// 6f. The shell hung for 12 s while the picture changes twenty times: the
// program's threads at their peak, and the evaluations once it answers.
void WallpaperHungShell()
{
    const std::string pictures[2] = {WriteGreyBmp("bench-light.bmp", 230), WriteGreyBmp("bench-dark.bmp", 20)};
    SetWallpaper(pictures[0]);
    SetSetting("TextColorIndex", 21);
    Shell shell;
    Resident vireola;
    PumpFor(1500);
    int before = ThreadCount(vireola.Id()), peak = before;
    LRESULT reads = Shell::Ask(SHELL_LABEL_READS);
    PostMessageA(Shell::Progman(), SHELL_HANG, 12000, 0);
    for (int i = 1; i <= 20; ++i) {
        HKEY hKey;
        RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_SET_VALUE, &hKey);
        RegSetValueExA(hKey, "Wallpaper", 0, REG_SZ, (const BYTE*)pictures[i % 2].c_str(), (DWORD)pictures[i % 2].size() + 1);
        RegCloseKey(hKey);
        for (int sample = 0; sample < 5; ++sample, PumpFor(100))
            peak = std::max(peak, ThreadCount(vireola.Id()));
    }
    PumpFor(4000);   // the hang over, and the evaluation after it
    char program[48], floor[40];
    snprintf(program, sizeof program, "peak %d threads, %ld evaluations after", peak,
             (long)(Shell::Ask(SHELL_LABEL_READS) - reads));
    snprintf(floor, sizeof floor, "%d threads before", before);
    Row("6f. the shell hung through 20 changes", program, floor, "", "");
    vireola.Kill();
}

// 6c. "(Contrast With Wallpaper)" chosen against "Black", with a wallpaper set.
void WallpaperIdle(int seconds)
{
    SetWallpaper(WriteGreyBmp("bench-light.bmp", 230));
    Shell shell;
    SetReApply(1);
    const DWORD entries[2] = {21, 3};
    IdleInTurns(seconds, 1500, // its first evaluation done
                [&](int which) {
                    SetSetting("TextColorIndex", entries[which]);
                    return BinPath("Vireola.exe");
                },
                "6c. idle CPU, the wallpaper's entry", "\"Black\"");
}

// 6. The wallpaper's rows; each evaluation in a process of its own, for its
// memory, of pictures that scripts/bench.sh makes.
void WallpaperRows(bool quick)
{
    WallpaperLatency(quick ? 10 : 60);
    WallpaperSteps(quick ? 10 : 30);
    // the shell's own copy is at the screen's size; an original photograph;
    // and the largest picture read whole where no decoder shrinks it
    for (const char* picture : {"wallpaper-1920x1080.jpg", "wallpaper-6000x4000.jpg", "wallpaper-8192x4096.png"}) {
        fflush(stdout);
        Process child(Quoted("Bench.exe") + " --evaluate \"" + BinPath(picture) + "\"");
        child.Wait(120000);
    }
    WallpaperStart(quick ? 5 : 20);
    WallpaperDrag();
    WallpaperHungShell();
    WallpaperIdle(quick ? 10 : 60);
    SetWallpaper("");
}
