#include "ReapplyBurst.h"

static void Refill(ReapplyBurst& burst, DWORD now)
{
    DWORD elapsed = now - burst.refilled;
    burst.refilled = now;
    // a long pause (or the first use) fills the budget whatever it held
    const int full = BURST_BUDGET * BURST_CHECK;
    if (elapsed >= (DWORD)full / BURST_REFILL_PER_S) {
        burst.budget = full;
        return;
    }
    // BURST_REFILL_PER_S checks a second is as many thousandths a millisecond
    burst.budget += (int)elapsed * BURST_REFILL_PER_S * BURST_CHECK / 1000;
    if (burst.budget > full)
        burst.budget = full;
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
    if ((int)(now - burst.end) > 0 || burst.budget < BURST_CHECK) {
        burst.active = false;
        return false;
    }
    burst.budget -= BURST_CHECK;
    return true;
}

void EndBurst(ReapplyBurst& burst)
{
    burst.active = false;
}
