// State shared by the root search and the nodes below it.
#pragma once

#include "board/types.h"

#include <cstdint>

// Written into the score of an entry once its node has selected it; real ordering scores never fall
// this low.
constexpr int32_t SearchedMark = -2147483647;

// Nodes deeper than this make no move.
constexpr int32_t MaxSearchPly = 63;

constexpr int32_t MateValue = 30000;

extern uint32_t searchStart;     // tick count once the root list is ready
extern uint32_t searchTimeLimit; // hard limit in milliseconds, measured from searchStart

// Nodes visited by the search since the engine was loaded; read by the bench, not by the module's host.
extern uint64_t SearchNodes;

// Milliseconds since searchStart, on the wrapping 32-bit tick counter.
uint32_t elapsedSinceSearchStart();
