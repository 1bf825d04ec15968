// Measures what Vireola costs, each figure beside its floor, and prints one
// table. Run under Wine in a prefix of its own (scripts/bench.sh).
//   Bench [--quick]        the measurements
//   Bench --soak MINUTES   resident under constant resets, start and end figures
//   Bench --against EXE [SECONDS]   idle CPU against another build of the program
//   Bench --wallpaper      the wallpaper's rows alone
//   Bench --evaluate PICTURE   one evaluation of the wallpaper, in a process of its own
#include "shell/DesktopView.h"
#include "wallpaper/WallpaperContrast.h"
#include "wallpaper/WallpaperWatch.h"
#include "res/Messages.h"
#include "tests/standin/StandInShell.h"
#include "tests/support/Launch.h"
#include "watch/WatchPause.h"
#include <algorithm>
#include <fstream>
#include <objbase.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vector>

namespace {

const char APP_KEY[] = "Software\\Morvane\\Vireola\\Settings";

void SetSetting(const char* name, DWORD value)
{
    HKEY hKey;
    RegCreateKeyExA(HKEY_CURRENT_USER, APP_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr);
    RegSetValueExA(hKey, name, 0, REG_DWORD, (const BYTE*)&value, sizeof value);
    RegCloseKey(hKey);
}

void SetReApply(DWORD value)
{
    SetSetting("ReApply", value);
}

// The wallpaper as Windows 7 keeps it (stretched), announced as Windows does.
void SetWallpaper(const std::string& path)
{
    HKEY hKey;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr);
    RegSetValueExA(hKey, "Wallpaper", 0, REG_SZ, (const BYTE*)path.c_str(), (DWORD)path.size() + 1);
    RegSetValueExA(hKey, "WallpaperStyle", 0, REG_SZ, (const BYTE*)"2", 2);
    RegSetValueExA(hKey, "TileWallpaper", 0, REG_SZ, (const BYTE*)"0", 2);
    RegCloseKey(hKey);
    DWORD_PTR result;
    SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, SPI_SETDESKWALLPAPER, (LPARAM) "Control Panel\\Desktop",
                        SMTO_ABORTIFHUNG, 5000, &result);
}

// A 64 by 48 picture of one grey, as a 24-bit BMP.
std::string WriteGreyBmp(const char* name, BYTE grey)
{
    std::string path = BinPath(name);
    BITMAPFILEHEADER file = {0x4D42, sizeof file + sizeof(BITMAPINFOHEADER) + 64 * 3 * 48, 0, 0,
                             sizeof file + sizeof(BITMAPINFOHEADER)};
    BITMAPINFOHEADER info = {sizeof info, 64, 48, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write((const char*)&file, sizeof file).write((const char*)&info, sizeof info);
    out << std::string(64 * 3 * 48, (char)grey);
    return path;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER freq;
    QueryPerformanceFrequency(&freq);
    return double(to.QuadPart - from.QuadPart) / freq.QuadPart;
}

double Now()
{
    static LARGE_INTEGER start = [] { LARGE_INTEGER t; QueryPerformanceCounter(&t); return t; }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return Seconds(start, t);
}

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * (v.size() - 1) + 0.5))];
}

// A figure and its floor are measured in turns (A B, B A, ...), block by
// block, so that what the machine does meanwhile weighs on both alike; the
// ratio is the median of the blocks' ratios, with their middle half.
std::string RatioSpread(const std::vector<double>& ratios)
{
    char text[40];
    snprintf(text, sizeof text, "%.2f (%.2f-%.2f)", Percentile(ratios, 0.5), Percentile(ratios, 0.25),
             Percentile(ratios, 0.75));
    return text;
}

std::vector<double> Ratios(const std::vector<double>& a, const std::vector<double>& b)
{
    std::vector<double> r;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i)
        if (b[i] > 0)
            r.push_back(a[i] / b[i]);
    return r;
}

