#include "movegen/attacks.h"

#include "board/bitboards.h"
#include "board/make_move.h"
#include "board/tables.h"

namespace {

// The piece met first from square along direction d (an index of RayDelta), or Empty.
inline PieceCode pieceMet(int32_t square, int32_t d, uint64_t occupied) {
    const int32_t t = firstBlocker(d, square, occupied);
    return t < 0 ? Empty : Pos.board[t];
}

inline int32_t distance(int32_t a, int32_t b) { return a > b ? a - b : b - a; }

} // namespace

int32_t isSquareAttacked(int32_t s, Side attacker) {
    const uint64_t* bits = Pos.pieceBits + attacker;
    const int32_t* count = Pos.pieceCount + attacker;

    if ((Pos.board[s] & 7) == King) {
        // A king is attacked by a king only when the two stand side by side.
        if (distance(Pos.whiteKing >> 3, Pos.blackKing >> 3) <= 1 && distance(Pos.whiteKing & 7, Pos.blackKing & 7) <= 1)
            return 1;
    } else if (Attacks.king[s] & bits[King]) {
        return 1;
    }
    // Each family is looked at only when its count says it is there, as the piece counts decide.
    if (count[Knight] != 0 && (Attacks.knight[s] & bits[Knight])) return 1;

    // Sliders: the first piece met along each line, found only when a slider stands on one of them.
    const uint64_t occupied = ~Pos.pieceBits[Empty];
    if (count[Queen] + count[Bishop] != 0) {
        const uint64_t diagonal = bits[Bishop] | bits[Queen];
        if ((Attacks.diagonal[s] & diagonal) && (diagonalAttacks(s, occupied) & diagonal)) return 1;
    }
    if (count[Rook] + count[Queen] != 0) {
        const uint64_t orthogonal = bits[Rook] | bits[Queen];
        if ((Attacks.orthogonal[s] & orthogonal) && (orthogonalAttacks(s, occupied) & orthogonal)) return 1;
    }
    if (count[Pawn] != 0 && (Attacks.pawnAttackers[attacker >> 3][s] & bits[Pawn])) return 1;
    return 0;
}

int32_t attackThroughSquare(int32_t x, int32_t k, Side attacker) {
    // Nothing below can find an attack unless x is k itself, on a line from k or a knight's jump away.
    if (((Attacks.diagonal[k] | Attacks.orthogonal[k] | Attacks.knight[k] | squareBit(k)) & squareBit(x)) == 0)
        return 0;
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
    const uint64_t occupied = ~Pos.pieceBits[Empty];
    if (count[attacker | Rook] + count[attacker | Queen] != 0) {
        const PieceCode rook = PieceCode(attacker | Rook);
        if (df == 0) {
            const PieceCode met = pieceMet(k, (x & 7) > (k & 7) ? 7 : 5, occupied);
            if (met == rook || met == queen) return 1;
        }
        if (dr == 0) {
            const PieceCode met = pieceMet(k, (x >> 3) > (k >> 3) ? 6 : 4, occupied);
            if (met == rook || met == queen) return 1;
        }
    }

    if (count[attacker | Bishop] + count[attacker | Queen] != 0 && df == dr) {
        const bool fileHigher = (x >> 3) > (k >> 3);
        const bool rankHigher = (x & 7) > (k & 7);
        const int32_t direction = fileHigher ? (rankHigher ? 2 : 1) : (rankHigher ? 3 : 0);
        const PieceCode met = pieceMet(k, direction, occupied);
        if (met == (attacker | Bishop) || met == queen) return 1;
    }
    return 0;
}

int32_t kingInCheck(int32_t kingSquare, Side attacker) {
    if (Pos.ply >= 1) {
        const Move& last = MoveStack[Pos.plies[Pos.ply - 1].moveIndex];
        // Castling moves a second piece and en passant empties a second square: those need the full test.
        if ((last.flags & FullCheckTestMask) == 0) {
            if (attackThroughSquare(last.to, kingSquare, attacker)) return 1;
            return attackThroughSquare(last.from, kingSquare, attacker);
        }
    }
    return isSquareAttacked(kingSquare, attacker);
}

void filterLegalRootMoves() {
    int32_t kept = 0;
    for (int32_t j = 0; j < MoveCount; ++j) {
        Pos.plies[Pos.ply].moveIndex = j;
        makeMove(MoveStack[j]);
        const int32_t moverKing = Pos.sideToMove == White ? Pos.blackKing : Pos.whiteKing;
        if (!isSquareAttacked(moverKing, Pos.sideToMove)) {
            if (kept != j) MoveStack[kept] = MoveStack[j];
            ++kept;
        }
        unmakeMove(MoveStack[j]);
    }
    MoveCount = kept;
}
