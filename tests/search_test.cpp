// Whole searches through the built module, driven by the test host and its fake clock.
#include "host/chess/game_record.h"
#include "host/test_host/test_host.h"
#include "interface/host_records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

using namespace HostRecord;

const std::string Initial(chess::InitialFen);

class Search : public ::testing::Test {
protected:
    void SetUp() override {
        TestHost::clock.reset(1000);
        ASSERT_EQ(host.initialise(), 0);
        // Whatever the host left in the best-move record, a report rewrites its fields.
        writeU32(host.best(), BestMove::ReportWord, 0xEEEEEEEE);
        writeU16(host.best(), BestMove::LineLength, 0xEEEE);
    }

    // The notifications after 341, split by iteration: [0] holds depth 1's 344 and what follows it.
    std::vector<std::vector<Notification>> iterations() const {
        std::vector<std::vector<Notification>> split;
        for (const Notification& n : host.notifications) {
            if (n.code == 344) split.emplace_back();
            if (n.code != 341) split.back().push_back(n);
        }
        return split;
    }

    std::vector<int32_t> depthsStarted() const {
        std::vector<int32_t> depths;
        for (const Notification& n : host.received(344)) depths.push_back(n.depth);
        return depths;
    }

    TestHost host;
};

std::vector<int32_t> oneTo(int32_t n) {
    std::vector<int32_t> v(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) v[size_t(i)] = i + 1;
    return v;
}

HostMoveBytes bytesOf(const chess::Move& m) { return {m.from, m.to, m.flags, m.promotion}; }

bool byBytes(const HostMoveBytes& a, const HostMoveBytes& b) {
    return std::tie(a.from, a.to, a.flags, a.promotion) < std::tie(b.from, b.to, b.flags, b.promotion);
}

} // namespace

TEST_F(Search, NotificationOrderOfAShortSearch) {
    const std::string fen = "4k3/8/8/8/8/8/3PP3/4K3 w - - 0 1";
    const size_t legal = chess::Board::fromFen(fen).legalMoves().size();
    host.setGame(fen);
    host.setFixedDepth(6);
    host.think();

    ASSERT_FALSE(host.notifications.empty());
    EXPECT_EQ(host.notifications.front().code, 341);
    EXPECT_EQ(host.received(341).size(), 1u);
    EXPECT_EQ(depthsStarted(), oneTo(6));

    const auto split = iterations();
    std::vector<HostMoveBytes> previousOrder;
    HostMoveBytes previousBest;
    for (size_t i = 0; i < split.size(); ++i) {
        const int32_t d = int32_t(i) + 1;
        const std::vector<Notification>& it = split[i];
        SCOPED_TRACE(::testing::Message() << "depth " << d);
        EXPECT_EQ(it.front().depthWord2, 0);
        std::vector<HostMoveBytes> order;
        std::vector<int32_t> numbers;
        for (size_t k = 1; k < it.size(); ++k) {
            const Notification& n = it[k];
            if (n.code == 342) {
                order.push_back(n.rootMove);
                numbers.push_back(n.rootMoveNumber);
                EXPECT_EQ(n.rootMoveCount, int32_t(legal));
            } else {
                ASSERT_EQ(n.code, 340);
                EXPECT_EQ(n.reportWord, 65553u);
                EXPECT_EQ(n.lineLength, 1);
                EXPECT_EQ(n.elapsedSeconds, 0u);
                // From depth 4 a new best is reported right after its own announcement.
                if (d >= 4) {
                    EXPECT_EQ(n.line, it[k - 1].rootMove);
                }
            }
        }
        const std::vector<Notification> bests = [&] {
            std::vector<Notification> b;
            for (const Notification& n : it)
                if (n.code == 340) b.push_back(n);
            return b;
        }();
        ASSERT_FALSE(bests.empty());
        if (d <= 3) EXPECT_TRUE(order.empty()); // under 500 ms nothing is announced before depth 4
        else EXPECT_EQ(numbers, oneTo(int32_t(legal)));
        if (d <= 2) {
            EXPECT_EQ(bests.size(), 1u); // reported once, at the end of the iteration
            EXPECT_EQ(it.back().code, 340);
        }
        // The best move of an iteration leads the next one.
        if (d == 3) {
            EXPECT_EQ(bests.front().line, previousBest);
        }
        if (d >= 5) {
            std::vector<HostMoveBytes> expected = previousOrder;
            const auto best = std::find(expected.begin(), expected.end(), previousBest);
            ASSERT_NE(best, expected.end());
            std::rotate(expected.begin(), best, best + 1);
            EXPECT_EQ(order, expected);
        }
        previousOrder = order;
        previousBest = bests.back().line;
    }
}