// The /proc folders of the Linux processes that run a Wine program, found
// through their command lines; Wine shows the Linux root as drive Z:.
std::vector<std::string> LinuxProcesses(const char* commandLine, bool bench = false)
{
    std::vector<std::string> dirs;
    WIN32_FIND_DATAA fd;
    HANDLE hFind = FindFirstFileA("Z:\\proc\\*", &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return dirs;
    do {
        if (fd.cFileName[0] < '0' || fd.cFileName[0] > '9')
            continue;
        std::string dir = std::string("Z:\\proc\\") + fd.cFileName;
        char cmdline[512] = "";
        FILE* f = fopen((dir + "\\cmdline").c_str(), "rb");
        if (!f)
            continue;
        size_t n = fread(cmdline, 1, sizeof cmdline - 1, f);
        fclose(f);
        std::string args(cmdline, n);
        std::replace(args.begin(), args.end(), '\0', ' ');
        // not the script that started it, nor this program, which may name it
        if (args.find(commandLine) != std::string::npos && args.find("winerun") == std::string::npos
            && (bench || args.find("Bench.exe") == std::string::npos))
            dirs.push_back(dir);
    } while (FindNextFileA(hFind, &fd));
    FindClose(hFind);
    return dirs;
}

// CPU seconds of a Wine program as Linux counts them (Wine's own figures for
// other processes are too coarse).
double CpuSeconds(const char* commandLine)
{
    double seconds = 0;
    for (const std::string& dir : LinuxProcesses(commandLine)) {
        // time on a CPU in nanoseconds, the first field of schedstat
        FILE* f = fopen((dir + "\\schedstat").c_str(), "rb");
        if (!f)
            continue;
        unsigned long long ns = 0;
        if (fscanf(f, "%llu", &ns) == 1)
            seconds += ns / 1e9;
        fclose(f);
    }
    return seconds;
}

// One of the memory figures of /proc/PID/status ("VmRSS", "VmData"), in KiB.
unsigned long LinuxMemoryKiB(const char* commandLine, const char* field, bool bench = false)
{
    unsigned long total = 0;
    for (const std::string& dir : LinuxProcesses(commandLine, bench)) {
        FILE* f = fopen((dir + "\\status").c_str(), "rb");
        if (!f)
            continue;
        char line[256];
        unsigned long kib;
        while (fgets(line, sizeof line, f))
            if (!strncmp(line, field, strlen(field)) && sscanf(line + strlen(field) + 1, "%lu", &kib) == 1)
                total += kib;
        fclose(f);
    }
    return total;
}

// Committed private memory, counted region by region (Wine reports no
// private usage for other processes).
SIZE_T PrivateBytes(HANDLE hProcess)
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION mbi;
    for (BYTE* p = nullptr; VirtualQueryEx(hProcess, p, &mbi, sizeof mbi) == sizeof mbi; p += mbi.RegionSize) {
        if (mbi.State == MEM_COMMIT && mbi.Type == MEM_PRIVATE)
            total += mbi.RegionSize;
        if ((BYTE*)mbi.BaseAddress + mbi.RegionSize < p)
            break;
    }
    return total;
}

std::string Quoted(const char* file)
{
    return "\"" + BinPath(file) + "\"";
}

struct Shell
{
    Process process;
    explicit Shell(const std::string& options = "")
    {
        process.Start(Quoted("StandInShell.exe") + " " + options);
        WaitFor([] { return FindDesktopListView() != nullptr; });
    }
    ~Shell()
    {
        PostMessageA(Progman(), WM_CLOSE, 0, 0);
        if (process.Wait(3000) == STILL_ACTIVE)
            process.Kill();
    }
    static HWND Progman() { return FindWindowA("Progman", "Program Manager"); }
    static LRESULT Ask(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return SendMessageA(Progman(), message, wParam, lParam);
    }
};

bool ResidentReady()
{
    return FindWindowA("#32770", "Vireola") != nullptr
           && SendMessageA(GetDlgItem(FindWindowA("#32770", "Vireola"), 1002), CB_GETCURSEL, 0, 0) >= 0;
}

// Vireola started silently with re-apply on, its dialog ready.
struct Resident : Process
{
    Resident()
    {
        SetReApply(1);
        Start(Quoted("Vireola.exe"));
        WaitFor(ResidentReady);
    }
};

void Row(const char* what, const char* program, const char* floor, const std::string& ratio, const char* goal)
{
    printf("| %-38s | %-24s | %-30s | %-17s | %-13s |\n", what, program, floor, ratio.c_str(), goal);
}

