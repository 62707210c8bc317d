#include "movegen/perft.h"

#include "board/bitboards.h"
#include "board/make_move.h"
#include "board/make_move_inline.h"
#include "movegen/attacks.h"
#include "movegen/generator.h"

namespace {

// Makes the entry and says whether it left the mover's king safe; the caller unmakes it.
[[gnu::always_inline]] inline bool makeLegal(int32_t index) {
    Pos.plies[Pos.ply].moveIndex = index;
    makeMoveInline(MoveStack[index]);
    const int32_t moverKing = Pos.sideToMove == White ? Pos.blackKing : Pos.whiteKing;
    return !isSquareAttacked(moverKing, Pos.sideToMove);
}

// Squares whose pieces may leave the king attacked when they move: all of them when the king stands
// attacked already (or its square does not hold the side's king), else the king's own square and each
// first piece on a line from the king that an enemy slider stands behind. Any other piece moving cannot
// open a line to the king; its arrival can only close one or take an attacker away.
uint64_t riskySquares() {
    const Side side = Pos.sideToMove;
    const int32_t king = side == White ? Pos.whiteKing : Pos.blackKing;
    if (Pos.board[king] != (side | King) || isSquareAttacked(king, side ^ 8)) return ~uint64_t(0);
    const uint64_t* bits = Pos.pieceBits + (side ^ 8);
    const uint64_t occupied = ~Pos.pieceBits[Empty];
    uint64_t risky = squareBit(king);

    const uint64_t diagonalSliders = bits[Bishop] | bits[Queen];
    if (Attacks.diagonal[king] & diagonalSliders) {
        const uint64_t near = diagonalAttacks(king, occupied);
        const uint64_t behind = diagonalAttacks(king, occupied & ~near) & diagonalSliders & ~near;
        forEachSquare(behind, [&](int32_t s) { risky |= near & diagonalAttacks(s, occupied); });
    }
    const uint64_t orthogonalSliders = bits[Rook] | bits[Queen];
    if (Attacks.orthogonal[king] & orthogonalSliders) {
        const uint64_t near = orthogonalAttacks(king, occupied);
        const uint64_t behind = orthogonalAttacks(king, occupied & ~near) & orthogonalSliders & ~near;
        forEachSquare(behind, [&](int32_t s) { risky |= near & orthogonalAttacks(s, occupied); });
    }
    return risky;
}

// Makes the entry and says whether it is legal, testing the king only when the move may have exposed
// it; every move is made and unmade all the same. Nothing in perft reads the ply's moveIndex, so only
// the full test writes it.
[[gnu::always_inline]] inline bool makeChecked(int32_t index, uint64_t risky) {
    const Move& move = MoveStack[index];
    if ((risky & squareBit(move.from)) || (move.flags & FullCheckTestMask)) return makeLegal(index);
    makeMoveInline(move);
    return true;
}

uint64_t countLeaves(int32_t depth) {
    const int32_t base = MoveCount;
    generatePerftMoves();
    const int32_t end = MoveCount;
    const uint64_t risky = riskySquares();
    uint64_t leaves = 0;
    // The last ply has a loop of its own, with no call on the path of a move that needs no king test.
    if (depth <= 1) {
        for (int32_t i = base; i < end; ++i) {
            leaves += makeChecked(i, risky);
            unmakeMoveInline(MoveStack[i]);
        }
    } else {
        for (int32_t i = base; i < end; ++i) {
            if (makeChecked(i, risky)) leaves += countLeaves(depth - 1);
            unmakeMoveInline(MoveStack[i]);
        }
    }
    MoveCount = base;
    return leaves;
}

} // namespace

uint64_t perft(int32_t depth) { return depth < 1 ? 1 : countLeaves(depth); }

uint64_t perftDivide(int32_t depth, void (*report)(void* context, const Move& move, uint64_t count),
                     void* context) {
    if (depth < 1) return 1;
    const int32_t base = MoveCount;
    generateMoves();
    const int32_t end = MoveCount;
    uint64_t total = 0;
    for (int32_t i = base; i < end; ++i) {
        if (makeLegal(i)) {
            const uint64_t below = depth == 1 ? 1 : countLeaves(depth - 1);
            total += below;
            unmakeMove(MoveStack[i]);
            report(context, MoveStack[i], below);
        } else {
            unmakeMove(MoveStack[i]);
        }
    }
    MoveCount = base;
    return total;
}
