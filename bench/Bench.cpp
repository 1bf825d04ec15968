// Measures what Vireola costs, each figure beside its floor, and prints one
// table. Run under Wine in a prefix of its own (scripts/bench.sh).
//   Bench [--quick]        the five measurements
//   Bench --soak MINUTES   resident under constant resets, start and end figures
#include "color/DesktopView.h"
#include "tools/Launch.h"
#include "tools/StandInShell.h"
#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vector>

namespace {

const char APP_KEY[] = "Software\\Morvane\\Vireola\\Settings";

void SetReApply(DWORD value)
{
    HKEY hKey;
    RegCreateKeyExA(HKEY_CURRENT_USER, APP_KEY, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr);
    RegSetValueExA(hKey, "ReApply", 0, REG_DWORD, (const BYTE*)&value, sizeof value);
    RegCloseKey(hKey);
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
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * (v.size() - 1) + 0.5))];
}

// CPU seconds of a Wine process as Linux counts them (Wine's own figures for
// other processes are too coarse): found through its command line in /proc,
// which Wine shows as drive Z:.
double CpuSeconds(const char* commandLine)
{
    WIN32_FIND_DATAA fd;
    HANDLE hFind = FindFirstFileA("Z:\\proc\\*", &fd);
    double seconds = 0;
    if (hFind == INVALID_HANDLE_VALUE)
        return 0;
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
        if (args.find(commandLine) == std::string::npos || args.find("winerun") != std::string::npos)
            continue;
        // time on a CPU in nanoseconds, the first field of schedstat
        if (!(f = fopen((dir + "\\schedstat").c_str(), "rb")))
            continue;
        unsigned long long ns = 0;
        if (fscanf(f, "%llu", &ns) == 1)
            seconds += ns / 1e9;
        fclose(f);
    } while (FindNextFileA(hFind, &fd));
    FindClose(hFind);
    return seconds;
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

void Row(const char* what, const char* program, const char* floor, const char* ratio, const char* goal)
{
    printf("| %-34s | %-22s | %-22s | %-7s | %-14s |\n", what, program, floor, ratio, goal);
}

// 1. From the shell's reset to the labels being right again.
void ReapplyLatency(int resets)
{
    SetReApply(1);
    Shell shell;
    Process vireola(Quoted("Vireola.exe"));
    WaitFor(ResidentReady);
    std::vector<double> ms;
    srand(1);
    for (int i = 0; i < resets; ++i) {
        WaitFor([] { return false; }, rand() % 100);   // meet the watch at any phase of its period
        LRESULT before = Shell::Ask(SHELL_REPAIR_COUNT);
        Shell::Ask(SHELL_RESET_COLORS);
        if (WaitFor([&] { return Shell::Ask(SHELL_REPAIR_COUNT) > before; }, 2000))
            ms.push_back(Shell::Ask(SHELL_LAST_REPAIR_US) / 1000.0);
    }
    vireola.Kill();
    char median[40], p99[40], ratio[40];
    snprintf(median, sizeof median, "median %.1f ms", Percentile(ms, 0.5));
    snprintf(p99, sizeof p99, "p99 %.1f ms (n=%zu)", Percentile(ms, 0.99), ms.size());
    snprintf(ratio, sizeof ratio, "%.2f/%.2f", Percentile(ms, 0.5) / 100, Percentile(ms, 0.99) / 100);
    Row("1. re-apply latency (period 100 ms)", median, p99, ratio, "<=1.0 / <=1.5");
}

// 2. CPU used while resident with nothing to repair, beside the bare loop
// and beside the same bare calls made on a hidden dialog's timer.
void IdleCost(int seconds)
{
    SetReApply(1);
    Shell shell;
    Process vireola(Quoted("Vireola.exe"));
    WaitFor(ResidentReady);
    Process bare(Quoted("Baseline.exe") + " --watch");
    Process dialog(Quoted("Baseline.exe") + " --dialog-watch");
    WaitFor([] { return false; }, 500);
    double v0 = CpuSeconds("Vireola.exe"), b0 = CpuSeconds("Baseline.exe --watch"),
           d0 = CpuSeconds("Baseline.exe --dialog-watch"), t0 = Now();
    WaitFor([] { return false; }, seconds * 1000);
    double dv = CpuSeconds("Vireola.exe") - v0, db = CpuSeconds("Baseline.exe --watch") - b0,
           dd = CpuSeconds("Baseline.exe --dialog-watch") - d0, dt = Now() - t0;
    double ticks = dt * 10;
    auto cost = [&](char* out, size_t size, double cpu) {
        snprintf(out, size, "%.3f%% core, %.0f us/tick", 100 * cpu / dt, 1e6 * cpu / ticks);
    };
    char program[40], floor[40], ratio[20];
    cost(program, sizeof program, dv);
    cost(floor, sizeof floor, db);
    snprintf(ratio, sizeof ratio, "%.2f", db > 0 ? dv / db : 0.0);
    Row("2. idle CPU over the run", program, floor, ratio, "<=1.2");
    cost(floor, sizeof floor, dd);
    snprintf(ratio, sizeof ratio, "%.2f", dd > 0 ? dv / dd : 0.0);
    Row("2b. the same, floor on a dialog timer", program, floor, ratio, "");
    vireola.Kill();
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
    double best[2] = {1e9, 1e9};
    for (int round = 0; round < 5; ++round) {   // alternate, keep the best of each
        double t0 = Now();
        for (int i = 0; i < ticks; ++i)
            ReapplyIfReset(RGB(0, 0, 0));
        double t1 = Now();
        for (int i = 0; i < ticks; ++i)
            bare();
        double t2 = Now();
        best[0] = std::min(best[0], (t1 - t0) / ticks);
        best[1] = std::min(best[1], (t2 - t1) / ticks);
    }
    char program[40], floor[40], ratio[20];
    snprintf(program, sizeof program, "%.0f us/tick", best[0] * 1e6);
    snprintf(floor, sizeof floor, "%.0f us/tick", best[1] * 1e6);
    snprintf(ratio, sizeof ratio, "%.2f", best[0] / best[1]);
    Row("3. in-place tick against its floor", program, floor, ratio, "<=1.2");
}