TEST_F(Search, MateScoresAndTheSearchGoingOnToDepthFour) {
    struct Case {
        const char* fen;
        const char* bestMove;
        int32_t mateValue;
    };
    const Case cases[] = {
        {"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", "a1a8", 1},  // the engine mates with its move
        {"k7/8/1K6/8/8/8/8/7R b - - 0 1", "a8b8", -1},      // the engine is mated on the next move
        {"7k/8/6K1/8/8/8/8/1R6 w - - 0 1", "b1b8", 1},
    };
    for (const Case& c : cases) {
        host.notifications.clear();
        host.setGame(c.fen);
        host.setFixedDepth(9);
        host.think();
        SCOPED_TRACE(c.fen);
        EXPECT_EQ(depthsStarted(), oneTo(4));
        const std::vector<Notification> bests = host.received(340);
        ASSERT_FALSE(bests.empty());
        EXPECT_EQ(moveText(bests.back().line), c.bestMove);
        EXPECT_EQ(bests.back().scoreKind, 2);
        EXPECT_EQ(bests.back().scoreValue, c.mateValue);
    }
}

TEST_F(Search, NoLegalMoveGetsTheStartNotificationOnly) {
    for (const char* fen : {"R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1", "k7/8/1Q6/8/8/8/8/7K b - - 0 1"}) {
        host.notifications.clear();
        host.setGame(fen);
        host.setFixedDepth(5);
        host.think();
        ASSERT_EQ(host.notifications.size(), 1u) << fen;
        EXPECT_EQ(host.notifications[0].code, 341);
    }
}

TEST_F(Search, DepthZeroStartsNoIteration) {
    host.setGame(Initial);
    host.setFixedDepth(0);
    host.think();
    ASSERT_EQ(host.notifications.size(), 1u);
}

TEST_F(Search, GameMovesReachTheEngineWithTheirFlags) {
    struct Game {
        const char* fen;
        std::vector<std::string> moves;
    };
    const Game games[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", {"e2e4", "c7c5", "e4e5", "d7d5"}},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", {"a2a3", "e7e5", "a3a4", "e5e4", "d2d4"}},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
         {"e2e4", "e7e5", "g1f3", "g8f6", "f1c4", "f8c5", "e1g1", "e8g8"}},
        {"r3k2r/pppq1ppp/2n2n2/4p3/4P3/2N2N2/PPPQ1PPP/R3K2R w KQkq - 0 1", {}},
        {"r3k2r/pppq1ppp/2n2n2/4p3/4P3/2N2N2/PPPQ1PPP/R3K2R w KQkq - 0 1", {"e1c1"}},
        {"n2bk3/1P6/8/8/8/8/6p1/4K2R w K - 0 1", {"b7a8q", "g2h1n"}},
    };
    // A clock that moves 600 ms at every read announces every root move from depth 1.
    for (const Game& g : games) {
        host.notifications.clear();
        host.setGame(g.fen, g.moves);
        host.setFixedDepth(1);
        TestHost::clock.stepPerRead = 600;
        host.think();
        TestHost::clock.stepPerRead = 0;
        std::vector<HostMoveBytes> announced;
        for (const Notification& n : host.received(342)) announced.push_back(n.rootMove);
        std::vector<HostMoveBytes> legal;
        for (const chess::Move& m : chess::playGame(g.fen, g.moves).current.legalMoves()) legal.push_back(bytesOf(m));
        std::sort(announced.begin(), announced.end(), byBytes);
        std::sort(legal.begin(), legal.end(), byBytes);
        EXPECT_EQ(announced, legal) << g.fen << " after " << g.moves.size() << " moves";
    }
}

namespace {

// A clock game of 75 s for 10 moves: target 7500 ms (a third is 2500), hard limit 22500 (half 11250).
void setClockOfSeventyFiveSeconds(TestHost& host) { host.setClock(75, 0, 10); }

} // namespace

TEST_F(Search, AThirdOfTheTargetEndsTheDeepening) {
    host.setGame(Initial);
    setClockOfSeventyFiveSeconds(host);
    TestHost::clock.stepOnNotification[344] = 1000;
    host.think();
    EXPECT_EQ(depthsStarted(), oneTo(3)); // 3000 ms > 2500 after depth 3
    // Depth 3 is searched to its end: past 500 ms every root move is announced.
    EXPECT_EQ(host.received(342).back().rootMoveNumber, 20);
}

TEST_F(Search, HalfTheHardLimitEndsTheIteration) {
    host.setGame(Initial);
    setClockOfSeventyFiveSeconds(host);
    host.onNotification = [](const Notification& n) {
        if (n.code == 344 && n.depth == 2) TestHost::clock.now += 12000;
    };
    host.think();
    EXPECT_EQ(depthsStarted(), oneTo(2));
    const auto depthTwo = iterations().at(1);
    // One root move searched, announced and reported; then the iteration ends.
    ASSERT_EQ(depthTwo.size(), 3u);
    EXPECT_EQ(depthTwo[1].code, 342);
    EXPECT_EQ(depthTwo[1].rootMoveNumber, 1);
    EXPECT_EQ(depthTwo[2].code, 340);
    EXPECT_EQ(depthTwo[2].line, depthTwo[1].rootMove);
    EXPECT_EQ(depthTwo[2].elapsedSeconds, 12u);
}