// Latencies in milliseconds: the median and the 99th percentile, each as a
// share of what it is measured against.
void LatencyRow(const char* what, const std::vector<double>& ms, double medianScale, double p99Scale,
                const char* goal)
{
    char median[40], p99[40], ratio[40];
    snprintf(median, sizeof median, "median %.1f ms", Percentile(ms, 0.5));
    snprintf(p99, sizeof p99, "p99 %.1f ms (n=%zu)", Percentile(ms, 0.99), ms.size());
    snprintf(ratio, sizeof ratio, "%.2f / %.2f", Percentile(ms, 0.5) / medianScale, Percentile(ms, 0.99) / p99Scale);
    Row(what, median, p99, ratio, goal);
}

// 1. From the shell's reset to the labels being right again.
void ReapplyLatency(int resets)
{
    Shell shell;
    Resident vireola;
    std::vector<double> ms;
    srand(1);
    for (int i = 0; i < resets; ++i) {
        PumpFor(rand() % 100);   // meet the watch at any phase of its period
        LRESULT before = Shell::Ask(SHELL_REPAIR_COUNT);
        Shell::Ask(SHELL_RESET_COLORS);
        if (WaitFor([&] { return Shell::Ask(SHELL_REPAIR_COUNT) > before; }, 2000))
            ms.push_back(Shell::Ask(SHELL_LAST_REPAIR_US) / 1000.0);
    }
    vireola.Kill();
    LatencyRow("1. re-apply latency (period 100 ms)", ms, 100, 100, "<=1.0 / <=1.5");
}

void Broadcast(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR result;
    SendMessageTimeoutA(HWND_BROADCAST, message, wParam, lParam, SMTO_ABORTIFHUNG, 2000, &result);
}

// The system-wide changes that make a shell reset its labels, in turn.
void BroadcastChange(int kind)
{
    switch (kind % 5) {
    case 0: Broadcast(WM_SYSCOLORCHANGE); break;
    case 1: Broadcast(WM_SETTINGCHANGE); break;
    case 2: Broadcast(WM_THEMECHANGED); break;
    case 3: Broadcast(WM_DISPLAYCHANGE, 32, MAKELPARAM(1280, 1024)); break;
    case 4: PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0); break;
    }
}

// 1b. From a broadcast being sent to the labels that the shell reset while
// handling it being right again, against 15 ms and 30 ms; and the CPU each
// costs beyond idling.
void BroadcastLatency(int broadcasts, double idleCpuPerSecond)
{
    Shell shell("--reset-on-broadcast");
    Resident vireola;
    PumpFor(1500);
    std::vector<double> ms;
    srand(2);
    double cpu0 = CpuSeconds(BinPath("Vireola.exe").c_str()), t0 = Now();
    for (int i = 0; i < broadcasts; ++i) {
        // apart as broadcasts come, so that every burst has its budget
        PumpFor(1200 + rand() % 600);
        LRESULT before = Shell::Ask(SHELL_REPAIR_COUNT);
        LONG sent = ShellClockUs();
        BroadcastChange(i);
        if (WaitFor([&] { return Shell::Ask(SHELL_REPAIR_COUNT) > before; }, 2000))
            ms.push_back(((Shell::Ask(SHELL_LAST_REPAIR_AT) - sent) & 0x7FFFFFFF) / 1000.0);
    }
    double cpu = CpuSeconds(BinPath("Vireola.exe").c_str()) - cpu0, elapsed = Now() - t0;
    vireola.Kill();
    LatencyRow("1b. re-apply latency after a broadcast", ms, 15, 30, "<=1.0 / <=1.0");
    char perBroadcast[40];
    snprintf(perBroadcast, sizeof perBroadcast, "%.2f ms CPU per broadcast",
             1000 * (cpu - idleCpuPerSecond * elapsed) / broadcasts);
    Row("2c. a burst and its repair", perBroadcast, "beyond idling", "", "");
}

// Latencies in milliseconds: the median, the 90th and the 99th percentile.
void SpreadRow(const char* what, const std::vector<double>& ms, const char* goal)
{
    char median[40], tail[40];
    snprintf(median, sizeof median, "median %.1f ms", Percentile(ms, 0.5));
    snprintf(tail, sizeof tail, "p90 %.1f, p99 %.1f ms (n=%zu)", Percentile(ms, 0.9), Percentile(ms, 0.99),
             ms.size());
    Row(what, median, tail, "", goal);
}

