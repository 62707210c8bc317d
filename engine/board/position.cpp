#include "board/position.h"

#include "board/tables.h"

Position Pos;
Move MoveStack[MoveStackSize];
int32_t MoveCount;

void rebuildPosition() {
    Pos.whiteKing = 0;
    Pos.blackKing = 0;
    for (int32_t s = 0; s < 64; ++s) {
        if (Pos.board[s] == King) Pos.whiteKing = s;
        if (Pos.board[s] == (Black | King)) Pos.blackKing = s;
    }
    for (int32_t c = 0; c < 16; ++c) {
        Pos.pieceBits[c] = 0;
        Pos.pieceCount[c] = 0;
    }
    Pos.material = 0;
    for (int32_t s = 0; s < 64; ++s) {
        const PieceCode c = Pos.board[s];
        setBit(Pos.pieceBits[c], s);
        Pos.pieceCount[c] += 1;
        Pos.material += MaterialValue[c];
    }
    Pos.ply = 0;
}
