// The move-ordering memory: cutoff counts per from/to pair, kept for the engine's life, and two killer
// moves per ply, emptied before each search.
#pragma once

#include "board/position.h"

// Piece values for ordering captures; positive for both colours.
inline constexpr int32_t OrderValue[16] = {0, 20000, 900, 300, 300, 500, 100, 0,
                                           0, 20000, 900, 300, 300, 500, 100, 0};

extern uint8_t HistoryTable[64][64];

// Slot 0 is the newest killer of the ply, slot 1 the older one; a slot with from == to is empty.
extern Move KillerMoves[MaxPlies][2];

void clearHistoryTable();