// 1e. From a refresh of the desktop view (filled again, its colours reset as
// the fill ends) to the labels being right again, at every phase of the
// watch: the refill announced as Windows' list view announces it, which the
// program listens to, and in turns with it the same refill unannounced, as
// the program without the listening would meet it.
void RefreshLatency(int refreshes)
{
    Shell shell;
    Resident vireola;
    PumpFor(500);
    std::vector<double> ms[2];
    srand(4);
    for (int i = 0; i < 2 * refreshes; ++i) {
        // apart enough for the budget of fast checks to refill, at any phase
        PumpFor(500 + rand() % 300);
        int how = (i / 2 + i) % 2 ? SHELL_REFRESH_UNANNOUNCED : SHELL_REFRESH_ANNOUNCED;   // A B, B A, ...
        LRESULT before = Shell::Ask(SHELL_REPAIR_COUNT);
        LONG sent = ShellClockUs();
        Shell::Ask(SHELL_REFRESH, how);
        if (WaitFor([&] { return Shell::Ask(SHELL_REPAIR_COUNT) > before; }, 2000))
            ms[how].push_back(((Shell::Ask(SHELL_LAST_REPAIR_AT) - sent) & 0x7FFFFFFF) / 1000.0);
    }
    vireola.Kill();
    SpreadRow("1e. re-apply latency after a refresh", ms[SHELL_REFRESH_ANNOUNCED], "<=15 / <=30 ms");
    SpreadRow("1f. the same, the refill unannounced", ms[SHELL_REFRESH_UNANNOUNCED], "");
}

// 1c. The watch's checks a minute while the session is locked, beside those
// while it is not; and from the unlock to the labels that the shell reset
// meanwhile being right again, against 15 ms and 30 ms.
void LockedSession(int seconds, int unlocks)
{
    Shell shell;
    Resident vireola;
    PumpFor(500);
    HWND hDlg = FindWindowA("#32770", "Vireola");
    // news of this session, which the program runs in too
    const DWORD thisSession = CurrentSessionFacts().thisSession;
    auto session = [&](WPARAM event) { SendMessageA(hDlg, WM_WTSSESSION_CHANGE, event, thisSession); };
    auto checksPerMinute = [&] {
        LRESULT before = Shell::Ask(SHELL_CHECK_COUNT);
        PumpFor(seconds * 1000);
        return (Shell::Ask(SHELL_CHECK_COUNT) - before) * 60.0 / seconds;
    };
    double unlocked = checksPerMinute();
    session(WTS_SESSION_LOCK);
    double locked = checksPerMinute();
    session(WTS_SESSION_UNLOCK);

    std::vector<double> ms;
    srand(3);
    for (int i = 0; i < unlocks; ++i) {
        session(WTS_SESSION_LOCK);
        PumpFor(200 + rand() % 300);
        Shell::Ask(SHELL_RESET_COLORS);
        LRESULT before = Shell::Ask(SHELL_REPAIR_COUNT);
        LONG sent = ShellClockUs();
        session(WTS_SESSION_UNLOCK);
        if (WaitFor([&] { return Shell::Ask(SHELL_REPAIR_COUNT) > before; }, 2000))
            ms.push_back(((Shell::Ask(SHELL_LAST_REPAIR_AT) - sent) & 0x7FFFFFFF) / 1000.0);
    }
    vireola.Kill();
    char program[40], floor[40];
    snprintf(program, sizeof program, "%.0f checks a minute", locked);
    snprintf(floor, sizeof floor, "unlocked: %.0f a minute", unlocked);
    Row("1c. checks while the session is locked", program, floor, "", "none");
    LatencyRow("1d. re-apply latency after an unlock", ms, 15, 30, "<=1.0 / <=1.0");
}

