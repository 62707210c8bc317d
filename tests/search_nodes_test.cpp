// The nodes below the root, run in-process on positions set up directly.
#include "board/make_move.h"
#include "eval/evaluate.h"
#include "host/chess/game_record.h"
#include "host/test_host/test_host.h"
#include "interface/engine_state.h"
#include "interface/entry_points.h"
#include "interface/host_records.h"
#include "interface/platform.h"
#include "movegen/ordering.h"
#include "search/alpha_beta.h"
#include "search/root_search.h"
#include "search/search_state.h"
#include "support/test_position.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class SearchNodes_ : public ::testing::Test {
protected:
    // A position ready for a node: tables cleared, no stop, a clock that never runs out.
    void setUpNode(const char* fen) {
        loadFen(fen);
        clearSearchTables();
        storeFlag(EngineState.stopRequested, 0);
        TestHost::clock.reset(5000);
        searchStart = GetTickCount();
        searchTimeLimit = 0xFFFFFFFFu;
    }
    void TearDown() override { storeFlag(EngineState.stopRequested, 0); }
};

constexpr int32_t Infinity = 30000;

} // namespace

TEST_F(SearchNodes_, CapturableKingScoresAWinWithoutGenerating) {
    setUpNode("4k3/8/8/8/8/8/4R3/4K3 w - - 0 1"); // white to move, black king on the rook's file
    EXPECT_EQ(alphaBeta(-Infinity, Infinity, 3), 30000);
    EXPECT_EQ(quiesce(-Infinity, Infinity), 30000);
    EXPECT_EQ(MoveCount, 0);
}

TEST_F(SearchNodes_, MateStalemateAndEvasions) {
    setUpNode("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1"); // black is checkmated
    EXPECT_EQ(alphaBeta(-Infinity, Infinity, 2), -29999);
    EXPECT_EQ(quiesce(-Infinity, Infinity), -29999); // in check, every evasion illegal
    setUpNode("k7/8/1Q6/8/8/8/8/7K b - - 0 1"); // black is stalemated
    EXPECT_EQ(alphaBeta(-Infinity, Infinity, 2), 0);
    const int32_t base = MoveCount;
    generateMoves();
    const int32_t standPat = evaluate(base);
    MoveCount = base;
    EXPECT_EQ(quiesce(-Infinity, Infinity), standPat); // no stalemate test in quiescence
    EXPECT_EQ(MoveCount, 0);
}

TEST_F(SearchNodes_, QuiescenceAtThePlyLimitSearchesNothing) {
    setUpNode("4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1");
    // Make the previous ply's move an en-passant entry, so the check test takes the full path.
    MoveStack[4000].flags = FlagEnPassant;
    Pos.plies[63].moveIndex = 4000;
    Pos.ply = 64;
    MoveCount = 10;
    const uint64_t before = ::SearchNodes;
    const int32_t base = MoveCount;
    generateMoves();
    const int32_t standPat = evaluate(base);
    MoveCount = base;
    EXPECT_EQ(quiesce(-Infinity, Infinity), standPat); // e4xd5 is there but not searched
    EXPECT_EQ(::SearchNodes - before, 1u);
    EXPECT_EQ(MoveCount, 10);

    setUpNode("4k3/8/8/8/8/8/4r3/4K3 w - - 0 1"); // white in check
    MoveStack[4000].flags = FlagEnPassant;
    Pos.plies[63].moveIndex = 4000;
    Pos.ply = 64;
    EXPECT_EQ(quiesce(-Infinity, Infinity), 64 - 29999);
}

TEST_F(SearchNodes_, QuiescenceOutsideCheckSearchesOnlyCapturesAndPromotions) {
    setUpNode("4k3/8/8/8/8/8/8/4K2R w - - 0 1");
    HistoryTable[56][63] = 255; // h1-h8 quiet, with the highest ordering score
    KillerMoves[0][0] = Move{56, 62, 0, 0, 0};
    const uint64_t before = ::SearchNodes;
    const int32_t value = quiesce(-Infinity, Infinity);
    EXPECT_EQ(::SearchNodes - before, 1u);
    const int32_t base = MoveCount;
    generateMoves();
    EXPECT_EQ(value, evaluate(base));
    MoveCount = base;
    // With beta at or below the static value the node returns it at once.
    EXPECT_EQ(quiesce(-Infinity, value), value);
}

