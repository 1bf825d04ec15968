// When the watch checks at the fast rate after a broadcast, and how a flood
// of broadcasts is held to a budget.
#include "watch/ReapplyBurst.h"
#include <gtest/gtest.h>

namespace {

// The fast checks the watch makes from start to end (ms): a broadcast of the
// given burst length every broadcastEvery ms, and a check every fast period
// while a burst is on, as the dialog's timer makes them.
int FastChecks(ReapplyBurst& burst, DWORD start, DWORD end, DWORD broadcastEvery, DWORD length)
{
    int checks = 0;
    DWORD nextCheck = 0;
    for (DWORD now = start; now != end; ++now) {
        if ((now - start) % broadcastEvery == 0 && StartBurst(burst, now, length)) {
            checks += TakeBurstCheck(burst, now);     // the check at once
            nextCheck = now + BURST_PERIOD_MS;
        } else if (burst.active && now == nextCheck) {
            checks += TakeBurstCheck(burst, now);
            nextCheck = now + BURST_PERIOD_MS;
        }
    }
    return checks;
}

TEST(ReapplyBurst, ABroadcastBringsFastChecksForTheBurstAndNoLonger)
{
    for (DWORD length : {(DWORD)BURST_MS, (DWORD)RESTART_BURST_MS}) {
        SCOPED_TRACE(length);
        ReapplyBurst burst;
        int expected = (int)(length / BURST_PERIOD_MS) + 1;
        EXPECT_EQ(expected, FastChecks(burst, 5000, 5000 + 2 * length, 100000, length));
        EXPECT_FALSE(burst.active);
        EXPECT_FALSE(TakeBurstCheck(burst, 5000 + 2 * length));
    }
}

TEST(ReapplyBurst, BroadcastsDuringABurstLengthenItButNeverStack)
{
    ReapplyBurst burst;
    EXPECT_TRUE(StartBurst(burst, 1000, BURST_MS));
    EXPECT_FALSE(StartBurst(burst, 1100, BURST_MS));
    EXPECT_FALSE(StartBurst(burst, 1050, BURST_MS));
    EXPECT_EQ(1000u + 100 + BURST_MS, burst.end);
    EXPECT_TRUE(TakeBurstCheck(burst, 1100 + BURST_MS));
    EXPECT_FALSE(TakeBurstCheck(burst, 1101 + BURST_MS));
    // a later broadcast starts the next one
    EXPECT_TRUE(StartBurst(burst, 5000, BURST_MS));
}

TEST(ReapplyBurst, AFloodOfBroadcastsIsHeldToTheBudget)
{
    const DWORD seconds = 10;
    ReapplyBurst burst;
    int checks = FastChecks(burst, 0x10000, 0x10000 + seconds * 1000, 5, RESTART_BURST_MS);
    // unchecked, the watch would run at the fast rate all the time
    EXPECT_LE(checks, BURST_BUDGET + BURST_REFILL_PER_S * (int)seconds + 1);
    EXPECT_GE(checks, BURST_REFILL_PER_S * (int)seconds);

    // a quiet while gives a whole restart its fast checks again
    EXPECT_EQ(RESTART_BURST_MS / BURST_PERIOD_MS + 1,
              FastChecks(burst, 0x10000 + 20000, 0x10000 + 25000, 100000, RESTART_BURST_MS));
}

TEST(ReapplyBurst, WorksAcrossTheTickCountWrapping)
{
    ReapplyBurst burst;
    DWORD start = 0xFFFFFFFF - 100;
    EXPECT_EQ(BURST_MS / BURST_PERIOD_MS + 1, FastChecks(burst, start, start + 1000, 100000, BURST_MS));
}

} // namespace
