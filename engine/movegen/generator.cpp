#include "movegen/generator.h"

#include "board/bitboards.h"
#include "board/tables.h"
#include "movegen/attacks.h"
#include "movegen/ordering.h"

#include <bit>
#include <cstddef>
#include <cstring>

GeneratorRoutine GeneratorTable[16];
int32_t GenSquare;
bool UsePopCountInstruction;

namespace {

constexpr int32_t QueenOrder = OrderValue[Queen];

// No piece has more than 27 moves, so a list written this far below the stack's end never reaches it.
constexpr int32_t RoomForAnyList = 64 * 28;

// The killers of the ply being generated, as packedKey of their from, to and promotion: the same three
// fields the killer bonus compares.
uint32_t KillerKey0;
uint32_t KillerKey1;
// Whether append has to look at the stack's end: only when the list may not fit.
bool StackMayFill;

inline uint32_t packedKey(uint32_t from, uint32_t to, uint32_t promotion) { return from | to << 8 | promotion << 24; }

inline int32_t history(int32_t from, int32_t to) { return HistoryTable[from][to]; }

inline void loadKillers() {
    const Move* killers = KillerMoves[Pos.ply];
    KillerKey0 = packedKey(killers[0].from, killers[0].to, killers[0].promotion);
    KillerKey1 = packedKey(killers[1].from, killers[1].to, killers[1].promotion);
}

// Every routine below comes in two forms: Scored writes whole entries, as the search needs them;
// without it only the first four bytes (from, to, flags, promotion) are written, for perft, which never
// reads a score. The scores are passed as callables so that the unscored form never computes them.

// Appends one entry unless the stack is full, in which case the move is dropped.
template <bool Scored, typename Score>
inline void append(int32_t to, uint8_t flags, uint8_t promotion, Score score) {
    if (StackMayFill && MoveCount >= MoveStackSize) return;
    const uint32_t key = packedKey(uint32_t(GenSquare), uint32_t(to), promotion);
    Move& entry = MoveStack[MoveCount];
    // The key has the flags' byte free: with the flags in it, it is the entry's first four bytes.
    const uint32_t head = key | uint32_t(flags) << 16;
    static_assert(offsetof(Move, from) == 0 && offsetof(Move, to) == 1 && offsetof(Move, flags) == 2 &&
                      offsetof(Move, promotion) == 3,
                  "the entry's first four bytes are from, to, flags, promotion");
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&entry, &head, sizeof head);
    } else {
        entry.from = uint8_t(GenSquare);
        entry.to = uint8_t(to);
        entry.flags = flags;
        entry.promotion = promotion;
    }
    if constexpr (Scored) {
        int32_t value = score();
        if (key == KillerKey0) value += 2 * QueenOrder;
        else if (key == KillerKey1) value += QueenOrder;
        entry.score = value;
    }
    MoveCount += 1;
}

template <bool Scored>
inline void appendCapture(int32_t to, PieceCode victim) {
    const int32_t from = GenSquare;
    append<Scored>(to, FlagCapture, 0, [=] {
        return history(from, to) + OrderValue[victim] - OrderValue[Pos.board[from]] + QueenOrder;
    });
}

template <bool Scored>
inline void appendQuiet(int32_t to, uint8_t flags = 0) {
    const int32_t from = GenSquare;
    append<Scored>(to, flags, 0, [=] { return history(from, to); });
}

// A quiet move to an empty square, or the capture of an enemy piece.
template <bool Scored>
inline void appendQuietOrCapture(int32_t to) {
    const PieceCode victim = Pos.board[to];
    if (victim == Empty) appendQuiet<Scored>(to);
    else appendCapture<Scored>(to, victim);
}

inline bool isOwn(PieceCode code) { return code != Empty && (code & 8) == Pos.sideToMove; }

// Squares holding a piece code of the side: codes 1 to 7 are white's, 8 to 15 black's.
inline uint64_t sidePieces(Side side) {
    const uint64_t* b = Pos.pieceBits + side;
    const uint64_t all = b[1] | b[2] | b[3] | b[4] | b[5] | b[6] | b[7];
    return side == Black ? all | b[0] : all;
}

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

bool castleAllowed(const CastleRule& rule, PieceCode rook, Side opponent) {
    if ((Pos.castling & rule.right) == 0 || Pos.board[rule.rookSquare] != rook) return false;
    for (int32_t i = 0; i < rule.emptyCount; ++i)
        if (Pos.board[rule.emptySquares[i]] != Empty) return false;
    for (int32_t square : rule.unattacked)
        if (isSquareAttacked(square, opponent)) return false;
    return true;
}

template <bool Scored>
void tryCastle(const CastleRule& rule, PieceCode rook, Side opponent) {
    if (castleAllowed(rule, rook, opponent)) appendQuiet<Scored>(rule.kingTo, rule.right);
}