TEST_F(SearchNodes_, Repetition) {
    setUpNode("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    struct Case {
        int32_t firstIndex;
        uint8_t thirdFlags;
        int32_t expected;
    };
    const Case cases[] = {
        {10, 0, 1},           // g1-f3, g8-f6, f3-g1, f6-g8
        {0, 0, 0},            // g1-f3 at root index 0 is indistinguishable from "no move"
        {10, FlagCapture, 0}, // a capture among the four
        {10, FlagDoublePush, 0},
        {10, CastleWhiteKingSide, 0},
    };
    for (const Case& c : cases) {
        const int32_t indexes[4] = {c.firstIndex, 20, 30, 40};
        const Move moves[4] = {{48, 42, 0, 0, 0}, {55, 45, 0, 0, 0}, {42, 48, c.thirdFlags, 0, 0}, {45, 55, 0, 0, 0}};
        for (int32_t k = 0; k < 4; ++k) {
            MoveStack[indexes[k]] = moves[k];
            Pos.plies[k].moveIndex = indexes[k];
        }
        Pos.ply = 4;
        EXPECT_EQ(isRepetition(), c.expected) << c.firstIndex << " " << int(c.thirdFlags);
        if (c.expected == 1) {
            MoveCount = 50;
            EXPECT_EQ(alphaBeta(-Infinity, Infinity, 2), 0);
            EXPECT_EQ(MoveCount, 50);
        }
        Pos.ply = 3;
        EXPECT_EQ(isRepetition(), 0); // fewer than four plies
    }
}

TEST_F(SearchNodes_, CutoffsRaiseHistoryAndKillers) {
    setUpNode("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    clearHistoryTable();
    HistoryTable[12][20] = 255;
    HistoryTable[0][1] = 7;
    HistoryTable[5][6] = 1;
    Pos.ply = 3;
    recordCutoff(Move{12, 20, 0, 0, 0});
    EXPECT_EQ(HistoryTable[12][20], 128);
    EXPECT_EQ(HistoryTable[0][1], 3);
    EXPECT_EQ(HistoryTable[5][6], 0);
    EXPECT_EQ(KillerMoves[3][0].from, 12);

    const Move queenPromotion{14, 15, FlagPromotion, Queen, 0};
    const Move knightPromotion{14, 15, FlagPromotion, Knight, 0};
    recordCutoff(queenPromotion);
    EXPECT_EQ(KillerMoves[3][0].promotion, Queen);
    EXPECT_EQ(KillerMoves[3][1].from, 12);
    recordCutoff(Move{14, 15, FlagCapture | FlagPromotion, Queen, 0}); // same killer: flags are not compared
    EXPECT_EQ(KillerMoves[3][1].from, 12);
    recordCutoff(knightPromotion); // a different killer
    EXPECT_EQ(KillerMoves[3][0].promotion, Knight);
    EXPECT_EQ(KillerMoves[3][1].promotion, Queen);
    EXPECT_EQ(HistoryTable[14][15], 3);
}

TEST_F(SearchNodes_, PassedDeadlineStopsTheFirstNodeAndUnwinds) {
    setUpNode("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3");
    const Position before = Pos;
    searchTimeLimit = 100;
    TestHost::clock.now += 101;
    EXPECT_EQ(alphaBeta(-Infinity, Infinity, 4), 0);
    EXPECT_EQ(loadFlag(EngineState.stopRequested), 1);
    EXPECT_EQ(MoveCount, 0);
    EXPECT_EQ(std::memcmp(Pos.board, before.board, 64), 0);
    EXPECT_EQ(Pos.ply, 0);
    // Once stopped, nodes answer 0 after their current move.
    EXPECT_EQ(quiesce(-Infinity, Infinity), 0);
}

// The engine library's own entry points, called in-process to look at the tables they keep.
TEST_F(SearchNodes_, HistoryLivesAcrossSearchesUntilTheEngineStartsAfresh) {
    std::vector<uint8_t> best(HostRecord::BestMove::MinimumLength), current(64), depth(64);
    chess::GameRecord record(chess::playGame("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3", {}));
    record.setTimeMode(2);
    record.setFixedDepth(3);
    Eng2();
    ASSERT_EQ(Eng1(best.data(), current.data(), depth.data(), 0, nullptr), 0);
    auto historySum = [] {
        uint64_t sum = 0;
        for (auto& row : HistoryTable)
            for (uint8_t entry : row) sum += entry;
        return sum;
    };
    Eng9(record.data());
    const uint64_t afterFirst = historySum();
    EXPECT_GT(afterFirst, 0u);
    bool killers = false;
    for (auto& pair : KillerMoves) killers = killers || pair[0].from != pair[0].to;
    EXPECT_TRUE(killers);

    EXPECT_EQ(Eng1(best.data(), current.data(), depth.data(), 0, nullptr), 1); // no effect
    EXPECT_EQ(historySum(), afterFirst);
    record.setFixedDepth(0); // a search with no iteration still clears the killers
    Eng9(record.data());
    EXPECT_EQ(historySum(), afterFirst);
    for (auto& pair : KillerMoves) EXPECT_TRUE(pair[0].from == pair[0].to && pair[1].from == pair[1].to);

    Eng2();
    ASSERT_EQ(Eng1(best.data(), current.data(), depth.data(), 0, nullptr), 0);
    EXPECT_EQ(historySum(), 0u);
    Eng2();
}
