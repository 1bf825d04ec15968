#include "ReapplyBurst.h"

static void Refill(ReapplyBurst& burst, DWORD now)
{
    DWORD elapsed = now - burst.refilled;
    burst.refilled = now;
    // a long pause (or the first use) fills the budget whatever it held
    if (elapsed >= (DWORD)BURST_BUDGET * 1000 / BURST_REFILL_PER_S) {
        burst.budget = BURST_BUDGET * 1000;
        return;
    }
    burst.budget += (int)elapsed * BURST_REFILL_PER_S;
    if (burst.budget > BURST_BUDGET * 1000)
        burst.budget = BURST_BUDGET * 1000;
}

bool StartBurst(ReapplyBurst& burst, DWORD now, DWORD length)
{
    // tick counts wrap: compare by difference
    if (burst.active) {
        if ((int)(now + length - burst.end) > 0)
            burst.end = now + length;
        return false;
    }
    burst.active = true;
    burst.end = now + length;
    return true;
}

bool TakeBurstCheck(ReapplyBurst& burst, DWORD now)
{
    if (!burst.active)
        return false;
    Refill(burst, now);
    if ((int)(now - burst.end) > 0 || burst.budget < 1000) {
        burst.active = false;
        return false;
    }
    burst.budget -= 1000;
    return true;
}

void EndBurst(ReapplyBurst& burst)
{
    burst.active = false;
}