// The number of castles the side's king on square may make.
int32_t countCastles(Side side, int32_t square) {
    const int32_t colour = side >> 3;
    if (square != (colour == 0 ? 32 : 39)) return 0;
    const PieceCode rook = PieceCode(side | Rook);
    const Side opponent = side ^ 8;
    return int32_t(castleAllowed(CastleRules[colour][0], rook, opponent)) +
           int32_t(castleAllowed(CastleRules[colour][1], rook, opponent));
}

// Targets of the knight and king steps from each square, in the order of their step tables.
struct StepTargets {
    uint8_t square[64][8];
    uint8_t count[64];
    constexpr StepTargets(const Step (&steps)[8]) : square{}, count{} {
        for (int32_t s = 0; s < 64; ++s)
            for (const Step& step : steps)
                if ((edgeFlagsOf(s) & step.mask) == 0) square[s][count[s]++] = uint8_t(s + step.delta);
    }
};
constexpr StepTargets KnightTargets{KnightSteps};
constexpr StepTargets KingTargets{KingSteps};

template <bool Scored>
inline void addSteps(const StepTargets& targets) {
    const int32_t from = GenSquare;
    const uint8_t* square = targets.square[from];
    for (int32_t i = 0, n = targets.count[from]; i < n; ++i) {
        const int32_t to = square[i];
        if (!isOwn(Pos.board[to])) appendQuietOrCapture<Scored>(to);
    }
}

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

template <bool Scored>
inline void promotion(int32_t to, uint8_t pieceType, uint8_t flags) {
    const int32_t from = GenSquare;
    append<Scored>(to, flags, pieceType, [=] {
        return history(from, to) + OrderValue[Pos.board[to]] + OrderValue[pieceType] - OrderValue[Pawn] + QueenOrder;
    });
}

template <bool Scored>
inline void promotions(int32_t to, uint8_t captureFlag) {
    const uint8_t flags = captureFlag | FlagPromotion;
    promotion<Scored>(to, Queen, flags);
    promotion<Scored>(to, Rook, flags);
    promotion<Scored>(to, Bishop, flags);
    promotion<Scored>(to, Knight, flags);
}

template <bool Scored>
inline void pawnCapture(const PawnRule& rule, int32_t to, int32_t rank) {
    const PieceCode victim = Pos.board[to];
    if (victim == Empty || (victim & 8) == Pos.sideToMove) return;
    if (rank == rule.promotionRank) promotions<Scored>(to, FlagCapture);
    else appendCapture<Scored>(to, victim);
}

template <bool Scored>
inline void pawnEnPassant(const PawnRule& rule, int32_t file, int32_t rank) {
    const int32_t e = Pos.epFile;
    if (e >= 0 && rank == rule.enPassantRank && (e == file - 1 || e == file + 1)) {
        const int32_t from = GenSquare;
        const int32_t to = e * 8 + rule.enPassantTargetRank;
        append<Scored>(to, FlagEnPassant, 0, [=] { return history(from, to) + QueenOrder; });
    }
}

inline void prepareList() {
    loadKillers();
    StackMayFill = MoveCount > MoveStackSize - RoomForAnyList;
}

// The side's pieces with a generator (codes 1 to 6), in increasing square order.
inline uint64_t generatingPieces(Side side) {
    const uint64_t* b = Pos.pieceBits + side;
    return b[King] | b[Queen] | b[Knight] | b[Bishop] | b[Rook] | b[Pawn];
}

// Captures along each direction of the range, in the generator's order: at most one per direction,
// the first piece met.
inline void addRayCaptures(int32_t firstRay, int32_t lastRay, uint64_t captures) {
    for (int32_t d = firstRay; d < lastRay && captures != 0; ++d) {
        const uint64_t hit = captures & Attacks.ray[d][GenSquare];
        if (hit != 0) {
            const int32_t t = lowestSquare(hit);
            appendCapture<true>(t, Pos.board[t]);
            captures ^= hit;
        }
    }
}

inline void addStepCaptures(const StepTargets& targets, uint64_t reach, uint64_t enemy) {
    if ((reach & enemy) == 0) return;
    const int32_t from = GenSquare;
    const uint8_t* square = targets.square[from];
    for (int32_t i = 0, n = targets.count[from]; i < n; ++i) {
        const int32_t to = square[i];
        if (enemy & squareBit(to)) appendCapture<true>(to, Pos.board[to]);
    }
}

void addPawnTacticalMoves() {
    const PawnRule& rule = PawnRules[Pos.sideToMove >> 3];
    const int32_t from = GenSquare;
    const int32_t file = from >> 3;
    const int32_t rank = from & 7;
    if (rank == rule.lastRank) return;
    if (rank == rule.promotionRank && Pos.board[from + rule.forward] == Empty) promotions<true>(from + rule.forward, 0);
    if (file > 0) pawnCapture<true>(rule, from + rule.captureLower, rank);
    if (file < 7) pawnCapture<true>(rule, from + rule.captureHigher, rank);
    pawnEnPassant<true>(rule, file, rank);
}

