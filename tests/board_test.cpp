// The board model's tables and the rebuild of derived state from the board bytes.
#include "board/position.h"
#include "board/tables.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// White's pieces on rank 1, pawns on rank 2; black mirrored.
void setInitialBoard() {
    static const PieceCode BackRank[8] = {Rook, Knight, Bishop, Queen, King, Bishop, Knight, Rook};
    std::memset(Pos.board, 0, sizeof Pos.board);
    for (int32_t file = 0; file < 8; ++file) {
        Pos.board[file * 8 + 0] = BackRank[file];
        Pos.board[file * 8 + 1] = Pawn;
        Pos.board[file * 8 + 6] = Black | Pawn;
        Pos.board[file * 8 + 7] = Black | BackRank[file];
    }
}

} // namespace

TEST(BoardTables, EdgeFlags) {
    const uint8_t expected[5][8] = {{20, 36, 4, 4, 4, 4, 6, 5},
                                    {24, 40, 8, 8, 8, 8, 10, 9},
                                    {16, 32, 0, 0, 0, 0, 2, 1},
                                    {144, 160, 128, 128, 128, 128, 130, 129},
                                    {80, 96, 64, 64, 64, 64, 66, 65}};
    const int32_t row[8] = {0, 1, 2, 2, 2, 2, 3, 4};
    for (int32_t s = 0; s < 64; ++s) EXPECT_EQ(EdgeFlags[s], expected[row[s >> 3]][s & 7]) << "square " << s;
}

TEST(BoardTables, StepsAreRefusedAtTheEdge) {
    EXPECT_NE(EdgeFlags[0] & 0x14, 0);  // a1: no -9 step
    EXPECT_NE(EdgeFlags[8] & 0x1C, 0);  // b1: no knight step to -17
    EXPECT_NE(EdgeFlags[8] & 0xD0, 0);  // b1: no knight step to +15
    EXPECT_EQ(EdgeFlags[8] & 0x43, 0);  // b1: +10 leads to c3
    EXPECT_NE(EdgeFlags[7] & 0x01, 0);  // a8: the +1 ray stops, so a queen on a8 never reaches b1
}

TEST(BoardTables, ComputedTables) {
    initTables();
    const uint8_t above[8] = {0xFE, 0xFC, 0xF8, 0xF0, 0xE0, 0xC0, 0x80, 0x00};
    const uint8_t below[8] = {0x00, 0x01, 0x03, 0x07, 0x0F, 0x1F, 0x3F, 0x7F};
    for (int32_t s = 0; s < 64; ++s) {
        EXPECT_EQ(RanksAboveMask[s], above[s & 7]);
        EXPECT_EQ(RanksBelowMask[s], below[s & 7]);
    }
    EXPECT_EQ(RanksAboveMask[35], 0xF0); // e4
    EXPECT_EQ(RanksBelowMask[35], 0x07);
    for (int32_t v = 0; v < 256; ++v) EXPECT_EQ(BitCount[v], __builtin_popcount(unsigned(v)));
    EXPECT_EQ(BitCount[0xA5], 4);
}

TEST(BoardTables, CastlingMaskAndMaterial) {
    for (int32_t s = 0; s < 64; ++s) {
        int32_t expected = 15;
        if (s == 0) expected = 14;
        if (s == 56) expected = 13;
        if (s == 32) expected = 12;
        if (s == 7) expected = 11;
        if (s == 63) expected = 7;
        if (s == 39) expected = 3;
        EXPECT_EQ(CastlingMask[s], expected) << "square " << s;
    }
    for (int32_t code = 0; code < 8; ++code) EXPECT_EQ(MaterialValue[code], -MaterialValue[code | 8]);
    EXPECT_EQ(MaterialValue[7], 0);
    EXPECT_EQ(MaterialValue[15], 0);
}

TEST(RebuildPosition, InitialPosition) {
    setInitialBoard();
    Pos.ply = 9;
    rebuildPosition();
    EXPECT_EQ(Pos.whiteKing, 32);
    EXPECT_EQ(Pos.blackKing, 39);
    EXPECT_EQ(Pos.material, 0);
    EXPECT_EQ(Pos.pieceCount[Pawn], 8);
    EXPECT_EQ(Pos.pieceCount[Black | Pawn], 8);
    EXPECT_EQ(Pos.pieceCount[King], 1);
    EXPECT_EQ(Pos.pieceCount[Black | King], 1);
    EXPECT_EQ(Pos.pieceCount[Empty], 32);
    for (int32_t file = 0; file < 8; ++file) {
        EXPECT_EQ(fileByte(Pos.pieceBits[Pawn], file), 0x02);
        EXPECT_EQ(fileByte(Pos.pieceBits[Black | Pawn], file), 0x40);
        EXPECT_EQ(fileByte(Pos.pieceBits[Empty], file), 0x3C);
    }
    EXPECT_EQ(Pos.ply, 0);
    // Read as bytes, the bitboard is file a first: the little-endian layout of the 64-bit word.
    uint8_t bytes[8];
    std::memcpy(bytes, &Pos.pieceBits[Pawn], 8);
    for (uint8_t b : bytes) EXPECT_EQ(b, 0x02);
}

TEST(RebuildPosition, BitsCountsAndMaterialAgreeWithTheBoard) {
    setInitialBoard();
    Pos.board[31] = Empty; // no black queen
    rebuildPosition();
    EXPECT_EQ(Pos.material, 900);
    for (int32_t code = 0; code < 16; ++code) {
        int32_t count = 0;
        for (int32_t s = 0; s < 64; ++s) {
            const bool set = (Pos.pieceBits[code] >> s) & 1;
            EXPECT_EQ(set, Pos.board[s] == code);
            count += Pos.board[s] == code;
        }
        EXPECT_EQ(Pos.pieceCount[code], count);
    }
}

TEST(RebuildPosition, MissingAndDoubledKings) {
    std::memset(Pos.board, 0, sizeof Pos.board);
    Pos.board[12] = King;
    Pos.board[50] = King;
    rebuildPosition();
    EXPECT_EQ(Pos.whiteKing, 50); // the king on the higher square is recorded
    EXPECT_EQ(Pos.blackKing, 0);  // no black king
}
