// The nodes below the root: full-width alpha-beta and quiescence, both fail-soft.
#pragma once

#include "board/position.h"

int32_t alphaBeta(int32_t alpha, int32_t beta, int32_t depth);
int32_t quiesce(int32_t alpha, int32_t beta);

// 1 when both sides have just moved a piece back by plain moves, restoring the placement of four
// plies earlier.
int32_t isRepetition();

// Raises the move's history count and makes it the newest killer of the current ply.
void recordCutoff(const Move& move);
