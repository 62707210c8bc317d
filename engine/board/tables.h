// Constant tables of the board geometry and the piece values.
#pragma once

#include "board/types.h"

// Edge bits of each square: 0x01 rank 8, 0x02 rank 7, 0x04 file a, 0x08 file b,
// 0x10 rank 1, 0x20 rank 2, 0x40 file h, 0x80 file g.
constexpr uint8_t edgeFlagsOf(int32_t square) {
    const int32_t file = square >> 3;
    const int32_t rank = square & 7;
    uint8_t bits = 0;
    if (rank == 7) bits |= 0x01;
    if (rank == 6) bits |= 0x02;
    if (file == 0) bits |= 0x04;
    if (file == 1) bits |= 0x08;
    if (rank == 0) bits |= 0x10;
    if (rank == 1) bits |= 0x20;
    if (file == 7) bits |= 0x40;
    if (file == 6) bits |= 0x80;
    return bits;
}

struct EdgeTable {
    uint8_t value[64];
    constexpr EdgeTable() : value{} {
        for (int32_t s = 0; s < 64; ++s) value[s] = edgeFlagsOf(s);
    }
    constexpr uint8_t operator[](int32_t square) const { return value[square]; }
};
inline constexpr EdgeTable EdgeFlags{};

// A step may be taken from square s only when EdgeFlags[s] & mask is 0; it leads to s + delta.
struct Step {
    uint8_t mask;
    int8_t delta;
};

inline constexpr Step KnightSteps[8] = {{0x1C, -17}, {0x0D, -15}, {0xD0, 15}, {0xC1, 17},
                                        {0x34, -10}, {0x07, -6},  {0x70, 6},  {0x43, 10}};
inline constexpr Step DiagonalSteps[4] = {{0x14, -9}, {0x50, 7}, {0x41, 9}, {0x05, -7}};
inline constexpr Step OrthogonalSteps[4] = {{0x04, -8}, {0x10, -1}, {0x40, 8}, {0x01, 1}};
inline constexpr Step KingSteps[8] = {{0x14, -9}, {0x04, -8}, {0x05, -7}, {0x10, -1},
                                      {0x01, 1},  {0x50, 7},  {0x40, 8},  {0x41, 9}};
// Read from the attacked square: index 0 for white attackers (their pawns stand one rank lower),
// index 1 for black attackers.
inline constexpr Step PawnAttackSteps[2][2] = {{{0x14, -9}, {0x50, 7}}, {{0x05, -7}, {0x41, 9}}};

// ANDed into the castling rights for the from and to squares of every move.
struct CastlingMaskTable {
    int32_t value[64];
    constexpr CastlingMaskTable() : value{} {
        for (int32_t s = 0; s < 64; ++s) value[s] = 15;
        value[0] = 14;  // a1
        value[56] = 13; // h1
        value[32] = 12; // e1
        value[7] = 11;  // a8
        value[63] = 7;  // h8
        value[39] = 3;  // e8
    }
    constexpr int32_t operator[](int32_t square) const { return value[square]; }
};
inline constexpr CastlingMaskTable CastlingMask{};

// Material per piece code, white positive and black negative.
inline constexpr int32_t MaterialValue[16] = {0, 20000,  900,  300,  300,  500,  100,  0,
                                              0, -20000, -900, -300, -300, -500, -100, 0};

// Computed by initTables when the engine is initialised.
extern uint8_t RanksAboveMask[64]; // rank bits strictly above the square's rank
extern uint8_t RanksBelowMask[64]; // rank bits strictly below the square's rank
extern uint8_t BitCount[256];

void initTables();
