// Attack and check tests and the legality filter of the root list.
#include "board/make_move.h"
#include "movegen/attacks.h"
#include "support/move_list.h"
#include "support/test_position.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>

namespace {

// Attack by coordinates, independent of the edge bits and step tables the engine walks.
bool attackedByCoordinates(int32_t square, Side attacker) {
    const int32_t file = square >> 3, rank = square & 7;
    auto codeAt = [](int32_t f, int32_t r) { return f < 0 || f > 7 || r < 0 || r > 7 ? -1 : int32_t(Pos.board[f * 8 + r]); };
    const int32_t pawnRank = attacker == White ? rank - 1 : rank + 1;
    if (codeAt(file - 1, pawnRank) == (attacker | Pawn) || codeAt(file + 1, pawnRank) == (attacker | Pawn)) return true;
    const int32_t jumps[8][2] = {{1, 2}, {2, 1}, {2, -1}, {1, -2}, {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};
    for (const auto& j : jumps)
        if (codeAt(file + j[0], rank + j[1]) == (attacker | Knight)) return true;
    for (int32_t df = -1; df <= 1; ++df)
        for (int32_t dr = -1; dr <= 1; ++dr) {
            if (df == 0 && dr == 0) continue;
            if (codeAt(file + df, rank + dr) == (attacker | King)) return true;
            const PieceCode slider = PieceCode(attacker | (df != 0 && dr != 0 ? Bishop : Rook));
            int32_t f = file + df, r = rank + dr;
            while (codeAt(f, r) == Empty) f += df, r += dr;
            if (codeAt(f, r) == slider || codeAt(f, r) == (attacker | Queen)) return true;
        }
    return false;
}

// "" when isSquareAttacked agrees with the coordinate test on every square for both attackers. A square
// holding the attacker's own king is skipped: no caller asks about it, and the king shortcut answers for
// the other king there.
std::string attackMismatch() {
    for (Side attacker : {White, Black})
        for (int32_t s = 0; s < 64; ++s) {
            if (Pos.board[s] == (attacker | King)) continue;
            if (isSquareAttacked(s, attacker) != int32_t(attackedByCoordinates(s, attacker)))
                return squareName(s) + " by side " + std::to_string(attacker);
        }
    return "";
}

const char* const Kiwipete = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

// Tactical positions: discovered checks, checks by promotion and en passant, pins along ranks and
// diagonals; and a count of their legal tree to the depth walked (0 where no published figure is used).
const struct {
    const char* fen;
    int32_t depth;
    uint64_t leaves;
} TacticalTrees[] = {
    {Kiwipete, 3, 97862},
    {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 4, 43238},
    {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 3, 62379},
    {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 3, 9467},
    // e5xd6 en passant opens the fifth rank from the rook on h5 to the king on a5.
    {"8/8/8/k2pP2R/8/8/8/4K3 w - d6 0 1", 4, 0},
    // Rooks and bishops behind pieces on the king's lines, and pawns that promote with check.
    {"3k4/1P3P2/8/2B5/8/8/1p3p2/R2K2R1 w - - 0 1", 3, 0},
};

} // namespace

TEST(IsSquareAttacked, AgreesWithCoordinatesOnEverySquare) {
    for (const auto& tree : TacticalTrees) {
        SCOPED_TRACE(tree.fen);
        loadFen(tree.fen);
        ASSERT_EQ(attackMismatch(), "");
        generateMoves();
        for (int32_t i = 0; i < MoveCount; ++i) {
            Pos.plies[0].moveIndex = i;
            makeMove(MoveStack[i]);
            EXPECT_EQ(attackMismatch(), "") << "after " << moveName(MoveStack[i]);
            unmakeMove(MoveStack[i]);
        }
        MoveCount = 0;
    }
}

TEST(IsSquareAttacked, Specifics) {
    const struct {
        const char* what;
        const char* fen;
        const char* square;
        Side attacker;
        int32_t expected;
        PieceCode uncounted; // a code whose count is set to 0 before asking, or 0
    } cases[] = {
        {"a king next to the other king", "8/8/8/8/8/8/1k6/K7 w - - 0 1", "a1", Black, 1, 0},
        {"kings a knight's jump apart", "8/8/8/8/8/1k6/8/K7 w - - 0 1", "a1", Black, 0, 0},
        {"an empty square next to the attacker's king", "8/8/8/8/8/8/1k6/K7 w - - 0 1", "c1", Black, 1, 0},
        {"queen a8 reaches b8 and a2", "Q7/8/8/5k2/8/3K4/8/8 w - - 0 1", "b8", White, 1, 0},
        {"queen a8 does not wrap to b1", "Q7/8/8/5k2/8/3K4/8/8 w - - 0 1", "b1", White, 0, 0},
        {"rook h1 does not wrap to g8", "8/8/8/5k2/8/3K4/8/7R w - - 0 1", "g8", White, 0, 0},
        {"white pawn d4 attacks c5", "K7/8/8/5k2/3P4/8/8/8 w - - 0 1", "c5", White, 1, 0},
        {"white pawn d4 attacks e5", "K7/8/8/5k2/3P4/8/8/8 w - - 0 1", "e5", White, 1, 0},
        {"white pawn d4 not straight ahead", "K7/8/8/5k2/3P4/8/8/8 w - - 0 1", "d5", White, 0, 0},
        {"white pawn d4 not backwards", "K7/8/8/5k2/3P4/8/8/8 w - - 0 1", "c3", White, 0, 0},
        {"black pawn d5 attacks c4", "7k/8/8/3p4/8/8/1K6/8 w - - 0 1", "c4", Black, 1, 0},
        {"black pawn d5 attacks e4", "7k/8/8/3p4/8/8/1K6/8 w - - 0 1", "e4", Black, 1, 0},
        {"black pawn d5 not straight ahead", "7k/8/8/3p4/8/8/1K6/8 w - - 0 1", "d4", Black, 0, 0},
        {"black pawn d5 not backwards", "7k/8/8/3p4/8/8/1K6/8 w - - 0 1", "e6", Black, 0, 0},
        // Each family is skipped when its count says it is absent: the counts must be exact.
        {"knight counted", "8/8/8/5k2/8/5N2/1K6/8 w - - 0 1", "e5", White, 1, 0},
        {"knight not counted", "8/8/8/5k2/8/5N2/1K6/8 w - - 0 1", "e5", White, 0, Knight},
        {"bishop not counted", "7k/8/8/8/8/8/1K4b1/8 w - - 0 1", "e4", Black, 0, Black | Bishop},
        {"rook not counted", "8/8/8/5k2/8/8/1K6/4R3 w - - 0 1", "e6", White, 0, Rook},
        {"queen counts for both lines", "8/8/8/5k2/8/8/1K6/4Q3 w - - 0 1", "e6", White, 1, Rook},
        {"pawn not counted", "7k/8/8/3p4/8/8/1K6/8 w - - 0 1", "e4", Black, 0, Black | Pawn},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        loadFen(c.fen);
        if (c.uncounted != 0) Pos.pieceCount[c.uncounted] = 0;
        EXPECT_EQ(isSquareAttacked(sq(c.square), c.attacker), c.expected);
    }
}

namespace {

struct WalkStats {
    uint64_t leaves = 0;
    uint64_t checks = 0;
    uint64_t checksFromBehind = 0; // found only through the last move's from-square
    uint64_t roundTrips = 0;
    std::string fault;
};

// Walks the legal tree. Every generated move is first made and taken back on its own, and the position
// compared; at every node after a legal move the quick check test is compared with the full attack test.
void walk(int32_t depth, WalkStats& stats) {
    const int32_t base = MoveCount;
    generateMoves();
    const int32_t end = MoveCount;
    for (int32_t i = base; i < end && stats.fault.empty(); ++i) {
        const Move& move = MoveStack[i];
        stats.fault = roundTripFault(i);
        stats.roundTrips += 1;
        Pos.plies[Pos.ply].moveIndex = i;
        makeMove(move);
        const Side mover = Pos.sideToMove ^ 8;
        if (!isSquareAttacked(mover == White ? Pos.whiteKing : Pos.blackKing, Pos.sideToMove)) {
            const int32_t king = Pos.sideToMove == White ? Pos.whiteKing : Pos.blackKing;
            const int32_t quick = kingInCheck(king, mover);
            const int32_t full = isSquareAttacked(king, mover);
            if (quick != full && stats.fault.empty())
                stats.fault = "kingInCheck " + std::to_string(quick) + " after " + moveName(move);
            if (full) {
                stats.checks += 1;
                if ((move.flags & FullCheckTestMask) == 0 && !attackThroughSquare(move.to, king, mover))
                    stats.checksFromBehind += 1;
            }
            if (depth <= 1) stats.leaves += 1;
            else walk(depth - 1, stats);
        }
        unmakeMove(move);
    }
    MoveCount = base;
}

} // namespace

TEST(KingInCheck, QuickTestAgreesWithTheFullTestThroughoutTacticalTrees) {
    WalkStats total;
    for (const auto& tree : TacticalTrees) {
        SCOPED_TRACE(tree.fen);
        loadFen(tree.fen);
        EXPECT_EQ(kingInCheck(Pos.sideToMove == White ? Pos.whiteKing : Pos.blackKing, Pos.sideToMove ^ 8),
                  isSquareAttacked(Pos.sideToMove == White ? Pos.whiteKing : Pos.blackKing, Pos.sideToMove ^ 8));
        const PositionBytes root = positionBytes();
        WalkStats stats;
        walk(tree.depth, stats);
        ASSERT_EQ(stats.fault, "");
        // The records above the root ply are the walk's scratch; everything else must be as it was.
        std::memcpy(Pos.plies, root.bytes + offsetof(Position, plies), sizeof Pos.plies);
        EXPECT_EQ(differenceFrom(root), "");
        EXPECT_EQ(MoveCount, 0);
        if (tree.leaves != 0) {
            EXPECT_EQ(stats.leaves, tree.leaves);
        }
        total.checks += stats.checks;
        total.checksFromBehind += stats.checksFromBehind;
        total.roundTrips += stats.roundTrips;
    }
    // The walk must have met checks, discovered ones among them, and taken many moves back.
    EXPECT_GT(total.checks, 1000u);
    EXPECT_GT(total.checksFromBehind, 100u);
    EXPECT_GT(total.roundTrips, 100000u);
    std::printf("checks %llu, of them through the from-square %llu, round trips %llu\n",
                (unsigned long long)total.checks, (unsigned long long)total.checksFromBehind,
                (unsigned long long)total.roundTrips);
}

TEST(FilterLegalRootMoves, KeepsTheLegalMovesInOrderWithTheirScores) {
    const struct {
        const char* what;
        const char* fen;
        std::vector<const char*> legal;
    } cases[] = {
        {"a pinned rook moves only along the pin", "4k3/4r3/8/8/8/8/4R3/4K3 w - - 0 1",
         {"e1d1", "e1d2", "e1f1", "e1f2", "e2e3", "e2e4", "e2e5", "e2e6", "e2e7"}},
        {"a king never steps next to the other king", "8/8/8/8/8/3k4/8/3K4 w - - 0 1", {"d1c1", "d1e1"}},
        {"en passant may not bare the king along the rank", "8/8/8/KPp4r/8/8/8/7k w - c6 0 1",
         {"a5a4", "a5a6", "a5b6", "b5b6"}},
        {"out of check by taking the checker or stepping aside", "4k3/8/8/8/8/8/3q4/4K2R w K - 0 1",
         {"e1d2", "e1f1"}},
        {"stalemate", "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", {}},
        {"checkmate", "7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        loadFen(c.fen);
        HistoryTable[sq("e1")][sq("f1")] = 9; // a score the filter must carry along
        generateMoves();
        const std::vector<Move> generated(MoveStack, MoveStack + MoveCount);
        const PositionBytes before = positionBytes();
        filterLegalRootMoves();
        EXPECT_EQ(differenceFrom(before), "");

        std::vector<Move> expected;
        for (const Move& move : generated)
            for (const char* name : c.legal)
                if (moveName(move) == name) expected.push_back(move);
        ASSERT_EQ(expected.size(), c.legal.size()) << "a listed move was never generated";
        ASSERT_EQ(MoveCount, int32_t(expected.size()));
        for (int32_t i = 0; i < MoveCount; ++i)
            EXPECT_EQ(std::memcmp(&MoveStack[i], &expected[size_t(i)], sizeof(Move)), 0) << moveName(MoveStack[i]);
    }
}
