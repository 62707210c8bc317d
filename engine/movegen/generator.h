// The pseudo-legal move generator: appends the side to move's moves with their ordering scores.
#pragma once

#include "board/position.h"

using GeneratorRoutine = void (*)();

// One routine per piece type; entries 0 and 7 to 15 hold a routine that does nothing.
extern GeneratorRoutine GeneratorTable[16];

// The from-square of the piece being generated.
extern int32_t GenSquare;

void installGenerators();
void generateMoves();
