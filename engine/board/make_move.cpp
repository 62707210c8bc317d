#include "board/make_move.h"

#include "board/tables.h"

namespace {

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

} // namespace

void makeMove(const Move& move) {
    const int32_t f = move.from;
    const int32_t t = move.to;
    PlyRecord& record = Pos.plies[Pos.ply];
    record.savedEpFile = Pos.epFile;
    record.savedCastling = Pos.castling;
    record.captured = Pos.board[t];
    Pos.epFile = -1;

    Pos.board[t] = Pos.board[f];
    Pos.board[f] = Empty;
    // An empty destination takes its bit out of the empty set here; its count drifts until unmakeMove.
    removeFromDerived(PieceCode(record.captured), t);
    setBit(Pos.pieceBits[Empty], f);
    const PieceCode m = Pos.board[t];
    clearBit(Pos.pieceBits[m], f);
    setBit(Pos.pieceBits[m], t);

    switch (move.flags & SpecialKindMask) {
    case FlagEnPassant: {
        const int32_t e = (t & 0x38) | (f & 7);
        const PieceCode p = m ^ 8;
        Pos.board[e] = Empty;
        removeFromDerived(p, e);
        setBit(Pos.pieceBits[Empty], e);
        break;
    }
    case FlagDoublePush:
        Pos.epFile = f >> 3;
        break;
    case FlagPromotion: {
        removeFromDerived(m, t);
        const PieceCode n = PieceCode((m & 8) | move.promotion);
        Pos.board[t] = n;
        addToDerived(n, t);
        break;
    }
    case 0:
        if ((Pos.board[t] & 7) == King) {
            const uint8_t castle = move.flags & CastleMask;
            if (isSingleCastle(castle)) {
                const CastleRook rook = castleRook(castle);
                shiftPiece(rook.code, rook.from, rook.to);
            }
            if (Pos.sideToMove == White) Pos.whiteKing = t;
            else Pos.blackKing = t;
        }
        break;
    default:
        break;
    }

    Pos.castling &= CastlingMask[t] & CastlingMask[f];
    Pos.sideToMove ^= 8;
    Pos.ply += 1;
}

void unmakeMove(const Move& move) {
    const int32_t f = move.from;
    const int32_t t = move.to;
    Pos.ply -= 1;
    const PlyRecord& record = Pos.plies[Pos.ply];

    Pos.board[f] = Pos.board[t];
    Pos.board[t] = PieceCode(record.captured);
    addToDerived(PieceCode(record.captured), t);
    clearBit(Pos.pieceBits[Empty], f);
    const PieceCode m = Pos.board[f];
    setBit(Pos.pieceBits[m], f);
    clearBit(Pos.pieceBits[m], t);

    switch (move.flags & SpecialKindMask) {
    case FlagEnPassant: {
        const int32_t e = (t & 0x38) | (f & 7);
        const PieceCode p = m ^ 8;
        Pos.board[e] = p;
        addToDerived(p, e);
        clearBit(Pos.pieceBits[Empty], e);
        break;
    }
    case FlagPromotion: {
        removeFromDerived(m, f);
        const PieceCode n = PieceCode((m & 8) | Pawn);
        Pos.board[f] = n;
        addToDerived(n, f);
        break;
    }
    case 0:
        if ((Pos.board[f] & 7) == King) {
            const uint8_t castle = move.flags & CastleMask;
            if (isSingleCastle(castle)) {
                const CastleRook rook = castleRook(castle);
                shiftPiece(Pos.board[rook.to], rook.to, rook.from);
            }
            if (Pos.sideToMove == Black) Pos.whiteKing = f;
            else Pos.blackKing = f;
        }
        break;
    default:
        break;
    }

    Pos.epFile = record.savedEpFile;
    Pos.castling = record.savedCastling;
    Pos.sideToMove ^= 8;
}
