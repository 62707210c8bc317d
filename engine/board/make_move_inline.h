// The bodies of makeMove and unmakeMove, inline for the loops that make a move at every node.
#pragma once

#include "board/bitboards.h"
#include "board/position.h"
#include "board/tables.h"

namespace make_move_detail {

// Rook squares of the castle whose flag bit is the index (1, 2, 4 or 8); the king moves like any piece.
struct CastleRook {
    int32_t from;
    int32_t to;
    PieceCode code;
};
constexpr CastleRook castleRook(uint8_t castleFlag) {
    switch (castleFlag) {
    case CastleWhiteQueenSide: return {0, 24, Rook};
    case CastleWhiteKingSide: return {56, 40, Rook};
    case CastleBlackQueenSide: return {7, 31, Black | Rook};
    default: return {63, 47, Black | Rook};
    }
}

// Exactly one castling bit: only then does a king move take a rook along (and back).
constexpr bool isSingleCastle(uint8_t castle) {
    return castle == CastleWhiteQueenSide || castle == CastleWhiteKingSide || castle == CastleBlackQueenSide ||
           castle == CastleBlackKingSide;
}

inline void removeFromDerived(PieceCode code, int32_t square) {
    Pos.pieceCount[code] -= 1;
    Pos.material -= MaterialValue[code];
    clearBit(Pos.pieceBits[code], square);
}

inline void addToDerived(PieceCode code, int32_t square) {
    Pos.pieceCount[code] += 1;
    Pos.material += MaterialValue[code];
    setBit(Pos.pieceBits[code], square);
}

// Moves a piece between two squares of the board and of its bitboard; counts and material are unchanged.
inline void shiftPiece(PieceCode code, int32_t from, int32_t to) {
    Pos.board[from] = Empty;
    Pos.board[to] = code;
    setBit(Pos.pieceBits[Empty], from);
    clearBit(Pos.pieceBits[Empty], to);
    clearBit(Pos.pieceBits[code], from);
    setBit(Pos.pieceBits[code], to);
}

} // namespace make_move_detail

// Both routines read everything they need from the move and the board before their first store, so
// that no load waits behind the stores to the board and the bitboards.
[[gnu::always_inline]] inline void makeMoveInline(const Move& move) {
    using namespace make_move_detail;
    const int32_t f = move.from;
    const int32_t t = move.to;
    const uint8_t flags = move.flags;
    const uint8_t promotion = move.promotion;
    const PieceCode captured = Pos.board[t];
    // A move onto its own square (only a host's game record can hold one) leaves that square empty.
    const PieceCode m = f == t ? Empty : Pos.board[f];
    PlyRecord& record = Pos.plies[Pos.ply];
    record.savedEpFile = Pos.epFile;
    record.savedCastling = Pos.castling;
    record.captured = captured;
    Pos.epFile = -1;

    Pos.board[t] = m;
    Pos.board[f] = Empty;
    // An empty destination takes its bit out of the empty set here; its count drifts until unmakeMove.
    // For a piece that moves (from and to differ, and from held a piece), the mover's set holds from and
    // not to, once a capture has taken to out of the captured code's set; so one exclusive or moves the
    // mover's bit, and for a move to an empty square another one swaps from and to in the empty set.
    const uint64_t both = squareBit(f) | squareBit(t);
    if (f == t || m == Empty) [[unlikely]] {
        removeFromDerived(captured, t);
        setBit(Pos.pieceBits[Empty], f);
        clearBit(Pos.pieceBits[m], f);
        setBit(Pos.pieceBits[m], t);
    } else if (captured == Empty) {
        Pos.pieceCount[Empty] -= 1;
        Pos.pieceBits[Empty] ^= both;
        Pos.pieceBits[m] ^= both;
    } else {
        removeFromDerived(captured, t);
        setBit(Pos.pieceBits[Empty], f);
        Pos.pieceBits[m] ^= both;
    }

    // Most moves are of no special kind: one test for them, then the kinds by frequency. A mix of the
    // kind bits is none of them.
    const uint8_t kind = flags & SpecialKindMask;
    if (kind == 0) [[likely]] {
        if ((m & 7) == King) {
            const uint8_t castle = flags & CastleMask;
            if (isSingleCastle(castle)) {
                const CastleRook rook = castleRook(castle);
                shiftPiece(rook.code, rook.from, rook.to);
            }
            if (Pos.sideToMove == White) Pos.whiteKing = t;
            else Pos.blackKing = t;
        }
    } else if (kind == FlagDoublePush) {
        Pos.epFile = f >> 3;
    } else if (kind == FlagPromotion) {
        removeFromDerived(m, t);
        const PieceCode n = PieceCode((m & 8) | promotion);
        Pos.board[t] = n;
        addToDerived(n, t);
    } else if (kind == FlagEnPassant) {
        const int32_t e = (t & 0x38) | (f & 7);
        const PieceCode p = m ^ 8;
        Pos.board[e] = Empty;
        removeFromDerived(p, e);
        setBit(Pos.pieceBits[Empty], e);
    }

    Pos.castling &= CastlingMask[t] & CastlingMask[f];
    Pos.sideToMove ^= 8;
    Pos.ply += 1;
}

[[gnu::always_inline]] inline void unmakeMoveInline(const Move& move) {
    using namespace make_move_detail;
    const int32_t f = move.from;
    const int32_t t = move.to;
    const uint8_t flags = move.flags;
    Pos.ply -= 1;
    const PlyRecord& record = Pos.plies[Pos.ply];
    const PieceCode captured = PieceCode(record.captured);
    const PieceCode m = f == t ? captured : Pos.board[t];

    Pos.board[f] = m;
    Pos.board[t] = captured;
    // The exclusive ors of makeMove once more, for a piece that moved; anything else takes the long way.
    const uint64_t both = squareBit(f) | squareBit(t);
    if (f == t || m == Empty) [[unlikely]] {
        addToDerived(captured, t);
        clearBit(Pos.pieceBits[Empty], f);
        setBit(Pos.pieceBits[m], f);
        clearBit(Pos.pieceBits[m], t);
    } else if (captured == Empty) {
        Pos.pieceCount[Empty] += 1;
        Pos.pieceBits[Empty] ^= both;
        Pos.pieceBits[m] ^= both;
    } else {
        addToDerived(captured, t);
        clearBit(Pos.pieceBits[Empty], f);
        Pos.pieceBits[m] ^= both;
    }

    const uint8_t kind = flags & SpecialKindMask;
    if (kind == 0) [[likely]] {
        if ((m & 7) == King) {
            const uint8_t castle = flags & CastleMask;
            if (isSingleCastle(castle)) {
                const CastleRook rook = castleRook(castle);
                shiftPiece(Pos.board[rook.to], rook.to, rook.from);
            }
            if (Pos.sideToMove == Black) Pos.whiteKing = f;
            else Pos.blackKing = f;
        }
    } else if (kind == FlagPromotion) {
        removeFromDerived(m, f);
        const PieceCode n = PieceCode((m & 8) | Pawn);
        Pos.board[f] = n;
        addToDerived(n, f);
    } else if (kind == FlagEnPassant) {
        const int32_t e = (t & 0x38) | (f & 7);
        const PieceCode p = m ^ 8;
        Pos.board[e] = p;
        addToDerived(p, e);
        clearBit(Pos.pieceBits[Empty], e);
    }

    Pos.epFile = record.savedEpFile;
    Pos.castling = record.savedCastling;
    Pos.sideToMove ^= 8;
}
