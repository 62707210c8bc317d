// Bitboard helpers: attack sets of the pieces, rays, population count and bit scans. Everything works
// on 32-bit halves where that is cheaper, so that the 32-bit build needs no helper routines and no
// instruction beyond SSE2.
#pragma once

#include "board/tables.h"

#include <bit>

// Directions as square deltas, in the order the rays are indexed: the four diagonals, then the four
// orthogonals, each group in the order the generator walks them.
inline constexpr int32_t RayDelta[8] = {-9, 7, 9, -7, -8, -1, 8, 1};
inline constexpr uint8_t RayMask[8] = {0x14, 0x50, 0x41, 0x05, 0x04, 0x10, 0x40, 0x01};

struct AttackTables {
    uint64_t knight[64];
    uint64_t king[64];
    uint64_t pawnAttackers[2][64]; // squares a white (0) or black (1) pawn attacks the square from
    uint64_t ray[8][64];           // squares along the direction, the square itself excluded
    uint64_t diagonal[64];
    uint64_t orthogonal[64];
    uint64_t rankLine[64];     // the square's rank (one square per file), the square excluded
    uint64_t upLine[64];       // the +9 diagonal through the square, the square excluded
    uint64_t downLine[64];     // the +7 diagonal through the square, the square excluded
    uint8_t fileLine[8][256];  // ranks a piece on the rank reaches along its file, by the file's occupancy
    constexpr AttackTables()
        : knight{}, king{}, pawnAttackers{}, ray{}, diagonal{}, orthogonal{}, rankLine{}, upLine{}, downLine{},
          fileLine{} {
        for (int32_t s = 0; s < 64; ++s) {
            const uint8_t edges = edgeFlagsOf(s);
            for (const Step& step : KnightSteps)
                if ((edges & step.mask) == 0) knight[s] |= uint64_t(1) << (s + step.delta);
            for (const Step& step : KingSteps)
                if ((edges & step.mask) == 0) king[s] |= uint64_t(1) << (s + step.delta);
            for (int32_t c = 0; c < 2; ++c)
                for (const Step& step : PawnAttackSteps[c])
                    if ((edges & step.mask) == 0) pawnAttackers[c][s] |= uint64_t(1) << (s + step.delta);
            for (int32_t d = 0; d < 8; ++d) {
                int32_t t = s;
                while ((edgeFlagsOf(t) & RayMask[d]) == 0) {
                    t += RayDelta[d];
                    ray[d][s] |= uint64_t(1) << t;
                }
                if (d < 4) diagonal[s] |= ray[d][s];
                else orthogonal[s] |= ray[d][s];
            }
            upLine[s] = ray[0][s] | ray[2][s];
            downLine[s] = ray[1][s] | ray[3][s];
            rankLine[s] = ray[4][s] | ray[6][s];
        }
        for (int32_t rank = 0; rank < 8; ++rank)
            for (int32_t occupancy = 0; occupancy < 256; ++occupancy) {
                uint8_t reach = 0;
                for (int32_t r = rank + 1; r < 8; ++r) {
                    reach = uint8_t(reach | 1 << r);
                    if (occupancy & 1 << r) break;
                }
                for (int32_t r = rank - 1; r >= 0; --r) {
                    reach = uint8_t(reach | 1 << r);
                    if (occupancy & 1 << r) break;
                }
                fileLine[rank][occupancy] = reach;
            }
    }
};
inline constexpr AttackTables Attacks{};

inline constexpr uint64_t squareBit(int32_t square) { return uint64_t(1) << square; }

inline int32_t popCount32(uint32_t v) {
    v = v - ((v >> 1) & 0x55555555u);
    v = (v & 0x33333333u) + ((v >> 2) & 0x33333333u);
    v = (v + (v >> 4)) & 0x0F0F0F0Fu;
    return int32_t((v * 0x01010101u) >> 24);
}

