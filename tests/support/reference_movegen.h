// The straightforward generator and attack test the engine's fast routines must match exactly.
#pragma once

#include "board/position.h"

namespace reference {

void installGenerators();
// Appends the side to move's pseudo-legal moves at MoveCount, dropping what does not fit the stack.
void generateMoves();
int32_t isSquareAttacked(int32_t square, Side attacker);
int32_t attackThroughSquare(int32_t through, int32_t kingSquare, Side attacker);

} // namespace reference
