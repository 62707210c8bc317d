#include "interface/time_budget.h"

#include "interface/host_records.h"

int32_t depthLimit = MaxSearchDepth;
int32_t targetTime = 2000;
int32_t maxTime = 5000;

namespace {

// The formulas are exact in 64 bits for every 32-bit clock value; a result beyond the 32-bit range is
// held at its end instead of wrapping (a huge clock gives "no limit", a huge negative one a limit of
// nothing).
int32_t saturate(int64_t value) {
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return int32_t(value);
}

int64_t smaller(int64_t a, int64_t b) { return b < a ? b : a; }

} // namespace

Budget budgetFromIncrement(int32_t remainingSeconds, int32_t incrementSeconds) {
    const int64_t r = remainingSeconds;
    const int32_t target = saturate(900 * int64_t(incrementSeconds) + 32 * r);
    int32_t hard = saturate(smaller(3 * int64_t(target), 1000 * r - 5000));
    if (hard < 100) hard = 100;
    return {MaxSearchDepth, target, hard};
}

Budget budgetFromMovesToGo(int32_t remainingSeconds, int32_t movesToGo) {
    const int64_t r = remainingSeconds;
    const int64_t m = movesToGo;
    const int32_t target = saturate(m > 0 ? 1000 * r / m : 1000 * r);
    int32_t hard = saturate(smaller(3 * int64_t(target), 1000 * r - 3000 * m));
    if (hard < target) hard = target;
    return {MaxSearchDepth, target, hard};
}

void setTimeBudget(const uint8_t* game) {
    using namespace HostRecord;
    Budget budget{MaxSearchDepth, NoTimeLimit, NoTimeLimit};
    const int16_t timeMode = readI16(game, Game::TimeMode);
    if (timeMode == 1) {
        const int32_t remaining = readI32(game, Game::RemainingSeconds);
        const int16_t movesToGo = readI16(game, Game::MovesToGo);
        budget = movesToGo == 0x7FFF ? budgetFromIncrement(remaining, readI32(game, Game::IncrementSeconds))
                                     : budgetFromMovesToGo(remaining, movesToGo);
    } else if (timeMode == 2) {
        const int16_t fixedDepth = readI16(game, Game::FixedDepth);
        budget.depthLimit = fixedDepth >= MaxSearchDepth ? MaxSearchDepth : fixedDepth;
    }
    depthLimit = budget.depthLimit;
    targetTime = budget.targetTime;
    maxTime = budget.maxTime;
}