namespace {

// The hard deadline passes inside the tree of the second root move at depth 4: the nodes stop the
// search and nothing more is reported.
// A fresh engine, so that no history from an earlier search changes the tree.
void restart(TestHost& host) {
    host.eng().eng2();
    host.initialise();
}

std::vector<std::string> deadlineScenario(TestHost& host, uint32_t startTick) {
    restart(host);
    TestHost::clock.reset(startTick);
    host.notifications.clear();
    host.setGame(Initial);
    setClockOfSeventyFiveSeconds(host);
    host.onNotification = [](const Notification& n) {
        if (n.code == 342 && n.rootMoveNumber == 2) TestHost::clock.now += 22501;
    };
    host.think();
    host.onNotification = nullptr;
    return host.transcript();
}

} // namespace

TEST_F(Search, HardDeadlineStopsInsideTheTree) {
    const std::vector<std::string> lines = deadlineScenario(host, 1000);
    EXPECT_EQ(depthsStarted(), oneTo(4));
    const Notification& last = host.notifications.back();
    EXPECT_EQ(last.code, 342);
    EXPECT_EQ(last.rootMoveNumber, 2);
    EXPECT_EQ(host.eng().eng4(), 0);
    // The next search starts with the stop cleared.
    host.notifications.clear();
    TestHost::clock.reset(1000);
    host.setFixedDepth(2);
    host.think();
    EXPECT_EQ(depthsStarted(), oneTo(2));
}

// The tick counter wraps every 49.7 days; a search must not notice where it started.
TEST_F(Search, TickCounterWrapChangesNothing) {
    const std::vector<std::string> reference = deadlineScenario(host, 1000);
    EXPECT_EQ(deadlineScenario(host, 0xFFFFFF00u), reference);
    EXPECT_EQ(deadlineScenario(host, 0x80000001u), reference);

    auto fixedDepth = [&](uint32_t startTick) {
        restart(host);
        TestHost::clock.reset(startTick);
        TestHost::clock.stepPerRead = 1;
        host.notifications.clear();
        host.setGame(Initial);
        host.setFixedDepth(4);
        host.think();
        return host.transcript();
    };
    const std::vector<std::string> fixed = fixedDepth(1000);
    EXPECT_FALSE(host.received(340).empty());
    EXPECT_EQ(fixedDepth(0xFFFFFF00u), fixed);
    EXPECT_EQ(fixedDepth(0x80000001u), fixed);
}

// Negative clock fields give a negative budget; it allows no time instead of unlimited time.
TEST_F(Search, NegativeBudgetAllowsNoTime) {
    host.setGame(Initial);
    host.setClock(-10, 0, 5);
    TestHost::clock.stepPerRead = 1;
    host.think();
    const std::vector<std::string> expected = {"341 start", "344 depth 1 word2 0"};
    EXPECT_EQ(host.transcript(), expected);
}

TEST_F(Search, StopBeforeThinkingIsForgotten) {
    host.setGame(Initial);
    host.setFixedDepth(3);
    host.think();
    const std::vector<std::string> full = host.transcript();
    host.notifications.clear();
    host.eng().eng3();
    host.think();
    EXPECT_EQ(host.transcript(), full);
}

TEST(SearchMisaligned, RecordsAtOddAddressesGiveTheSameSearch) {
    auto run = [](size_t misalignment) {
        TestHost::clock.reset(1000);
        TestHost host(TestHost::defaultModulePath(), misalignment);
        host.initialise();
        host.setGame("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3");
        host.setFixedDepth(4);
        host.think();
        return host.transcript();
    };
    const std::vector<std::string> aligned = run(0);
    EXPECT_GT(aligned.size(), 10u);
    EXPECT_EQ(run(1), aligned);
    EXPECT_EQ(run(3), aligned);
}

// White king a1 against three black kings: the material alone puts every root value below -MateValue,
// so no value ever beats the starting best score. The first move searched must still be the best.
TEST_F(Search, ImpossibleBoardBeyondTheMateRangeReportsARootMove) {
    const std::vector<HostMoveBytes> rootMoves = {{0, 1, 0, 0}, {0, 8, 0, 0}, {0, 9, 0, 0}};
    for (const int16_t depth : {1, 3}) {
        host.notifications.clear();
        uint8_t* game = host.game();
        std::memset(game, 0, size_t(Game::MinimumLength));
        game[Game::StartBoard + 0] = 1;                                       // a1: white king
        for (const int square : {40, 48, 56}) game[Game::StartBoard + square] = 9; // f1, g1, h1: black kings
        host.setFixedDepth(depth);
        host.think();
        const std::vector<Notification> bests = host.received(340);
        ASSERT_FALSE(bests.empty()) << "depth " << depth;
        for (const Notification& n : bests)
            EXPECT_NE(std::find(rootMoves.begin(), rootMoves.end(), n.line), rootMoves.end())
                << "depth " << depth << ": " << int(n.line.from) << "-" << int(n.line.to);
    }
}
