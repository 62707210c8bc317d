// The move generator's lists: which moves, in which order, with which flags and ordering scores.
#include "movegen/attacks.h"
#include "movegen/generator.h"
#include "movegen/ordering.h"
#include "support/move_list.h"
#include "support/test_position.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

struct Entry {
    const char* move;
    uint8_t flags;
    int32_t score;
};

std::string describe(const char* name, uint8_t flags, int32_t score) {
    char text[48];
    std::snprintf(text, sizeof text, "%s flags %02X score %d", name, flags, score);
    return text;
}

std::vector<std::string> described(const std::vector<Move>& moves) {
    std::vector<std::string> lines;
    for (const Move& move : moves) lines.push_back(describe(moveName(move).c_str(), move.flags, move.score));
    return lines;
}

std::vector<std::string> described(const std::vector<Entry>& entries) {
    std::vector<std::string> lines;
    for (const Entry& entry : entries) lines.push_back(describe(entry.move, entry.flags, entry.score));
    return lines;
}

std::vector<Move> movesFrom(const std::vector<Move>& moves, const char* square) {
    std::vector<Move> picked;
    for (const Move& move : moves)
        if (move.from == sq(square)) picked.push_back(move);
    return picked;
}

const char* const Initial = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

} // namespace

TEST(GenerateMoves, ListsInScanOrderWithFlagsAndScores) {
    const struct {
        const char* what;
        const char* fen;
        std::vector<Entry> list;
    } cases[] = {
        {"initial position",
         Initial,
         {{"a2a4", 0x20, 0}, {"a2a3", 0, 0}, {"b1a3", 0, 0}, {"b1c3", 0, 0}, {"b2b4", 0x20, 0},
          {"b2b3", 0, 0},    {"c2c4", 0x20, 0}, {"c2c3", 0, 0}, {"d2d4", 0x20, 0}, {"d2d3", 0, 0},
          {"e2e4", 0x20, 0}, {"e2e3", 0, 0},    {"f2f4", 0x20, 0}, {"f2f3", 0, 0}, {"g1f3", 0, 0},
          {"g1h3", 0, 0},    {"g2g4", 0x20, 0}, {"g2g3", 0, 0},    {"h2h4", 0x20, 0}, {"h2h3", 0, 0}}},
        {"castling, quiet and capturing promotions, rook rays",
         "k4n1r/6P1/8/8/8/8/8/4K2R w K - 0 1",
         {{"e1d1", 0, 0},       {"e1d2", 0, 0},       {"e1e2", 0, 0},       {"e1f1", 0, 0},
          {"e1f2", 0, 0},       {"e1g1", 0x02, 0},    {"g7g8q", 0x40, 1700}, {"g7g8r", 0x40, 1300},
          {"g7g8b", 0x40, 1100}, {"g7g8n", 0x40, 1100}, {"g7f8q", 0xC0, 2000}, {"g7f8r", 0xC0, 1600},
          {"g7f8b", 0xC0, 1400}, {"g7f8n", 0xC0, 1400}, {"g7h8q", 0xC0, 2200}, {"g7h8r", 0xC0, 1800},
          {"g7h8b", 0xC0, 1600}, {"g7h8n", 0xC0, 1600}, {"h1g1", 0, 0},       {"h1f1", 0, 0},
          {"h1h2", 0, 0},       {"h1h3", 0, 0},       {"h1h4", 0, 0},       {"h1h5", 0, 0},
          {"h1h6", 0, 0},       {"h1h7", 0, 0},       {"h1h8", 0x80, 900}}},
        {"en passant only towards the file of the double push",
         "4k3/8/8/pPp5/8/8/8/4K3 w - a6 0 1",
         {{"b5b6", 0, 0}, {"b5a6", 0x10, 900}, {"e1d1", 0, 0}, {"e1d2", 0, 0}, {"e1e2", 0, 0}, {"e1f1", 0, 0},
          {"e1f2", 0, 0}}},
        {"black: captures scored by victim and mover, en passant from both sides",
         "4k3/3P4/8/8/3pPp2/2Q3N1/8/4K3 b - e3 0 1",
         {{"d4d3", 0, 0}, {"d4c3", 0x80, 1700}, {"d4e3", 0x10, 900}, {"e8d7", 0x80, -19000}, {"e8d8", 0, 0},
          {"e8e7", 0, 0}, {"e8f7", 0, 0}, {"e8f8", 0, 0}, {"f4f3", 0, 0}, {"f4g3", 0x80, 1100},
          {"f4e3", 0x10, 900}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        loadFen(c.fen);
        EXPECT_EQ(described(generatedMoves()), described(c.list));
    }
}

TEST(GenerateMoves, BlackScansFromA1Too) {
    loadFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1");
    std::vector<Move> list = generatedMoves();
    ASSERT_EQ(list.size(), 20u);
    list.resize(7);
    EXPECT_EQ(described(list), described({{"a7a5", 0x20, 0},
                                          {"a7a6", 0, 0},
                                          {"b7b5", 0x20, 0},
                                          {"b7b6", 0, 0},
                                          {"b8a6", 0, 0},
                                          {"b8c6", 0, 0},
                                          {"c7c5", 0x20, 0}}));
}

TEST(GenerateMoves, PawnMovesAtThePromotionRankAndTheBoardEdge) {
    const struct {
        const char* what;
        const char* fen;
        const char* from;
        std::vector<Entry> list;
    } cases[] = {
        {"white: quiet promotions, then captures towards a, then towards h",
         "3r1r2/4P3/8/8/8/8/8/k3K3 w - - 0 1",
         "e7",
         {{"e7e8q", 0x40, 1700}, {"e7e8r", 0x40, 1300}, {"e7e8b", 0x40, 1100}, {"e7e8n", 0x40, 1100},
          {"e7d8q", 0xC0, 2200}, {"e7d8r", 0xC0, 1800}, {"e7d8b", 0xC0, 1600}, {"e7d8n", 0xC0, 1600},
          {"e7f8q", 0xC0, 2200}, {"e7f8r", 0xC0, 1800}, {"e7f8b", 0xC0, 1600}, {"e7f8n", 0xC0, 1600}}},
        {"black: the same order",
         "k3K3/8/8/8/8/8/4p3/3R1R2 b - - 0 1",
         "e2",
         {{"e2e1q", 0x40, 1700}, {"e2e1r", 0x40, 1300}, {"e2e1b", 0x40, 1100}, {"e2e1n", 0x40, 1100},
          {"e2d1q", 0xC0, 2200}, {"e2d1r", 0xC0, 1800}, {"e2d1b", 0xC0, 1600}, {"e2d1n", 0xC0, 1600},
          {"e2f1q", 0xC0, 2200}, {"e2f1r", 0xC0, 1800}, {"e2f1b", 0xC0, 1600}, {"e2f1n", 0xC0, 1600}}},
        {"blocked promotion: captures only", "2nrn3/3P4/8/8/8/8/8/k3K3 w - - 0 1", "d7",
         {{"d7c8q", 0xC0, 2000}, {"d7c8r", 0xC0, 1600}, {"d7c8b", 0xC0, 1400}, {"d7c8n", 0xC0, 1400},
          {"d7e8q", 0xC0, 2000}, {"d7e8r", 0xC0, 1600}, {"d7e8b", 0xC0, 1400}, {"d7e8n", 0xC0, 1400}}},
        {"white a-pawn captures only towards b", "4k3/8/8/1p4p1/P6P/8/8/4K3 w - - 0 1", "a4",
         {{"a4a5", 0, 0}, {"a4b5", 0x80, 900}}},
        {"white h-pawn captures only towards g", "4k3/8/8/1p4p1/P6P/8/8/4K3 w - - 0 1", "h4",
         {{"h4h5", 0, 0}, {"h4g5", 0x80, 900}}},
        {"black a-pawn captures only towards b", "4k3/8/8/p6p/1P4P1/8/8/4K3 b - - 0 1", "a5",
         {{"a5a4", 0, 0}, {"a5b4", 0x80, 900}}},
        {"black h-pawn captures only towards g", "4k3/8/8/p6p/1P4P1/8/8/4K3 b - - 0 1", "h5",
         {{"h5h4", 0, 0}, {"h5g4", 0x80, 900}}},
        {"double push blocked on the far square", "4k3/8/8/8/4n3/8/4P3/4K3 w - - 0 1", "e2", {{"e2e3", 0, 0}}},
        {"no push past a piece in front", "4k3/8/8/8/8/4n3/4P3/4K3 w - - 0 1", "e2", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        loadFen(c.fen);
        EXPECT_EQ(described(movesFrom(generatedMoves(), c.from)), described(c.list));
    }
}

TEST(GenerateMoves, CastlingOnlyWhenFullyLegal) {
    const struct {
        const char* what;
        const char* fen;
        std::vector<Entry> castles;
    } cases[] = {
        {"both white castles, king side first", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1",
         {{"e1g1", 0x02, 0}, {"e1c1", 0x01, 0}}},
        {"both black castles, king side first", "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1",
         {{"e8g8", 0x08, 0}, {"e8c8", 0x04, 0}}},
        {"in check", "4k3/4r3/8/8/8/8/8/R3K2R w KQ - 0 1", {}},
        {"black in check from a knight", "r3k2r/8/3N4/8/8/8/8/4K3 b kq - 0 1", {}},
        {"f1 attacked", "4kr2/8/8/8/8/8/8/R3K2R w KQ - 0 1", {{"e1c1", 0x01, 0}}},
        {"g1 attacked", "4k1r1/8/8/8/8/8/8/R3K2R w KQ - 0 1", {{"e1c1", 0x01, 0}}},
        {"c1 attacked", "2r1k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", {{"e1g1", 0x02, 0}}},
        {"d1 attacked", "3rk3/8/8/8/8/8/8/R3K2R w KQ - 0 1", {{"e1g1", 0x02, 0}}},
        {"f8 attacked", "r3k2r/8/8/8/8/8/8/4KR2 b kq - 0 1", {{"e8c8", 0x04, 0}}},
        {"only b1 attacked", "1r2k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", {{"e1g1", 0x02, 0}, {"e1c1", 0x01, 0}}},
        {"b1 occupied", "4k3/8/8/8/8/8/8/RN2K2R w KQ - 0 1", {{"e1g1", 0x02, 0}}},
        {"right missing", "r3k2r/8/8/8/8/8/8/R3K2R w Kkq - 0 1", {{"e1g1", 0x02, 0}}},
        {"rook gone from a1", "4k3/8/8/8/8/8/8/4K2R w KQ - 0 1", {{"e1g1", 0x02, 0}}},
        {"knights in the corners", "4k3/8/8/8/8/8/8/N3K2N w KQ - 0 1", {}},
        {"black rook gone from h8", "r3k3/8/8/8/8/8/8/4K3 b kq - 0 1", {{"e8c8", 0x04, 0}}},
        {"king off e1", "4k3/8/8/8/8/8/8/R2K3R w KQ - 0 1", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        loadFen(c.fen);
        std::vector<Move> castles;
        for (const Move& move : generatedMoves())
            if (move.flags & CastleMask) castles.push_back(move);
        EXPECT_EQ(described(castles), described(c.castles));
    }
}

TEST(GenerateMoves, KillerBonusComparesFromToAndPromotionOfTheCurrentPly) {
    const struct {
        const char* what;
        const char* fen;
        Move first, second;
        int32_t killerPly, ply;
        std::vector<std::pair<const char*, int32_t>> scores; // every other move keeps its score without bonus
    } cases[] = {
        {"first slot 1800, second 900; flags are not compared", Initial, moveOf("e2e4", 0x00), moveOf("g1f3", 0x80),
         0, 0, {{"e2e4", 1800}, {"g1f3", 900}}},
        {"a move in both slots gets 1800 only", Initial, moveOf("e2e4"), moveOf("e2e4"), 0, 0, {{"e2e4", 1800}}},
        {"the killers of another ply do not count", Initial, moveOf("e2e4"), moveOf("g1f3"), 1, 0, {}},
        {"at ply 1 the ply-1 killers count", Initial, moveOf("e2e4"), moveOf("g1f3"), 1, 1,
         {{"e2e4", 1800}, {"g1f3", 900}}},
        {"promotion pieces are told apart", "k7/6P1/8/8/8/8/8/4K3 w - - 0 1", moveOf("g7g8n"), moveOf("g7g8b"), 0, 0,
         {{"g7g8n", 1100 + 1800}, {"g7g8b", 1100 + 900}}},
        {"castling gets the bonus", "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", moveOf("e1c1"), Move{}, 0, 0,
         {{"e1c1", 1800}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        loadFen(c.fen);
        const std::vector<Move> plain = generatedMoves();
        KillerMoves[c.killerPly][0] = c.first;
        KillerMoves[c.killerPly][1] = c.second;
        Pos.ply = c.ply;
        const std::vector<Move> withKillers = generatedMoves();
        ASSERT_EQ(withKillers.size(), plain.size());
        for (size_t i = 0; i < plain.size(); ++i) {
            int32_t expected = plain[i].score;
            for (const auto& [name, score] : c.scores)
                if (moveName(plain[i]) == name) expected = score;
            EXPECT_EQ(withKillers[i].score, expected) << moveName(plain[i]);
        }
    }
}

TEST(GenerateMoves, HistoryCountIsAddedToEveryKind) {
    loadFen("k4n1r/6P1/8/8/8/8/8/4K2R w K - 0 1");
    HistoryTable[sq("e1")][sq("f1")] = 7;
    HistoryTable[sq("e1")][sq("g1")] = 255;
    HistoryTable[sq("g7")][sq("h8")] = 3;
    HistoryTable[sq("h1")][sq("h8")] = 40;
    const std::vector<std::pair<const char*, int32_t>> expected = {
        {"e1f1", 7}, {"e1g1", 255}, {"g7h8q", 2203}, {"g7h8n", 1603}, {"h1h8", 940}, {"g7g8q", 1700}};
    const std::vector<Move> list = generatedMoves();
    for (const auto& [name, score] : expected) {
        int32_t found = 0;
        for (const Move& move : list)
            if (moveName(move) == name) {
                EXPECT_EQ(move.score, score) << name;
                ++found;
            }
        EXPECT_EQ(found, 1) << name;
    }
}

TEST(GenerateMoves, AppendsAboveTheListsBelowAndStopsAtAFullStack) {
    loadFen(Initial);
    const std::vector<Move> fromEmpty = generatedMoves();

    const Move sentinel{1, 2, 3, 4, 5};
    MoveStack[9] = sentinel;
    MoveCount = 10;
    generateMoves();
    EXPECT_EQ(MoveCount, 30);
    EXPECT_EQ(std::memcmp(&MoveStack[9], &sentinel, sizeof sentinel), 0);
    EXPECT_EQ(std::memcmp(&MoveStack[10], fromEmpty.data(), 20 * sizeof(Move)), 0);
    EXPECT_EQ(GenSquare, 64);

    // Two free entries: the first two moves are written and the rest dropped.
    MoveStack[MoveStackSize - 3] = sentinel;
    MoveCount = MoveStackSize - 2;
    generateMoves();
    EXPECT_EQ(MoveCount, MoveStackSize);
    EXPECT_EQ(std::memcmp(&MoveStack[MoveStackSize - 3], &sentinel, sizeof sentinel), 0);
    EXPECT_EQ(std::memcmp(&MoveStack[MoveStackSize - 2], fromEmpty.data(), 2 * sizeof(Move)), 0);
    EXPECT_EQ(GenSquare, 64);

    // A full stack, with castling and promotions to try: nothing is written and nothing breaks.
    loadFen("r3k2r/1P6/8/8/8/8/6p1/R3K2R w KQkq - 0 1");
    MoveCount = MoveStackSize;
    generateMoves();
    EXPECT_EQ(MoveCount, MoveStackSize);
    EXPECT_EQ(std::memcmp(&MoveStack[MoveStackSize - 2], fromEmpty.data(), 2 * sizeof(Move)), 0);
    MoveCount = 0;
}

namespace {

// Generation for both sides, every attack test, every through-square test and the check test on the
// current board, and a make/unmake round trip of every generated move; all stay on the board.
void exerciseEverything(const char* what) {
    SCOPED_TRACE(what);
    for (Side side : {White, Black}) {
        Pos.sideToMove = side;
        generateMoves();
        for (int32_t i = 0; i < MoveCount; ++i) {
            EXPECT_LT(MoveStack[i].to, 64) << moveName(MoveStack[i]);
            EXPECT_EQ(roundTripFault(i), "");
        }
        MoveCount = 0;
        for (int32_t s = 0; s < 64; ++s) {
            (void)isSquareAttacked(s, side);
            for (int32_t x = 0; x < 64; ++x) (void)attackThroughSquare(x, s, side);
        }
        (void)kingInCheck(side == White ? Pos.blackKing : Pos.whiteKing, side);
    }
}

} // namespace

TEST(GenerateMovesOnMadeUpBoards, PawnsOnTheirOwnLastRankHaveNoMoves) {
    // White pawns on rank 8 and black pawns on rank 1, corners included; a literal push would leave the board.
    loadFen("P2P3P/8/8/8/3K4/8/3k4/p2p3p w - - 0 1");
    for (Side side : {White, Black}) {
        Pos.sideToMove = side;
        for (const Move& move : generatedMoves())
            EXPECT_EQ(Pos.board[move.from] & 7, King) << moveName(move);
    }
    exerciseEverything("pawns on their last rank");
}

TEST(GenerateMovesOnMadeUpBoards, CodesThatAreNoPiecesNeitherMoveNorBreakAnything) {
    loadFen("r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w KQkq - 0 1");
    const PieceCode codes[] = {7, 8, 15};
    for (int32_t i = 0; i < 12; ++i) Pos.board[16 + 8 * (i % 4) + 2 + i / 4] = codes[i % 3]; // files c to f, ranks 3 to 5
    Pos.board[sq("b1")] = 8;
    Pos.board[sq("g8")] = 7;
    rebuildPosition();
    for (Side side : {White, Black}) {
        Pos.sideToMove = side;
        for (const Move& move : generatedMoves()) {
            const PieceCode code = Pos.board[move.from];
            EXPECT_TRUE(code != 7 && code != 8 && code != 15) << moveName(move);
        }
    }
    exerciseEverything("codes 7, 8 and 15 on the board");
}