inline int32_t popCount(uint64_t v) {
#if UINTPTR_MAX > 0xFFFFFFFFu
    v = v - ((v >> 1) & 0x5555555555555555ull);
    v = (v & 0x3333333333333333ull) + ((v >> 2) & 0x3333333333333333ull);
    v = (v + (v >> 4)) & 0x0F0F0F0F0F0F0F0Full;
    return int32_t((v * 0x0101010101010101ull) >> 56);
#else
    return popCount32(uint32_t(v)) + popCount32(uint32_t(v >> 32));
#endif
}

// The processor's population count instruction: only for code that runs after processorHasPopCount()
// said yes. Written as assembly so that the rest of the build keeps to the base instruction set.
inline int32_t popCountInstruction(uint64_t v) {
#if defined(__x86_64__)
    uint64_t count;
    asm("popcntq %1, %0" : "=r"(count) : "r"(v));
    return int32_t(count);
#elif defined(__i386__)
    uint32_t low, high;
    asm("popcntl %1, %0" : "=r"(low) : "r"(uint32_t(v)));
    asm("popcntl %1, %0" : "=r"(high) : "r"(uint32_t(v >> 32)));
    return int32_t(low + high);
#else
    return popCount(v);
#endif
}

bool processorHasPopCount();

// Lowest and highest set square of a non-empty bitboard.
inline int32_t lowestSquare(uint64_t v) {
    const uint32_t low = uint32_t(v);
    return low != 0 ? std::countr_zero(low) : 32 + std::countr_zero(uint32_t(v >> 32));
}
inline int32_t highestSquare(uint64_t v) {
    const uint32_t high = uint32_t(v >> 32);
    return high != 0 ? 63 - std::countl_zero(high) : 31 - std::countl_zero(uint32_t(v));
}

// The squares along direction d up to and including the first occupied one.
inline uint64_t rayAttacks(int32_t d, int32_t square, uint64_t occupied) {
    const uint64_t ray = Attacks.ray[d][square];
    const uint64_t blockers = ray & occupied;
    if (blockers == 0) return ray;
    return ray ^ Attacks.ray[d][RayDelta[d] > 0 ? lowestSquare(blockers) : highestSquare(blockers)];
}

// The first occupied square along direction d, or -1.
inline int32_t firstBlocker(int32_t d, int32_t square, uint64_t occupied) {
    const uint64_t blockers = Attacks.ray[d][square] & occupied;
    if (blockers == 0) return -1;
    return RayDelta[d] > 0 ? lowestSquare(blockers) : highestSquare(blockers);
}

// Along a line that holds at most one square per file, reversing the byte order reverses the line, so
// the squares up to the first piece either way come from two subtractions.
inline uint64_t lineAttacks(uint64_t line, int32_t square, uint64_t occupied) {
    const uint64_t bit = squareBit(square);
    uint64_t forward = occupied & line;
    uint64_t reverse = __builtin_bswap64(forward);
    forward -= bit;
    reverse -= __builtin_bswap64(bit);
    return (forward ^ __builtin_bswap64(reverse)) & line;
}

inline uint64_t diagonalAttacks(int32_t square, uint64_t occupied) {
    return lineAttacks(Attacks.upLine[square], square, occupied) |
           lineAttacks(Attacks.downLine[square], square, occupied);
}
inline uint64_t orthogonalAttacks(int32_t square, uint64_t occupied) {
    const int32_t shift = square & 0x38;
    const uint64_t file = uint64_t(Attacks.fileLine[square & 7][uint8_t(occupied >> shift)]) << shift;
    return lineAttacks(Attacks.rankLine[square], square, occupied) | file;
}

// Calls visit for every set square, in increasing order, one 32-bit half at a time.
template <typename Visit>
inline void forEachSquare(uint64_t bits, Visit visit) {
    uint32_t word = uint32_t(bits);
    while (word != 0) {
        visit(std::countr_zero(word));
        word &= word - 1;
    }
    word = uint32_t(bits >> 32);
    while (word != 0) {
        visit(32 + std::countr_zero(word));
        word &= word - 1;
    }
}
