// The move generator as it was before the fast paths: every move written through the per-piece routines.
#include "support/reference_movegen.h"

#include "board/tables.h"
#include "movegen/ordering.h"

#include <bit>

namespace reference {

namespace {

using GeneratorRoutine = void (*)();
GeneratorRoutine GeneratorTable[16];
int32_t GenSquare;

void addKillerBonus();

constexpr int32_t QueenOrder = OrderValue[Queen];

inline int32_t history(int32_t from, int32_t to) { return HistoryTable[from][to]; }

// Appends one entry unless the stack is full, in which case the move is dropped.
inline void append(int32_t to, uint8_t flags, uint8_t promotion, int32_t score) {
    if (MoveCount >= MoveStackSize) return;
    Move& entry = MoveStack[MoveCount];
    entry.from = uint8_t(GenSquare);
    entry.to = uint8_t(to);
    entry.flags = flags;
    entry.promotion = promotion;
    entry.score = score;
    addKillerBonus();
    MoveCount += 1;
}

// A quiet move to an empty square, or the capture of an enemy piece.
inline void appendQuietOrCapture(int32_t to) {
    const int32_t from = GenSquare;
    const PieceCode victim = Pos.board[to];
    if (victim == Empty) {
        append(to, 0, 0, history(from, to));
    } else {
        append(to, FlagCapture, 0,
               history(from, to) + OrderValue[victim] - OrderValue[Pos.board[from]] + QueenOrder);
    }
}

inline bool isOwn(PieceCode code) { return code != Empty && (code & 8) == Pos.sideToMove; }

void genNothing() {}

struct CastleRule {
    uint8_t right;
    int32_t rookSquare;
    int32_t emptySquares[3];
    int32_t emptyCount;
    int32_t unattacked[3];
    int32_t kingTo;
};

// King side first, then queen side, for each colour.
constexpr CastleRule CastleRules[2][2] = {
    {{CastleWhiteKingSide, 56, {40, 48, 0}, 2, {48, 40, 32}, 48},
     {CastleWhiteQueenSide, 0, {8, 16, 24}, 3, {16, 24, 32}, 16}},
    {{CastleBlackKingSide, 63, {47, 55, 0}, 2, {55, 47, 39}, 55},
     {CastleBlackQueenSide, 7, {15, 23, 31}, 3, {23, 31, 39}, 23}},
};

void tryCastle(const CastleRule& rule, PieceCode rook, Side opponent) {
    if ((Pos.castling & rule.right) == 0 || Pos.board[rule.rookSquare] != rook) return;
    for (int32_t i = 0; i < rule.emptyCount; ++i)
        if (Pos.board[rule.emptySquares[i]] != Empty) return;
    for (int32_t square : rule.unattacked)
        if (isSquareAttacked(square, opponent)) return;
    append(rule.kingTo, rule.right, 0, history(GenSquare, rule.kingTo));
}

void addKillerBonus() {
    Move& entry = MoveStack[MoveCount];
    const Move* killers = KillerMoves[Pos.ply];
    if (entry.from == killers[0].from && entry.to == killers[0].to && entry.promotion == killers[0].promotion) {
        entry.score += 2 * QueenOrder;
    } else if (entry.from == killers[1].from && entry.to == killers[1].to &&
               entry.promotion == killers[1].promotion) {
        entry.score += QueenOrder;
    }
}

void addStep(int32_t step) {
    const int32_t to = GenSquare + step;
    if (isOwn(Pos.board[to])) return;
    appendQuietOrCapture(to);
}

void addRay(int32_t step, uint8_t mask) {
    if (EdgeFlags[GenSquare] & mask) return;
    int32_t t = GenSquare;
    for (;;) {
        t += step;
        const PieceCode target = Pos.board[t];
        if (target == Empty) {
            append(t, 0, 0, history(GenSquare, t));
            if (EdgeFlags[t] & mask) return;
            continue;
        }
        if (!isOwn(target)) appendQuietOrCapture(t);
        return;
    }
}

void addPromotion(int32_t to, uint8_t pieceType, uint8_t flags) {
    append(to, flags, pieceType,
           history(GenSquare, to) + OrderValue[Pos.board[to]] + OrderValue[pieceType] - OrderValue[Pawn] +
               QueenOrder);
}

void addPromotions(int32_t to, uint8_t captureFlag) {
    const uint8_t flags = captureFlag | FlagPromotion;
    addPromotion(to, Queen, flags);
    addPromotion(to, Rook, flags);
    addPromotion(to, Bishop, flags);
    addPromotion(to, Knight, flags);
}

void genKingMoves() {
    for (const Step& step : KingSteps)
        if ((EdgeFlags[GenSquare] & step.mask) == 0) addStep(step.delta);
    const int32_t colour = Pos.sideToMove >> 3;
    if (GenSquare != (colour == 0 ? 32 : 39)) return;
    const PieceCode rook = PieceCode(Pos.sideToMove | Rook);
    const Side opponent = Pos.sideToMove ^ 8;
    tryCastle(CastleRules[colour][0], rook, opponent);
    tryCastle(CastleRules[colour][1], rook, opponent);
}

void genQueenMoves() {
    for (const Step& step : DiagonalSteps) addRay(step.delta, step.mask);
    for (const Step& step : OrthogonalSteps) addRay(step.delta, step.mask);
}

void genKnightMoves() {
    for (const Step& step : KnightSteps)
        if ((EdgeFlags[GenSquare] & step.mask) == 0) addStep(step.delta);
}

void genBishopMoves() {
    for (const Step& step : DiagonalSteps) addRay(step.delta, step.mask);
}

void genRookMoves() {
    for (const Step& step : OrthogonalSteps) addRay(step.delta, step.mask);
}

namespace {

struct PawnRule {
    int32_t forward;
    int32_t doublePushRank;
    int32_t promotionRank;
    int32_t lastRank; // a pawn can never stand here; one that does has no move
    int32_t captureLower;
    int32_t captureHigher;
    int32_t enPassantRank;
    int32_t enPassantTargetRank;
};

constexpr PawnRule PawnRules[2] = {
    {1, 1, 6, 7, -7, 9, 4, 5},
    {-1, 6, 1, 0, -9, 7, 3, 2},
};

inline void pawnCapture(const PawnRule& rule, int32_t to, int32_t rank) {
    const PieceCode victim = Pos.board[to];
    if (victim == Empty || (victim & 8) == Pos.sideToMove) return;
    if (rank == rule.promotionRank) {
        addPromotions(to, FlagCapture);
    } else {
        const int32_t from = GenSquare;
        append(to, FlagCapture, 0,
               history(from, to) + OrderValue[victim] - OrderValue[Pos.board[from]] + QueenOrder);
    }
}

} // namespace

void genPawnMoves() {
    const PawnRule& rule = PawnRules[Pos.sideToMove >> 3];
    const int32_t from = GenSquare;
    const int32_t file = from >> 3;
    const int32_t rank = from & 7;
    if (rank == rule.lastRank) return;

    const int32_t one = from + rule.forward;
    if (Pos.board[one] == Empty) {
        if (rank == rule.doublePushRank) {
            const int32_t two = one + rule.forward;
            if (Pos.board[two] == Empty) append(two, FlagDoublePush, 0, history(from, two));
            append(one, 0, 0, history(from, one));
        } else if (rank == rule.promotionRank) {
            addPromotions(one, 0);
        } else {
            append(one, 0, 0, history(from, one));
        }
    }

    if (file > 0) pawnCapture(rule, from + rule.captureLower, rank);
    if (file < 7) pawnCapture(rule, from + rule.captureHigher, rank);

    const int32_t e = Pos.epFile;
    if (e >= 0 && rank == rule.enPassantRank && (e == file - 1 || e == file + 1)) {
        const int32_t to = e * 8 + rule.enPassantTargetRank;
        append(to, FlagEnPassant, 0, history(from, to) + QueenOrder);
    }
}

} // namespace

void installGenerators() {
    for (GeneratorRoutine& entry : GeneratorTable) entry = genNothing;
    GeneratorTable[King] = genKingMoves;
    GeneratorTable[Queen] = genQueenMoves;
    GeneratorTable[Knight] = genKnightMoves;
    GeneratorTable[Bishop] = genBishopMoves;
    GeneratorTable[Rook] = genRookMoves;
    GeneratorTable[Pawn] = genPawnMoves;
}

void generateMoves() {
    // The side's pieces in increasing square order, found from their bitboards instead of a scan of
    // all 64 squares; codes 7, 8 and 15 have no generator, so leaving them out changes nothing.
    const Side side = Pos.sideToMove;
    const uint64_t* bits = Pos.pieceBits;
    const uint64_t own = bits[side | King] | bits[side | Queen] | bits[side | Knight] | bits[side | Bishop] |
                         bits[side | Rook] | bits[side | Pawn];
    for (int32_t half = 0; half < 2; ++half) {
        uint32_t word = uint32_t(own >> (32 * half));
        while (word != 0) {
            const int32_t s = half * 32 + std::countr_zero(word);
            word &= word - 1;
            GenSquare = s;
            GeneratorTable[Pos.board[s] & 7]();
        }
    }
    GenSquare = 64;
}

} // namespace reference
