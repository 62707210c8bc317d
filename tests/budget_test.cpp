// The depth and time limits set from the game record's clock fields.
#include "host/chess/game_record.h"
#include "interface/time_budget.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct BudgetCase {
    int16_t timeMode;
    int32_t remaining;
    int32_t increment;
    int16_t movesToGo;
    int16_t fixedDepth;
    int32_t depth;
    int32_t target;
    int32_t hard;
};

Budget budgetFor(const BudgetCase& c) {
    chess::GameRecord record(chess::Board(), {});
    record.setTimeMode(c.timeMode);
    record.setRemainingSeconds(c.remaining);
    record.setIncrementSeconds(c.increment);
    record.setMovesToGo(c.movesToGo);
    record.setFixedDepth(c.fixedDepth);
    // Leave a stale budget behind to show that every field is set afresh.
    depthLimit = -7;
    targetTime = -7;
    maxTime = -7;
    setTimeBudget(record.data());
    return {depthLimit, targetTime, maxTime};
}

constexpr int16_t None = 32767;

} // namespace

TEST(TimeBudget, ClockDepthAndUnlimitedModes) {
    const BudgetCase cases[] = {
        // Clock with increment, no move count.
        {1, 60, 0, None, 0, 63, 1920, 5760},
        {1, 300, 2, None, 0, 63, 11400, 34200},
        {1, 5, 0, None, 0, 63, 160, 100},  // 1000 * 5 - 5000 = 0, raised to the floor of 100
        {1, 3, 10, None, 0, 63, 9096, 100}, // the hard limit may fall below the target
        {1, 0, 0, None, 0, 63, 0, 100},
        // Clock with a move count.
        {1, 600, 99, 40, 0, 63, 15000, 45000},
        {1, 20, 0, 10, 0, 63, 2000, 2000}, // the limit never falls below the target
        {1, 30, 0, 0, 0, 63, 30000, 30000},
        {1, 100, 0, -4, 0, 63, 100000, 112000}, // a negative count takes the whole clock as target
        // Fixed depth.
        {2, 60, 0, None, 5, 5, INT32_MAX, INT32_MAX},
        {2, 60, 0, None, 63, 63, INT32_MAX, INT32_MAX},
        {2, 60, 0, None, 100, 63, INT32_MAX, INT32_MAX},
        {2, 60, 0, None, 0, 0, INT32_MAX, INT32_MAX},
        {2, 60, 0, None, -3, -3, INT32_MAX, INT32_MAX},
        // Anything else: no limit.
        {0, 60, 0, None, 5, 63, INT32_MAX, INT32_MAX},
        {3, 60, 0, None, 5, 63, INT32_MAX, INT32_MAX},
        {-1, 60, 0, None, 5, 63, INT32_MAX, INT32_MAX},
    };
    for (const BudgetCase& c : cases) {
        const Budget b = budgetFor(c);
        SCOPED_TRACE(::testing::Message() << "mode " << c.timeMode << " R " << c.remaining << " I " << c.increment
                                          << " M " << c.movesToGo << " depth " << c.fixedDepth);
        EXPECT_EQ(b.depthLimit, c.depth);
        EXPECT_EQ(b.targetTime, c.target);
        EXPECT_EQ(b.maxTime, c.hard);
    }
}

TEST(TimeBudget, HugeClockValuesSaturateInsteadOfWrapping) {
    const BudgetCase cases[] = {
        // 32 * R and 1000 * R leave the 32-bit range: the budget becomes "no limit".
        {1, INT32_MAX, 0, None, 0, 63, INT32_MAX, INT32_MAX},
        {1, 3000000, INT32_MAX, None, 0, 63, INT32_MAX, INT32_MAX},
        {1, 3000000, 0, 40, 0, 63, 75000000, 225000000},
        {1, INT32_MAX, 0, 1, 0, 63, INT32_MAX, INT32_MAX},
        // Hugely negative clocks hold at the bottom of the range; the search allows no time for them.
        {1, INT32_MIN, 0, None, 0, 63, INT32_MIN, 100},
        {1, INT32_MIN, 0, 1, 0, 63, INT32_MIN, INT32_MIN},
    };
    for (const BudgetCase& c : cases) {
        const Budget b = budgetFor(c);
        SCOPED_TRACE(::testing::Message() << "R " << c.remaining << " I " << c.increment << " M " << c.movesToGo);
        EXPECT_EQ(b.depthLimit, c.depth);
        EXPECT_EQ(b.targetTime, c.target);
        EXPECT_EQ(b.maxTime, c.hard);
    }
}
