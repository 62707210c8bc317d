#include "movegen/generator.h"

GeneratorRoutine GeneratorTable[16];
int32_t GenSquare;

static void genNothing() {}

void installGenerators() {
    for (GeneratorRoutine& entry : GeneratorTable) entry = genNothing;
}

void generateMoves() {
    for (int32_t s = 0; s < 64; ++s) {
        GenSquare = s;
        const PieceCode code = Pos.board[s];
        if (code != Empty && (code & 8) == Pos.sideToMove) GeneratorTable[code & 7]();
    }
    GenSquare = 64;
}
