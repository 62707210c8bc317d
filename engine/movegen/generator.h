// The pseudo-legal move generator: appends the side to move's moves, with their ordering scores, at
// MoveCount on the shared move stack.
#pragma once

#include "board/position.h"

using GeneratorRoutine = void (*)();

// One routine per piece type (1 king ... 6 pawn); entries 0 and 7 to 15 hold a routine that does nothing.
extern GeneratorRoutine GeneratorTable[16];

// The from-square of the piece being generated; left at 64 when generateMoves returns.
extern int32_t GenSquare;

void installGenerators();
void generateMoves();
// generateMoves' list with from, to, flags and promotion of every entry, in the same order and with the
// same drops at the stack's end, but no scores: the entries' score fields are left as they were. For
// perft, which never orders moves.
void generatePerftMoves();

// Set by installGenerators when the processor has a population count instruction; countMoves then
// uses it.
extern bool UsePopCountInstruction;

// The number of entries generateMoves would write for the side to move on an empty stack.
int32_t countMoves();
// Writes only the entries of generateMoves' list that capture, promote or take en passant, in the same
// order and with the same scores; the caller makes sure the whole list would have fitted the stack.
void generateTacticalMoves();


void genKingMoves();
void genQueenMoves();
void genKnightMoves();
void genBishopMoves();
void genRookMoves();
void genPawnMoves();
