// The generator (its unscored perft form too), the move counter, the tactical list and the attack
// test against the straightforward reference routines at every node of many trees, and quiescence at
// a nearly full stack against the quiescence that writes every list.
#include "board/bitboards.h"
#include "board/make_move.h"
#include "eval/evaluate.h"
#include "interface/engine_state.h"
#include "movegen/attacks.h"
#include "movegen/generator.h"
#include "movegen/ordering.h"
#include "search/alpha_beta.h"
#include "search/search_state.h"
#include "support/move_list.h"
#include "support/reference_movegen.h"
#include "support/test_position.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <fstream>
#include <vector>

namespace {

// Varied history entries, most of them zero so that equal scores stay common.
void fillHistory(uint32_t seed) {
    for (auto& row : HistoryTable)
        for (uint8_t& entry : row) {
            seed = seed * 1103515245u + 12345u;
            entry = (seed >> 16) % 3 == 0 ? uint8_t(seed >> 24) : 0;
        }
}

std::vector<Move> listAt(int32_t base, void (*generate)()) {
    MoveCount = base;
    generate();
    std::vector<Move> list(MoveStack + base, MoveStack + MoveCount);
    MoveCount = base;
    return list;
}

std::string describe(const std::vector<Move>& list) {
    std::string text;
    for (const Move& move : list) text += moveName(move) + "/" + std::to_string(move.flags) + "/" + std::to_string(move.score) + " ";
    return text;
}

bool sameEntries(const std::vector<Move>& a, const std::vector<Move>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(Move)) == 0);
}

// The same moves in the same order, scores aside: perft's list leaves the score fields alone.
bool sameMoves(const std::vector<Move>& a, const std::vector<Move>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].from != b[i].from || a[i].to != b[i].to || a[i].flags != b[i].flags || a[i].promotion != b[i].promotion)
            return false;
    return true;
}

struct TreeCheck {
    std::string fen;
    int64_t nodes = 0;
    int64_t failures = 0;
    bool portableCount = false; // count with the bit-twiddling popcount even where the instruction exists

    void fail(const std::string& what) {
        if (++failures <= 5) ADD_FAILURE() << fen << " ply " << Pos.ply << ": " << what;
    }

    void checkNode() {
        ++nodes;
        const int32_t base = MoveCount;
        // Killers taken from the node's own list, so that both bonuses are given.
        const std::vector<Move> plain = listAt(base, reference::generateMoves);
        KillerMoves[Pos.ply][0] = plain.empty() ? Move{} : plain[plain.size() / 2];
        KillerMoves[Pos.ply][1] = plain.size() < 3 ? Move{} : plain[plain.size() / 3];

        const std::vector<Move> expected = listAt(base, reference::generateMoves);
        const std::vector<Move> fast = listAt(base, generateMoves);
        if (!sameEntries(fast, expected)) fail("list\n  fast " + describe(fast) + "\n  reference " + describe(expected));
        if (GenSquare != 64) fail("GenSquare left at " + std::to_string(GenSquare));
        const std::vector<Move> perftList = listAt(base, generatePerftMoves);
        if (!sameMoves(perftList, expected)) fail("perft list\n  fast " + describe(perftList) + "\n  reference " + describe(expected));
        if (GenSquare != 64) fail("GenSquare left at " + std::to_string(GenSquare) + " by the perft list");

        std::vector<Move> tactical;
        for (const Move& move : expected)
            if (move.flags & TacticalMask) tactical.push_back(move);
        const std::vector<Move> fastTactical = listAt(base, generateTacticalMoves);
        if (!sameEntries(fastTactical, tactical))
            fail("tactical\n  fast " + describe(fastTactical) + "\n  reference " + describe(tactical));

        if (countMoves() != int32_t(expected.size())) fail("count " + std::to_string(countMoves()));
        // The mobility count: the same position with only the side flipped.
        Pos.sideToMove ^= 8;
        const int32_t flipped = int32_t(listAt(base, reference::generateMoves).size());
        if (countMoves() != flipped) fail("flipped count " + std::to_string(countMoves()) + " not " + std::to_string(flipped));
        Pos.sideToMove ^= 8;

        // Near the end of the stack both drop the same moves.
        for (const int32_t room : {0, 1, 5, int32_t(expected.size()) - 1}) {
            if (room < 0) continue;
            const int32_t high = MoveStackSize - room;
            const std::vector<Move> reference = listAt(high, reference::generateMoves);
            if (!sameEntries(listAt(high, generateMoves), reference)) fail("list with room for " + std::to_string(room));
            if (!sameMoves(listAt(high, generatePerftMoves), reference))
                fail("perft list with room for " + std::to_string(room));
        }
        MoveCount = base;

        for (int32_t s = 0; s < 64; ++s)
            for (const Side side : {White, Black})
                if (isSquareAttacked(s, side) != reference::isSquareAttacked(s, side))
                    fail("attack on " + squareName(s) + " by side " + std::to_string(side));
        // The quick check test through every square, towards either king and a corner.
        for (const int32_t king : {int32_t(Pos.whiteKing), int32_t(Pos.blackKing), 0})
            for (int32_t x = 0; x < 64; ++x)
                for (const Side side : {White, Black})
                    if (attackThroughSquare(x, king, side) != reference::attackThroughSquare(x, king, side))
                        fail("attack through " + squareName(x) + " on " + squareName(king));
    }

