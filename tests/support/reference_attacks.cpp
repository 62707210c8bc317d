// The attack test as it was before the fast paths: walks every line square by square.
#include "support/reference_movegen.h"

#include "board/tables.h"

namespace reference {

namespace {

// Walks from square along the step until a piece or the edge; returns the piece met, or Empty.
inline PieceCode lineWalk(int32_t square, Step step) {
    if (EdgeFlags[square] & step.mask) return Empty;
    int32_t t = square;
    for (;;) {
        t += step.delta;
        if (Pos.board[t] != Empty) return Pos.board[t];
        if (EdgeFlags[t] & step.mask) return Empty;
    }
}

inline int32_t distance(int32_t a, int32_t b) { return a > b ? a - b : b - a; }

} // namespace

int32_t isSquareAttacked(int32_t s, Side attacker) {
    const uint8_t edges = EdgeFlags[s];
    const int32_t* count = Pos.pieceCount;

    if ((Pos.board[s] & 7) == King) {
        // A king is attacked by a king only when the two stand side by side.
        if (distance(Pos.whiteKing >> 3, Pos.blackKing >> 3) <= 1 && distance(Pos.whiteKing & 7, Pos.blackKing & 7) <= 1)
            return 1;
    } else {
        const PieceCode king = PieceCode(attacker | King);
        for (const Step& step : KingSteps)
            if ((edges & step.mask) == 0 && Pos.board[s + step.delta] == king) return 1;
    }

    if (count[attacker | Knight] != 0) {
        const PieceCode knight = PieceCode(attacker | Knight);
        for (const Step& step : KnightSteps)
            if ((edges & step.mask) == 0 && Pos.board[s + step.delta] == knight) return 1;
    }

    const PieceCode queen = PieceCode(attacker | Queen);
    if (count[attacker | Queen] + count[attacker | Bishop] != 0) {
        const PieceCode bishop = PieceCode(attacker | Bishop);
        for (const Step& step : DiagonalSteps) {
            const PieceCode met = lineWalk(s, step);
            if (met == bishop || met == queen) return 1;
        }
    }

    if (count[attacker | Rook] + count[attacker | Queen] != 0) {
        const PieceCode rook = PieceCode(attacker | Rook);
        for (const Step& step : OrthogonalSteps) {
            const PieceCode met = lineWalk(s, step);
            if (met == rook || met == queen) return 1;
        }
    }

    if (count[attacker | Pawn] != 0) {
        const PieceCode pawn = PieceCode(attacker | Pawn);
        for (const Step& step : PawnAttackSteps[attacker >> 3])
            if ((edges & step.mask) == 0 && Pos.board[s + step.delta] == pawn) return 1;
    }
    return 0;
}

int32_t attackThroughSquare(int32_t x, int32_t k, Side attacker) {
    const int32_t df = distance(x >> 3, k >> 3);
    const int32_t dr = distance(x & 7, k & 7);
    const int32_t* count = Pos.pieceCount;
    const PieceCode onX = Pos.board[x];

    if (df <= 1 && dr <= 1) {
        if (onX == (attacker | King)) return 1;
        if (count[attacker | Pawn] != 0 && df == 1 && dr == 1) {
            if (attacker == Black && (x & 7) > (k & 7) && onX == (Black | Pawn)) return 1;
            if (attacker == White && (x & 7) < (k & 7) && onX == Pawn) return 1;
        }
    }

    if (count[attacker | Knight] != 0 && ((df == 1 && dr == 2) || (df == 2 && dr == 1)))
        if (onX == (attacker | Knight)) return 1;

    const PieceCode queen = PieceCode(attacker | Queen);
    if (count[attacker | Rook] + count[attacker | Queen] != 0) {
        const PieceCode rook = PieceCode(attacker | Rook);
        if (df == 0) {
            const PieceCode met = lineWalk(k, (x & 7) > (k & 7) ? Step{0x01, 1} : Step{0x10, -1});
            if (met == rook || met == queen) return 1;
        }
        if (dr == 0) {
            const PieceCode met = lineWalk(k, (x >> 3) > (k >> 3) ? Step{0x40, 8} : Step{0x04, -8});
            if (met == rook || met == queen) return 1;
        }
    }

    if (count[attacker | Bishop] + count[attacker | Queen] != 0 && df == dr) {
        const bool fileHigher = (x >> 3) > (k >> 3);
        const bool rankHigher = (x & 7) > (k & 7);
        const Step step = fileHigher ? (rankHigher ? Step{0x41, 9} : Step{0x50, 7})
                                     : (rankHigher ? Step{0x05, -7} : Step{0x14, -9});
        const PieceCode met = lineWalk(k, step);
        if (met == (attacker | Bishop) || met == queen) return 1;
    }
    return 0;
}

} // namespace reference
