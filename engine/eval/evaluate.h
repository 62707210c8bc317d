// The static score of the position: material, pawn structure and mobility.
#pragma once

#include <cstdint>

// Score for the side to move. base is where the calling node's own move list begins: the caller has
// generated the side to move's moves, so MoveCount - base is their number.
int32_t evaluate(int32_t base);

// 1 if the pawn on the square is backward, else 0.
int32_t isBackwardWhitePawn(int32_t square);
int32_t isBackwardBlackPawn(int32_t square);