    // Every node of the legal tree to the depth, lists kept on the move stack as the search keeps them.
    void walk(int32_t depth) {
        checkNode();
        if (depth == 0 || failures > 0) return;
        const int32_t base = MoveCount;
        reference::generateMoves();
        const int32_t end = MoveCount;
        for (int32_t i = base; i < end; ++i) {
            Pos.plies[Pos.ply].moveIndex = i;
            makeMove(MoveStack[i]);
            const int32_t moverKing = Pos.sideToMove == White ? Pos.blackKing : Pos.whiteKing;
            if (!reference::isSquareAttacked(moverKing, Pos.sideToMove)) walk(depth - 1);
            unmakeMove(MoveStack[i]);
        }
        MoveCount = base;
    }

    void run(const std::string& position, int32_t depth, uint32_t seed) {
        fen = position;
        loadFen(fen);
        if (portableCount) UsePopCountInstruction = false;
        reference::installGenerators();
        fillHistory(seed);
        walk(depth);
    }
};

std::vector<std::string> suitePositions() {
    std::vector<std::string> fens;
    std::ifstream file(PERFT_SUITE_PATH);
    std::string line;
    while (std::getline(file, line))
        if (line.find(';') != std::string::npos) fens.push_back(line.substr(0, line.find(';')));
    return fens;
}

