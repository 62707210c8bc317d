// The search budget taken from the game record's clock fields.
#pragma once

#include <cstdint>

constexpr int32_t MaxSearchDepth = 63;
constexpr int32_t NoTimeLimit = 2147483647;

extern int32_t depthLimit; // deepest iteration the root search starts
extern int32_t targetTime; // nominal thinking time, milliseconds
extern int32_t maxTime;    // hard thinking-time limit, milliseconds

struct Budget {
    int32_t depthLimit;
    int32_t targetTime;
    int32_t maxTime;
};

// Play by the clock with an increment and no move count.
Budget budgetFromIncrement(int32_t remainingSeconds, int32_t incrementSeconds);
// Play by the clock with a number of moves to the next time control.
Budget budgetFromMovesToGo(int32_t remainingSeconds, int32_t movesToGo);
// Sets all three limits from the game record.
void setTimeBudget(const uint8_t* game);
