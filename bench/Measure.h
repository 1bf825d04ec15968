// What the benchmarks share: the settings and the wallpaper they set, the
// stand-in shell and a resident Vireola, the clock, the processes' figures
// as Linux counts them, and the table's rows; and the rows, by family.
#pragma once
#include "shell/DesktopView.h"
#include "tests/standin/StandInShell.h"
#include "tests/support/Launch.h"
#include <objbase.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

void SetSetting(const char* name, DWORD value);
void SetReApply(DWORD value);
void SetWallpaper(const std::string& path);
// A picture of one grey, as a 24-bit BMP.
std::string WriteGreyBmp(const char* name, BYTE grey, LONG cx = 64, LONG cy = 48);

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to);
double Now();
double Percentile(std::vector<double> v, double p);
std::string RatioSpread(const std::vector<double>& ratios);
std::vector<double> Ratios(const std::vector<double>& a, const std::vector<double>& b);

std::vector<std::string> LinuxProcesses(const char* commandLine, bool bench = false);
double CpuSeconds(const char* commandLine);
unsigned long LinuxMemoryKiB(const char* commandLine, const char* field, bool bench = false);
SIZE_T PrivateBytes(HANDLE hProcess);
std::string Quoted(const char* file);

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

inline bool ResidentReady()
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

void Row(const char* what, const char* program, const char* floor, const std::string& ratio, const char* goal);
void LatencyRow(const char* what, const std::vector<double>& ms, double medianScale, double p99Scale,
                const char* goal);
void SpreadRow(const char* what, const std::vector<double>& ms, const char* goal);
void Broadcast(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
void BroadcastChange(int kind);

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

// The watch's rows (WatchRows.cpp)
void ReapplyLatency(int resets);
void BroadcastLatency(int broadcasts, double idleCpuPerSecond);
void RefreshLatency(int refreshes);
void LockedSession(int seconds, int unlocks);
void BroadcastFlood(int seconds);
// What the program costs (CostRows.cpp)
double IdleCost(int seconds);
void IdleAgainst(const std::string& other, int seconds);
void TickCost(int ticks);
void StartUp(int runs);
void Size();
void Soak(int minutes);
// The wallpaper's (WallpaperRows.cpp)
void WallpaperRows(bool quick);
void EvaluateOnce(const char* picture);