constexpr uint64_t FileA = 0xFFull;
constexpr uint64_t FileH = 0xFFull << 56;
constexpr uint64_t RankBits(int32_t rank) { return 0x0101010101010101ull << rank; }

template <bool Instruction>
inline int32_t bitCount(uint64_t v) {
    return Instruction ? popCountInstruction(v) : popCount(v);
}

// The moves genPawnMoves writes for all the side's pawns together.
template <bool Instruction>
int32_t countPawnMoves(Side side, uint64_t empty, uint64_t enemy) {
    const PawnRule& rule = PawnRules[side >> 3];
    const uint64_t pawns = Pos.pieceBits[side | Pawn] & ~RankBits(rule.lastRank);
    if (pawns == 0) return 0;
    uint64_t single, twice, lower, higher;
    if (side == White) {
        single = (pawns << 1) & empty;
        twice = ((single & RankBits(2)) << 1) & empty;
        lower = ((pawns & ~FileA) >> 7) & enemy;
        higher = ((pawns & ~FileH) << 9) & enemy;
    } else {
        single = (pawns >> 1) & empty;
        twice = ((single & RankBits(5)) >> 1) & empty;
        lower = ((pawns & ~FileA) >> 9) & enemy;
        higher = ((pawns & ~FileH) << 7) & enemy;
    }
    const uint64_t promotionTargets = RankBits(rule.promotionRank + rule.forward);
    // A move to the last rank is written four times, once per promotion piece.
    int32_t count = bitCount<Instruction>(twice) + bitCount<Instruction>(single) + bitCount<Instruction>(lower) +
                    bitCount<Instruction>(higher);
    if ((single | lower | higher) & promotionTargets)
        count += 3 * (bitCount<Instruction>(single & promotionTargets) + bitCount<Instruction>(lower & promotionTargets) +
                      bitCount<Instruction>(higher & promotionTargets));
    const int32_t e = Pos.epFile;
    if (e >= 0) {
        uint64_t files = 0;
        if (e > 0) files |= FileA << (8 * (e - 1));
        if (e < 7) files |= FileA << (8 * (e + 1));
        count += bitCount<Instruction>(pawns & files & RankBits(rule.enPassantRank));
    }
    return count;
}

template <bool Scored>
inline void step(int32_t delta) {
    const int32_t to = GenSquare + delta;
    if (isOwn(Pos.board[to])) return;
    appendQuietOrCapture<Scored>(to);
}

template <bool Scored>
inline void ray(int32_t delta, uint8_t mask) {
    if (EdgeFlags[GenSquare] & mask) return;
    int32_t t = GenSquare;
    for (;;) {
        t += delta;
        const PieceCode target = Pos.board[t];
        if (target == Empty) {
            appendQuiet<Scored>(t);
            if (EdgeFlags[t] & mask) return;
            continue;
        }
        if ((target & 8) != Pos.sideToMove) appendCapture<Scored>(t, target);
        return;
    }
}

template <bool Scored>
inline void kingMoves() {
    addSteps<Scored>(KingTargets);
    const int32_t colour = Pos.sideToMove >> 3;
    if (GenSquare != (colour == 0 ? 32 : 39)) return;
    const PieceCode rook = PieceCode(Pos.sideToMove | Rook);
    const Side opponent = Pos.sideToMove ^ 8;
    tryCastle<Scored>(CastleRules[colour][0], rook, opponent);
    tryCastle<Scored>(CastleRules[colour][1], rook, opponent);
}

template <bool Scored>
inline void diagonalMoves() {
    for (const Step& s : DiagonalSteps) ray<Scored>(s.delta, s.mask);
}

template <bool Scored>
inline void orthogonalMoves() {
    for (const Step& s : OrthogonalSteps) ray<Scored>(s.delta, s.mask);
}

template <bool Scored>
inline void pawnMoves() {
    const PawnRule& rule = PawnRules[Pos.sideToMove >> 3];
    const int32_t from = GenSquare;
    const int32_t file = from >> 3;
    const int32_t rank = from & 7;
    if (rank == rule.lastRank) return;

    const int32_t one = from + rule.forward;
    if (Pos.board[one] == Empty) {
        if (rank == rule.doublePushRank) {
            const int32_t two = one + rule.forward;
            if (Pos.board[two] == Empty) appendQuiet<Scored>(two, FlagDoublePush);
            appendQuiet<Scored>(one);
        } else if (rank == rule.promotionRank) {
            promotions<Scored>(one, 0);
        } else {
            appendQuiet<Scored>(one);
        }
    }

    if (file > 0) pawnCapture<Scored>(rule, from + rule.captureLower, rank);
    if (file < 7) pawnCapture<Scored>(rule, from + rule.captureHigher, rank);
    pawnEnPassant<Scored>(rule, file, rank);
}

} // namespace

