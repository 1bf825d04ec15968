// The re-apply watch's rows: from a reset, a broadcast, a refill or an
// unlock to the labels right again, and a flood of broadcasts.
#include "Measure.h"
#include "watch/WatchPause.h"

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
