// The shell resets the label colours while it handles a system-wide change
// (colours, settings, theme, display, a restart), and this program receives
// the same broadcast: for a short while its watch then checks every few
// milliseconds instead of waiting for its next period. A budget that refills
// with time keeps a flood of broadcasts from holding it at that rate.
#pragma once
#include <windows.h>

enum {
    BURST_PERIOD_MS = 10,
    BURST_MS = 300,              // the shell has long handled the broadcast by then
    RESTART_BURST_MS = 1000,     // a restarted shell may make its desktop view after its taskbar
    BURST_BUDGET = 100,          // fast checks in hand: enough for a restart
    BURST_REFILL_PER_S = 30,     // what a flood of broadcasts costs at most, in checks a second
};

// The budget refills a little every millisecond: it counts thousandths of a check.
enum { BURST_CHECK = 1000 };

struct ReapplyBurst
{
    bool active = false;
    DWORD end = 0;                              // tick count at which the fast checks stop
    int budget = BURST_BUDGET * BURST_CHECK;
    DWORD refilled = 0;                         // tick count of the last refill
};

// A broadcast at now asks for fast checks for length ms: a burst starts, or
// the one under way lasts that much longer; bursts never stack. True when a
// burst has just started.
bool StartBurst(ReapplyBurst& burst, DWORD now, DWORD length);
// A fast check is due at now: true if it is still within the burst and the
// budget has one left. Otherwise the burst is over.
bool TakeBurstCheck(ReapplyBurst& burst, DWORD now);
// Stops the fast checks; the budget is kept.
void EndBurst(ReapplyBurst& burst);