double MedianRunSeconds(const std::string& commandLine, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        double t0 = Now();
        Process p(commandLine);
        p.Wait(10000);
        times.push_back(Now() - t0);
    }
    return Percentile(times, 0.5);
}

// 4. A silent start that applies the colour and ends, against doing nothing,
// and against one window look-up (where Wine starts its display driver).
void StartUp(int runs)
{
    SetReApply(0);
    Shell shell;
    double v = 0, b = 0, f = 0, a = 0;
    for (int round = 0; round < 3; ++round) {
        v += MedianRunSeconds(Quoted("Vireola.exe"), runs) / 3;
        b += MedianRunSeconds(Quoted("Baseline.exe") + " --exit", runs) / 3;
        f += MedianRunSeconds(Quoted("Baseline.exe") + " --find", runs) / 3;
        a += MedianRunSeconds(Quoted("Baseline.exe") + " --apply", runs) / 3;
    }
    char program[40], floor[40], ratio[20];
    snprintf(program, sizeof program, "%.1f ms", v * 1000);
    snprintf(floor, sizeof floor, "%.1f ms (do nothing)", b * 1000);
    snprintf(ratio, sizeof ratio, "%.2f", v / b);
    Row("4. silent start to exit", program, floor, ratio, "<=1.3");
    snprintf(floor, sizeof floor, "%.1f ms (one FindWindow)", f * 1000);
    snprintf(ratio, sizeof ratio, "%.2f", v / f);
    Row("4b. the same against one look-up", program, floor, ratio, "");
    snprintf(floor, sizeof floor, "%.1f ms (the same calls bare)", a * 1000);
    snprintf(ratio, sizeof ratio, "%.2f", v / a);
    Row("4c. the same against its calls bare", program, floor, ratio, "");
}

// 5. The executable's size, and resident private memory beside an idle dialog program.
void Size()
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    GetFileAttributesExA(BinPath("Vireola.exe").c_str(), GetFileExInfoStandard, &data);
    char bytes[40];
    snprintf(bytes, sizeof bytes, "%lu bytes", data.nFileSizeLow);
    Row("5a. Vireola.exe with its resources", bytes, "64 KiB = 65536", "", "<=64 KiB");

    SetReApply(1);
    Shell shell;
    Process vireola(Quoted("Vireola.exe"));
    WaitFor(ResidentReady);
    Process idle(Quoted("Baseline.exe") + " --dialog");
    WaitFor([] { return false; }, 1000);
    SIZE_T v = PrivateBytes(vireola.Handle()), b = PrivateBytes(idle.Handle());
    char program[40], floor[40], ratio[20];
    snprintf(program, sizeof program, "%lu KiB private", (unsigned long)(v / 1024));
    snprintf(floor, sizeof floor, "%lu KiB private", (unsigned long)(b / 1024));
    snprintf(ratio, sizeof ratio, "%.2f", double(v) / b);
    Row("5b. resident memory", program, floor, ratio, "");
    vireola.Kill();
}

// Resident for minutes while the shell resets the labels every 50 ms and the
// desktop colour changes every second.
void Soak(int minutes)
{
    SetReApply(1);
    Shell shell("--reset-every 50");
    Process vireola(Quoted("Vireola.exe"));
    WaitFor(ResidentReady);
    auto report = [&](const char* when) {
        DWORD handles = 0;
        GetProcessHandleCount(vireola.Handle(), &handles);
        printf("%-6s handles %lu, user objects %lu, GDI objects %lu, private %lu KiB, resets %ld, repairs %ld\n",
               when, handles, GetGuiResources(vireola.Handle(), GR_USEROBJECTS),
               GetGuiResources(vireola.Handle(), GR_GDIOBJECTS), (unsigned long)(PrivateBytes(vireola.Handle()) / 1024),
               (long)Shell::Ask(SHELL_RESET_COUNT), (long)Shell::Ask(SHELL_REPAIR_COUNT));
        fflush(stdout);
    };
    report("start");
    const COLORREF desktops[] = {RGB(0, 0, 128), RGB(192, 192, 192)};
    for (int second = 0; second < minutes * 60; ++second) {
        Shell::Ask(SHELL_SET_DESKTOP_COLOR, 0, desktops[second % 2]);
        WaitFor([] { return false; }, 1000);
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
    bool quick = argc > 1 && !strcmp(argv[1], "--quick");
    Row("measure", "Vireola", "floor", "ratio", "goal");
    printf("|%s|%s|%s|%s|%s|\n", std::string(36, '-').c_str(), std::string(24, '-').c_str(),
           std::string(24, '-').c_str(), std::string(9, '-').c_str(), std::string(16, '-').c_str());
    ReapplyLatency(quick ? 30 : 200);
    IdleCost(quick ? 5 : 60);
    TickCost(quick ? 200 : 2000);
    StartUp(quick ? 5 : 20);
    Size();
    return 0;
}
