// The wallpaper's rows: from a new wallpaper to its colour on the labels,
// one evaluation of a picture, a start, a drag, a hung shell, idling.
#include "Measure.h"
#include "res/Messages.h"
#include "wallpaper/WallpaperContrast.h"
#include "wallpaper/WallpaperWatch.h"
#include <algorithm>

// 6. From a new wallpaper announced to its colour on the labels, light and
// dark pictures in turn, with "(Contrast With Wallpaper)" stored; each change
// past the half second that keeps evaluations apart.
void WallpaperLatency(int changes)
{
    const std::string pictures[2] = {WriteGreyBmp("bench-light.bmp", 230), WriteGreyBmp("bench-dark.bmp", 20)};
    const COLORREF labels[2] = {RGB(0, 0, 0), RGB(255, 255, 255)};
    SetWallpaper(pictures[0]);
    SetSetting("TextColorIndex", 21);
    Shell shell;
    Resident vireola;
    auto labelsAre = [](COLORREF c) { return SendMessageA(FindDesktopListView(), LVM_GETTEXTCOLOR, 0, 0) == (LRESULT)c; };
    WaitFor([&] { return labelsAre(labels[0]); }, 10000);
    std::vector<double> ms;
    for (int i = 1; i <= changes; ++i) {
        PumpFor(WALLPAPER_GAP_MS);
        double t0 = Now();
        SetWallpaper(pictures[i % 2]);
        if (WaitFor([&] { return labelsAre(labels[i % 2]); }, 10000))
            ms.push_back((Now() - t0) * 1000);
    }
    vireola.Kill();
    SpreadRow("6. a new wallpaper to its label colour", ms, "");
}

// One of this process's memory figures as Linux counts them, in KiB (Wine
// shows the wineserver as /proc/self).
unsigned long SelfMemoryKiB(const char* field)
{
    return LinuxMemoryKiB("Bench.exe --evaluate", field, true);
}

// 6b. One evaluation of a picture in this process (started for it alone): its
// time, and the peak of private memory above what the process had before.
void EvaluateOnce(const char* picture)
{
    Shell shell;
    SetWallpaper(picture);
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    unsigned long rssBefore = SelfMemoryKiB("VmRSS");
    PROCESS_MEMORY_COUNTERS_EX before = {}, after = {};
    before.cb = after.cb = sizeof before;
    GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS*)&before, sizeof before);
    double times[2];
    WallpaperContrast result;
    DecodedScene decoded;   // the second judges the picture kept from the first, as after an icon moved
    ShellCalls calls = {};
    for (double& t : times) {
        double t0 = Now();
        EvaluateWallpaperContrast(FindDesktopListView(), {64, 64}, decoded, result, calls);
        t = (Now() - t0) * 1000;
    }
    GetProcessMemoryInfo(GetCurrentProcess(), (PROCESS_MEMORY_COUNTERS*)&after, sizeof after);
    char what[60], program[40], floor[48];
    const char* name = strrchr(picture, '\\');
    snprintf(what, sizeof what, "6b. one evaluation, %s", name ? name + 1 : picture);
    snprintf(program, sizeof program, "%.0f ms, kept %.0f ms", times[0], times[1]);
    snprintf(floor, sizeof floor, "peak +%lu KiB private, +%lu KiB resident%s",
             (unsigned long)((after.PeakPagefileUsage - before.PagefileUsage) / 1024),
             SelfMemoryKiB("VmHWM") - rssBefore, result.pictureRead ? "" : " (not read)");
    Row(what, program, floor, "", "");
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