// 2d. A program that broadcasts a change 100 times a second: what the
// program costs meanwhile, beside a hidden dialog that makes the watch's calls
// on its timer and receives the same broadcasts, without bursts.
void BroadcastFlood(int seconds)
{
    Shell shell;
    Resident vireola;
    Process dialog(Quoted("Baseline.exe") + " --dialog-watch");
    PumpFor(1500);
    const std::string names[2] = {BinPath("Vireola.exe"), BinPath("Baseline.exe") + " --dialog-watch"};
    double cpu0[2] = {CpuSeconds(names[0].c_str()), CpuSeconds(names[1].c_str())}, t0 = Now();
    for (int i = 0; i < seconds * 100; ++i) {
        Broadcast(WM_SETTINGCHANGE);
        PumpFor(10);
    }
    double elapsed = Now() - t0, cpu[2];
    for (int i = 0; i < 2; ++i)
        cpu[i] = (CpuSeconds(names[i].c_str()) - cpu0[i]) / elapsed;
    vireola.Kill();
    char program[40], floor[40], ratio[20];
    snprintf(program, sizeof program, "%.3f%% core", 100 * cpu[0]);
    snprintf(floor, sizeof floor, "%.3f%% core (dialog timer)", 100 * cpu[1]);
    snprintf(ratio, sizeof ratio, "%.2f", cpu[1] > 0 ? cpu[0] / cpu[1] : 0.0);
    Row("2d. 100 broadcasts a second", program, floor, ratio, "");
}

// 2. CPU used while resident with nothing to repair, beside the bare loop
// and beside the same bare calls made on a hidden dialog's timer; the three
// run side by side, and are read block by block.
double IdleCost(int seconds)
{
    Shell shell;
    Resident vireola;
    Process bare(Quoted("Baseline.exe") + " --watch");
    Process dialog(Quoted("Baseline.exe") + " --dialog-watch");
    PumpFor(500);
    // by full path: other builds' copies may be running
    const std::string names[3] = {BinPath("Vireola.exe"), BinPath("Baseline.exe") + " --watch",
                                  BinPath("Baseline.exe") + " --dialog-watch"};
    const int BLOCK_SECONDS = 5;
    std::vector<double> cpu[3];
    double total[3] = {}, elapsed = 0;
    for (int block = 0; block < std::max(1, seconds / BLOCK_SECONDS); ++block) {
        double start[3], t0 = Now();
        for (int i = 0; i < 3; ++i)
            start[i] = CpuSeconds(names[i].c_str());
        PumpFor(BLOCK_SECONDS * 1000);
        for (int i = 0; i < 3; ++i) {
            cpu[i].push_back(CpuSeconds(names[i].c_str()) - start[i]);
            total[i] += cpu[i].back();
        }
        elapsed += Now() - t0;
    }
    double ticks = elapsed * 10;
    auto cost = [&](char* out, size_t size, double seconds) {
        snprintf(out, size, "%.3f%% core, %.0f us/tick", 100 * seconds / elapsed, 1e6 * seconds / ticks);
    };
    char program[40], floor[40];
    cost(program, sizeof program, total[0]);
    cost(floor, sizeof floor, total[1]);
    Row("2. idle CPU, listening to the view", program, floor, RatioSpread(Ratios(cpu[0], cpu[1])), "<=1.2");
    cost(floor, sizeof floor, total[2]);
    Row("2b. the same, floor on a dialog timer", program, floor, RatioSpread(Ratios(cpu[0], cpu[2])), "");
    vireola.Kill();
    return total[0] / elapsed;
}

// CPU per tick of a copy that sits resident with nothing to repair, in two
// set-ups taken in turns, block by block (A B, B A, ...), each copy started
// anew, since a second copy would only hand over to the first. start(which)
// prepares a turn and names the program to start.
template <class Start>
void IdleInTurns(int seconds, DWORD settleMs, Start start, const char* row, const char* floorName)
{
    const int BLOCK_SECONDS = 5;
    std::vector<double> cpu[2];
    for (int block = 0; block < std::max(1, seconds / BLOCK_SECONDS); ++block)
        for (int turn = 0; turn < 2; ++turn) {
            int which = (block + turn) % 2;
            const std::string path = start(which);
            Process program("\"" + path + "\"");
            WaitFor(ResidentReady);
            PumpFor(settleMs);
            double begin = CpuSeconds(path.c_str()), t0 = Now();
            PumpFor(BLOCK_SECONDS * 1000);
            cpu[which].push_back((CpuSeconds(path.c_str()) - begin) / (Now() - t0));
            program.Kill();
            WaitFor([] { return !ResidentReady(); });
        }
    char program[40], floor[60];
    snprintf(program, sizeof program, "%.0f us/tick", 1e5 * Percentile(cpu[0], 0.5));
    snprintf(floor, sizeof floor, "%.0f us/tick (%s)", 1e5 * Percentile(cpu[1], 0.5), floorName);
    Row(row, program, floor, RatioSpread(Ratios(cpu[0], cpu[1])), "");
}