// Each to a depth that keeps the tree to some ten thousand nodes.
const struct {
    const char* fen;
    int32_t depth;
} SpecialPositions[] = {
    // en passant on either side, with pins and a double push to come
    {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3", 2},
    {"4k3/8/8/8/pPp5/8/8/4K3 b - b3 0 1", 3},
    {"8/8/3p4/KPp4r/1R3p1k/8/4P1P1/8 w - c6 0 2", 3},
    // castling rights with attacked and blocked squares
    {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", 3},
    {"r3k2r/8/8/8/4b3/8/8/R3K2R w KQkq - 0 1", 3},
    {"rn2k2r/8/8/8/8/8/8/R3K1NR b KQkq - 0 1", 3},
    // promotions, quiet and capturing, for both sides
    {"n1n1k3/PPPP4/8/8/8/8/ppp5/4K1N1 w - - 0 1", 3},
    {"4k3/8/8/8/8/8/1p1p4/R1N1K3 b - - 0 1", 3},
    // bench middlegames and endgames
    {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 2},
    {"2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1", 2},
    {"8/8/p1p5/1p5p/1P5p/8/PPP2K1p/4R1rk w - - 0 1", 3},
};

} // namespace

TEST(FastPaths, MatchTheReferenceAtEveryNodeOfTheSuiteTrees) {
    const std::vector<std::string> fens = suitePositions();
    ASSERT_GT(fens.size(), 100u) << "perft suite not found at " << PERFT_SUITE_PATH;
    uint32_t seed = 1;
    for (const bool portable : {false, true})
        for (const std::string& fen : fens) {
            TreeCheck check;
            check.portableCount = portable;
            check.run(fen, 2, seed++);
            EXPECT_EQ(check.failures, 0) << fen << (portable ? " (portable count)" : "");
        }
}

TEST(FastPaths, MatchTheReferenceInSpecialPositions) {
    uint32_t seed = 100;
    for (const auto& position : SpecialPositions) {
        TreeCheck check;
        check.run(position.fen, position.depth, seed++);
        EXPECT_EQ(check.failures, 0) << position.fen;
    }
}

// Boards a host may make up: codes 7, 8 and 15 on the board, pawns on their last rank, two kings of a
// colour, no king at all.
TEST(FastPaths, MatchTheReferenceOnMadeUpBoards) {
    const struct {
        const char* fen;
        int32_t square;
        PieceCode code;
    } boards[] = {
        {"4k3/8/8/3p4/8/8/8/R3K2R w KQ - 0 1", 27, 7},
        {"4k3/8/8/3p4/8/8/8/R3K2R b KQ - 0 1", 27, 8},
        {"r3k2r/8/8/8/3Q4/8/8/4K3 w kq - 0 1", 28, 15},
        {"P3k3/8/8/8/8/8/8/p3K3 w - - 0 1", 0, 0},
        {"P3k3/8/8/8/8/8/8/p3K3 b - - 0 1", 0, 0},
        {"4k3/8/8/8/8/2K5/8/4K2R w K - 0 1", 0, 0},
        {"8/8/8/3q4/8/8/8/R6R w - - 0 1", 0, 0},
    };
    for (const auto& b : boards) {
        TreeCheck check;
        check.fen = b.fen;
        loadFen(b.fen);
        if (b.code != 0) {
            Pos.board[b.square] = b.code;
            rebuildPosition();
        }
        reference::installGenerators();
        fillHistory(7);
        check.walk(2);
        EXPECT_EQ(check.failures, 0) << b.fen;
    }
}

namespace {

// Quiescence as it was before the fast paths: every list written in full.
int32_t referenceQuiesce(int32_t alpha, int32_t beta) {
    SearchNodes += 1;
    const Side us = Pos.sideToMove;
    if (isSquareAttacked(us == White ? Pos.blackKing : Pos.whiteKing, us)) return MateValue - Pos.ply;
    const bool checked = kingInCheck(us == White ? Pos.whiteKing : Pos.blackKing, us ^ 8) != 0;
    const int32_t base = MoveCount;
    reference::generateMoves();
    const int32_t end = MoveCount;
    int32_t best = Pos.ply - (MateValue - 1);
    if (!checked) {
        best = evaluate(base);
        if (best > alpha) {
            if (best >= beta) {
                MoveCount = base;
                return best;
            }
            alpha = best;
        }
    }
    if (Pos.ply <= MaxSearchPly) {
        for (;;) {
            int32_t chosen = -1;
            int32_t bestScore = SearchedMark;
            for (int32_t i = base; i < end; ++i)
                if ((checked || (MoveStack[i].flags & TacticalMask)) && MoveStack[i].score > bestScore)
                    bestScore = MoveStack[i].score, chosen = i;
            if (chosen < 0) break;
            Move& entry = MoveStack[chosen];
            entry.score = SearchedMark;
            Pos.plies[Pos.ply].moveIndex = chosen;
            makeMove(entry);
            const int32_t v = -referenceQuiesce(-beta, -alpha);
            unmakeMove(entry);
            if (v > best) {
                best = v;
                if (v >= beta) {
                    if (checked) recordCutoff(entry);
                    break;
                }
                if (v > alpha) alpha = v;
            }
        }
    }
    MoveCount = base;
    return best;
}

struct QuiesceResult {
    int32_t value;
    uint64_t nodes;
    std::vector<uint8_t> tables;
};

QuiesceResult runQuiesce(const char* fen, int32_t base, int32_t (*search)(int32_t, int32_t)) {
    loadFen(fen);
    reference::installGenerators();
    fillHistory(3);
    storeFlag(EngineState.stopRequested, 0);
    searchStart = 0;
    searchTimeLimit = 0xFFFFFFFFu;
    MoveCount = base;
    const uint64_t before = SearchNodes;
    QuiesceResult result{search(-MateValue, MateValue), 0, {}};
    result.nodes = SearchNodes - before;
    const uint8_t* history = &HistoryTable[0][0];
    const uint8_t* killers = reinterpret_cast<const uint8_t*>(KillerMoves);
    result.tables.assign(history, history + sizeof HistoryTable);
    result.tables.insert(result.tables.end(), killers, killers + sizeof KillerMoves);
    return result;
}

} // namespace

// Outside check quiescence writes only its tactical moves; the stack above them must still be taken as
// the whole list would have taken it, and a list that would not have fitted must drop the same moves.
TEST(FastPaths, QuiescenceAtANearlyFullStackMatchesTheWholeListSearch) {
    const char* const fens[] = {
        "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
        "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1",
        "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
        "n1n1k3/PPPP4/8/8/8/8/ppp5/4K1N1 w - - 0 1",
    };
    for (const char* fen : fens)
        for (const int32_t room : {4000, 300, 120, 60, 41, 20, 3, 0}) {
            const QuiesceResult fast = runQuiesce(fen, MoveStackSize - room, quiesce);
            const QuiesceResult plain = runQuiesce(fen, MoveStackSize - room, referenceQuiesce);
            EXPECT_EQ(fast.value, plain.value) << fen << " room " << room;
            EXPECT_EQ(fast.nodes, plain.nodes) << fen << " room " << room;
            EXPECT_TRUE(fast.tables == plain.tables) << fen << " room " << room;
        }
}

// The 32-bit build counts with the half-word routine, which no other test here reaches.
TEST(FastPaths, PopulationCountsAgree) {
    uint64_t v = 0x9E3779B97F4A7C15ull;
    for (int32_t i = 0; i < 1000; ++i) {
        v ^= v << 13, v ^= v >> 7, v ^= v << 17;
        const uint64_t value = i < 2 ? (i == 0 ? 0 : ~uint64_t(0)) : v & (v >> (i % 64));
        const int32_t expected = std::popcount(value);
        ASSERT_EQ(popCount(value), expected) << value;
        ASSERT_EQ(popCount32(uint32_t(value)) + popCount32(uint32_t(value >> 32)), expected) << value;
        if (processorHasPopCount()) {
            ASSERT_EQ(popCountInstruction(value), expected) << value;
        }
    }
}
