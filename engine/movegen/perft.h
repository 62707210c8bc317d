// Counting the leaves of the legal move tree, for checking the generator and make/unmake.
#pragma once

#include "board/types.h"

#include <cstdint>

// Leaves of the legal move tree of the current position to the given depth (1 to 60).
uint64_t perft(int32_t depth);

// The same, with the count below each legal root move handed to report in generation order.
uint64_t perftDivide(int32_t depth, void (*report)(void* context, const Move& move, uint64_t count),
                     void* context);
