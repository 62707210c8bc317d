#include "eval/evaluate.h"

#include "board/bitboards.h"
#include "board/position.h"
#include "board/tables.h"
#include "movegen/generator.h"

namespace {

constexpr int32_t DoubledPawnPenalty = 25;
constexpr int32_t IsolatedPawnPenalty = 25;
constexpr int32_t BackwardPawnPenalty = 50;
constexpr int32_t MobilityWeight = 10;

inline uint8_t whiteFile(int32_t file) { return fileByte(Pos.pieceBits[Pawn], file); }
inline uint8_t blackFile(int32_t file) { return fileByte(Pos.pieceBits[Black | Pawn], file); }

} // namespace

// Square indices past a neighbour's rank wrap onto the next file; a pawn standing on its own last rank
// (possible only on a board the host made up) would step off the table, so those lookups are folded
// back onto the board and a square past h8 holds no pawn.
int32_t isBackwardWhitePawn(int32_t s) {
    const int32_t file = s >> 3;
    if (whiteFile(file) & RanksAboveMask[s]) return 0;
    if (blackFile(file) & RanksAboveMask[s]) return 0;
    const uint8_t levelOrBehind = RanksBelowMask[(s + 1) & 63];
    if (s > 8 && ((whiteFile(file - 1) & levelOrBehind) || Pos.board[s - 7] == (Black | Pawn))) return 0;
    if (s < 56 && ((whiteFile(file + 1) & levelOrBehind) || (s + 9 < 64 && Pos.board[s + 9] == (Black | Pawn))))
        return 0;
    return 1;
}

int32_t isBackwardBlackPawn(int32_t s) {
    const int32_t file = s >> 3;
    if (blackFile(file) & RanksBelowMask[s]) return 0;
    if (whiteFile(file) & RanksBelowMask[s]) return 0;
    const uint8_t levelOrBehind = RanksAboveMask[(s - 1) & 63];
    if (s > 8 && ((blackFile(file - 1) & levelOrBehind) || Pos.board[s - 9] == Pawn)) return 0;
    if (s < 56 && ((blackFile(file + 1) & levelOrBehind) || Pos.board[s + 7] == Pawn)) return 0;
    return 1;
}

namespace {

// The pawn terms depend on the two pawn bitboards alone, so they are kept for the pawn structures seen
// lately; an entry is used only when both bitboards match. A table of zeros is already right: no pawns
// score nothing.
struct PawnEntry {
    uint64_t white;
    uint64_t black;
    int32_t score;
};
constexpr int32_t PawnCacheBits = 12;
PawnEntry PawnCache[1 << PawnCacheBits];

// White's pawn terms minus black's.
int32_t pawnStructure(uint64_t whitePawns, uint64_t blackPawns) {
    int32_t score = 0;
    uint64_t whiteCandidates = whitePawns;
    uint64_t blackCandidates = blackPawns;

    for (int32_t file = 0; file < 8; ++file) {
        const int32_t whiteCount = BitCount[whiteFile(file)];
        const int32_t blackCount = BitCount[blackFile(file)];
        if (whiteCount > 1) score -= DoubledPawnPenalty * whiteCount;
        if (blackCount > 1) score += DoubledPawnPenalty * blackCount;
        const uint64_t fileMask = uint64_t(0xFF) << (file * 8);
        if ((file == 0 || whiteFile(file - 1) == 0) && (file == 7 || whiteFile(file + 1) == 0)) {
            score -= IsolatedPawnPenalty * whiteCount;
            whiteCandidates &= ~fileMask;
        }
        if ((file == 0 || blackFile(file - 1) == 0) && (file == 7 || blackFile(file + 1) == 0)) {
            score += IsolatedPawnPenalty * blackCount;
            blackCandidates &= ~fileMask;
        }
    }

    forEachSquare(whiteCandidates, [&](int32_t s) {
        if (isBackwardWhitePawn(s)) score -= BackwardPawnPenalty;
    });
    forEachSquare(blackCandidates, [&](int32_t s) {
        if (isBackwardBlackPawn(s)) score += BackwardPawnPenalty;
    });
    return score;
}

} // namespace

int32_t evaluate(int32_t base) {
    const uint64_t whitePawns = Pos.pieceBits[Pawn];
    const uint64_t blackPawns = Pos.pieceBits[Black | Pawn];
    const uint32_t mixed = uint32_t(whitePawns) * 0x9E3779B1u ^ uint32_t(whitePawns >> 32) * 0x85EBCA77u ^
                           uint32_t(blackPawns) * 0xC2B2AE3Du ^ uint32_t(blackPawns >> 32) * 0x27D4EB2Fu;
    PawnEntry& entry = PawnCache[mixed >> (32 - PawnCacheBits)];
    if (entry.white != whitePawns || entry.black != blackPawns) {
        entry.white = whitePawns;
        entry.black = blackPawns;
        entry.score = pawnStructure(whitePawns, blackPawns);
    }
    int32_t score = Pos.material + entry.score;

    if (Pos.sideToMove == Black) score = -score;

    // Mobility: the side to move's list is the caller's; the other side's is counted on the same
    // position with only the side flipped, as many as the stack above the list would have taken.
    const int32_t end = MoveCount;
    const int32_t own = end - base;
    Pos.sideToMove ^= 8;
    int32_t opponent = countMoves();
    Pos.sideToMove ^= 8;
    if (opponent > MoveStackSize - end) opponent = MoveStackSize - end;
    return score + MobilityWeight * own - MobilityWeight * opponent;
}
