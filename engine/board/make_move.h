// Applying a move to the position and taking it back, every derived field kept exact.
#pragma once

#include "board/position.h"

// Plays the move for the side to move; the caller has written plies[ply].moveIndex.
void makeMove(const Move& move);
// Takes back the move most recently made; it must be the same move, unchanged.
void unmakeMove(const Move& move);
