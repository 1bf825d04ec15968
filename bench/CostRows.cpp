// What the program costs: CPU while idle and per tick, a start, its size and
// memory, and a soak.
#include "Measure.h"

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

static double RunSeconds(const std::string& commandLine)
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