// 2e. Listening to the view (and no event coming), against another build of
// the program (the version before the listening).
void IdleAgainst(const std::string& other, int seconds)
{
    Shell shell;
    SetReApply(1);
    const std::string paths[2] = {BinPath("Vireola.exe"), other};
    IdleInTurns(seconds, 500, [&](int which) { return paths[which]; }, "2e. idle CPU, listening, against a build",
                "the other build");
}

// 3. One in-place tick of the program against the same calls made bare.
void TickCost(int ticks)
{
    Shell shell;
    ApplyDesktopColors(RGB(0, 0, 0), CLR_NONE);
    auto lookUp = [] {
        HWND hProgman = FindWindowA("ProgMan", "Program Manager");
        HWND hDefView = FindWindowExA(hProgman, nullptr, "SHELLDLL_DefView", nullptr);
        return FindWindowExA(hDefView, nullptr, "SysListView32", nullptr);
    };
    auto bare = [&] {
        DWORD_PTR result;
        SendMessageTimeoutA(lookUp(), LVM_GETTEXTBKCOLOR, 0, 0, SMTO_ABORTIFHUNG, 500, &result);
        SendMessageTimeoutA(lookUp(), LVM_GETTEXTCOLOR, 0, 0, SMTO_ABORTIFHUNG, 500, &result);
    };
    const int BLOCKS = 15;
    std::vector<double> perTick[2];
    for (int block = 0; block < BLOCKS; ++block) {
        for (int turn = 0; turn < 2; ++turn) {
            int which = (block + turn) % 2;     // A B, then B A
            double t0 = Now();
            for (int i = 0; i < ticks / BLOCKS; ++i) {
                ShellTurn shellTurn(ShellTurn::WATCH);
                if (which == 0)
                    ReapplyIfReset(RGB(0, 0, 0), shellTurn);
                else
                    bare();
            }
            perTick[which].push_back((Now() - t0) / (ticks / BLOCKS));
        }
    }
    char program[40], floor[40];
    snprintf(program, sizeof program, "%.0f us/tick", Percentile(perTick[0], 0.5) * 1e6);
    snprintf(floor, sizeof floor, "%.0f us/tick", Percentile(perTick[1], 0.5) * 1e6);
    Row("3. in-place tick against its floor", program, floor, RatioSpread(Ratios(perTick[0], perTick[1])), "<=1.2");
}

double RunSeconds(const std::string& commandLine)
{
    double t0 = Now();
    Process p(commandLine);
    p.Wait(10000);
    return Now() - t0;
}

// 4. A silent start that applies the colour and ends, against doing nothing,
// against one window look-up (where Wine starts its display driver) and
// against the same calls to the shell's view made bare; one start of each in
// turn, the order rotating.
void StartUp(int runs)
{
    SetReApply(0);
    SetSetting("TextColorIndex", 3);   // "Black": whatever an earlier run left
    Shell shell;
    const std::string commands[4] = {Quoted("Vireola.exe"), Quoted("Baseline.exe") + " --exit",
                                     Quoted("Baseline.exe") + " --find", Quoted("Baseline.exe") + " --apply"};
    std::vector<double> times[4];
    for (int run = 0; run < runs; ++run)
        for (int turn = 0; turn < 4; ++turn) {
            int which = (run + turn) % 4;
            times[which].push_back(RunSeconds(commands[which]));
        }
    char program[40], floor[40];
    snprintf(program, sizeof program, "%.1f ms", Percentile(times[0], 0.5) * 1000);
    const char* what[4] = {"", "4. silent start to exit", "4b. the same against one look-up",
                           "4c. the same against its calls bare"};
    const char* floorName[4] = {"", "do nothing", "one FindWindow", "the same calls bare"};
    for (int floorIndex = 1; floorIndex < 4; ++floorIndex) {
        snprintf(floor, sizeof floor, "%.1f ms (%s)", Percentile(times[floorIndex], 0.5) * 1000, floorName[floorIndex]);
        Row(what[floorIndex], program, floor, RatioSpread(Ratios(times[0], times[floorIndex])),
            floorIndex == 1 ? "<=1.3" : "");
    }
}