void genKingMoves() { kingMoves<true>(); }
void genQueenMoves() {
    diagonalMoves<true>();
    orthogonalMoves<true>();
}
void genKnightMoves() { addSteps<true>(KnightTargets); }
void genBishopMoves() { diagonalMoves<true>(); }
void genRookMoves() { orthogonalMoves<true>(); }
void genPawnMoves() { pawnMoves<true>(); }

void installGenerators() {
    UsePopCountInstruction = processorHasPopCount();
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
    prepareList();
    forEachSquare(generatingPieces(Pos.sideToMove), [](int32_t s) {
        GenSquare = s;
        GeneratorTable[Pos.board[s] & 7]();
    });
    GenSquare = 64;
}

void generatePerftMoves() {
    prepareList();
    forEachSquare(generatingPieces(Pos.sideToMove), [](int32_t s) {
        GenSquare = s;
        switch (Pos.board[s] & 7) {
        case King: kingMoves<false>(); break;
        case Queen:
            diagonalMoves<false>();
            orthogonalMoves<false>();
            break;
        case Knight: addSteps<false>(KnightTargets); break;
        case Bishop: diagonalMoves<false>(); break;
        case Rook: orthogonalMoves<false>(); break;
        default: pawnMoves<false>(); break;
        }
    });
    GenSquare = 64;
}

namespace {

template <bool Instruction>
int32_t countMovesWith() {
    const Side side = Pos.sideToMove;
    const uint64_t* bits = Pos.pieceBits;
    const uint64_t empty = bits[Empty];
    const uint64_t occupied = ~empty;
    const uint64_t notOwn = ~sidePieces(side);
    const uint64_t enemy = occupied & notOwn;

    int32_t count = countPawnMoves<Instruction>(side, empty, enemy);
    forEachSquare(bits[side | Knight], [&](int32_t s) { count += bitCount<Instruction>(Attacks.knight[s] & notOwn); });
    forEachSquare(bits[side | Bishop] | bits[side | Queen],
                  [&](int32_t s) { count += bitCount<Instruction>(diagonalAttacks(s, occupied) & notOwn); });
    forEachSquare(bits[side | Rook] | bits[side | Queen],
                  [&](int32_t s) { count += bitCount<Instruction>(orthogonalAttacks(s, occupied) & notOwn); });
    forEachSquare(bits[side | King], [&](int32_t s) {
        count += bitCount<Instruction>(Attacks.king[s] & notOwn) + countCastles(side, s);
    });
    return count;
}

} // namespace

// Only x86 has the instruction form; elsewhere (ARM) the portable count is the one compiled.
#if defined(__i386__) || defined(__x86_64__)
int32_t countMoves() { return UsePopCountInstruction ? countMovesWith<true>() : countMovesWith<false>(); }
#else
int32_t countMoves() { return countMovesWith<false>(); }
#endif

void generateTacticalMoves() {
    prepareList();
    const Side side = Pos.sideToMove;
    const uint64_t occupied = ~Pos.pieceBits[Empty];
    const uint64_t enemy = occupied & ~sidePieces(side);
    // Only the pawns that may have a tactical move: next to their last rank, able to capture, or on the
    // en-passant rank.
    const PawnRule& rule = PawnRules[side >> 3];
    uint64_t pawnCandidates = side == White ? (enemy << 7) | (enemy >> 9) : (enemy << 9) | (enemy >> 7);
    pawnCandidates |= RankBits(rule.promotionRank);
    if (Pos.epFile >= 0) pawnCandidates |= RankBits(rule.enPassantRank);
    const uint64_t pawns = Pos.pieceBits[side | Pawn];
    const uint64_t pieces = (generatingPieces(side) & ~pawns) | (pawns & pawnCandidates);
    forEachSquare(pieces, [&](int32_t s) {
        GenSquare = s;
        switch (Pos.board[s] & 7) {
        case King: addStepCaptures(KingTargets, Attacks.king[s], enemy); break;
        case Queen: addRayCaptures(0, 8, (diagonalAttacks(s, occupied) | orthogonalAttacks(s, occupied)) & enemy); break;
        case Knight: addStepCaptures(KnightTargets, Attacks.knight[s], enemy); break;
        case Bishop: addRayCaptures(0, 4, diagonalAttacks(s, occupied) & enemy); break;
        case Rook: addRayCaptures(4, 8, orthogonalAttacks(s, occupied) & enemy); break;
        default: addPawnTacticalMoves(); break;
        }
    });
    GenSquare = 64;
}
