#include "board/make_move.h"

#include "board/make_move_inline.h"

void makeMove(const Move& move) { makeMoveInline(move); }

void unmakeMove(const Move& move) { unmakeMoveInline(move); }