// 5. The executable's size, and resident private memory beside an idle dialog program.
void Size()
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    GetFileAttributesExA(BinPath("Vireola.exe").c_str(), GetFileExInfoStandard, &data);
    char bytes[40];
    snprintf(bytes, sizeof bytes, "%lu bytes", data.nFileSizeLow);
    Row("5a. Vireola.exe with its resources", bytes, "84 KiB = 86016", "", "<=84 KiB");

    SetSetting("TextColorIndex", 3);
    Shell shell;
    Resident vireola;
    Process idle(Quoted("Baseline.exe") + " --dialog");
    PumpFor(1000);
    SIZE_T v = PrivateBytes(vireola.Handle()), b = PrivateBytes(idle.Handle());
    char program[40], floor[40], ratio[20];
    snprintf(program, sizeof program, "%lu KiB private", (unsigned long)(v / 1024));
    snprintf(floor, sizeof floor, "%lu KiB private", (unsigned long)(b / 1024));
    snprintf(ratio, sizeof ratio, "%.2f", double(v) / b);
    Row("5b. resident memory", program, floor, ratio, "");
    vireola.Kill();
}

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

// Resident for minutes while the shell resets the labels every 50 ms and the
// desktop colour changes every second.
void Soak(int minutes)
{
    Shell shell("--reset-every 50");
    Resident vireola;
    // Wine reads no handle or object counts of a process; its memory as Linux
    // sees it grows with whatever the program leaks
    auto report = [&](const char* when) {
        printf("%-6s Linux resident %lu KiB, data %lu KiB, private %lu KiB, resets %ld, repairs %ld\n", when,
               LinuxMemoryKiB(BinPath("Vireola.exe").c_str(), "VmRSS"),
               LinuxMemoryKiB(BinPath("Vireola.exe").c_str(), "VmData"),
               (unsigned long)(PrivateBytes(vireola.Handle()) / 1024), (long)Shell::Ask(SHELL_RESET_COUNT),
               (long)Shell::Ask(SHELL_REPAIR_COUNT));
        fflush(stdout);
    };
    report("start");
    const COLORREF desktops[] = {RGB(0, 0, 128), RGB(192, 192, 192)};
    for (int second = 0; second < minutes * 60; ++second) {
        Shell::Ask(SHELL_SET_DESKTOP_COLOR, 0, desktops[second % 2]);
        PumpFor(1000);
    }
    report("end");
    vireola.Kill();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 2 && !strcmp(argv[1], "--soak")) {
        Soak(atoi(argv[2]));
        return 0;
    }
    if (argc > 2 && !strcmp(argv[1], "--against")) {
        IdleAgainst(argv[2], argc > 3 ? atoi(argv[3]) : 60);
        return 0;
    }
    if (argc > 2 && !strcmp(argv[1], "--evaluate")) {
        EvaluateOnce(argv[2]);
        return 0;
    }
    bool quick = argc > 1 && !strcmp(argv[1], "--quick");
    if (argc > 1 && !strcmp(argv[1], "--wallpaper")) {
        WallpaperRows(false);
        return 0;
    }
    Row("measure", "Vireola", "floor", "ratio", "goal");
    printf("|%s|%s|%s|%s|%s|\n", std::string(40, '-').c_str(), std::string(26, '-').c_str(),
           std::string(32, '-').c_str(), std::string(19, '-').c_str(), std::string(15, '-').c_str());
    ReapplyLatency(quick ? 30 : 200);
    double idle = IdleCost(quick ? 5 : 60);
    BroadcastLatency(quick ? 20 : 120, idle);
    RefreshLatency(quick ? 20 : 100);
    LockedSession(quick ? 5 : 30, quick ? 10 : 60);
    BroadcastFlood(quick ? 3 : 10);
    TickCost(quick ? 200 : 2000);
    StartUp(quick ? 10 : 60);
    Size();
    WallpaperRows(quick);
    return 0;
}
