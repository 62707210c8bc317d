// Attack and check tests, and the legality filter of the root list.
#pragma once

#include "board/position.h"

// 1 if a piece of the attacker side attacks the square, else 0.
int32_t isSquareAttacked(int32_t square, Side attacker);
// 1 if the attacker attacks the king square with the piece on the through-square, or along the line
// from the king square through it.
int32_t attackThroughSquare(int32_t through, int32_t kingSquare, Side attacker);
// 1 if the king of the side to move, on kingSquare, is attacked; after an ordinary move only the lines
// through the two squares the move touched are examined.
int32_t kingInCheck(int32_t kingSquare, Side attacker);
// Removes from the root list every move that leaves the mover's king attacked, keeping the order.
void filterLegalRootMoves();
