// The evaluation: material, doubled, isolated and backward pawns, and mobility.
#include "eval/evaluate.h"
#include "support/test_position.h"

#include <gtest/gtest.h>

namespace {

// Pseudo-legal moves of one side on the current position, as the generator lists them.
int32_t movesOf(Side side) {
    const Side saved = Pos.sideToMove;
    const int32_t base = MoveCount;
    Pos.sideToMove = side;
    generateMoves();
    Pos.sideToMove = saved;
    const int32_t count = MoveCount - base;
    MoveCount = base;
    return count;
}

// Evaluates as a search node does: the side to move's list generated first.
int32_t evaluateNode() {
    const int32_t base = MoveCount;
    generateMoves();
    const int32_t score = evaluate(base);
    EXPECT_EQ(MoveCount, base + movesOf(Pos.sideToMove)); // the other side's list is thrown away
    MoveCount = base;
    return score;
}

// The pawn-structure part of the evaluation, from white's point of view.
int32_t pawnTerm() {
    const int32_t mobility = 10 * movesOf(Pos.sideToMove) - 10 * movesOf(Pos.sideToMove ^ 8);
    const int32_t forSideToMove = evaluateNode() - mobility;
    return (Pos.sideToMove == White ? forSideToMove : -forSideToMove) - Pos.material;
}

} // namespace

TEST(Evaluate, InitialPositionIsLevelForEitherSide) {
    loadFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
    EXPECT_EQ(evaluateNode(), 0);
    loadFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1");
    EXPECT_EQ(evaluateNode(), 0);
}

TEST(Evaluate, PawnStructure) {
    struct Case {
        const char* fen;
        int32_t term;
        const char* why;
    };
    const Case cases[] = {
        {"4k3/8/8/8/3P4/4P3/8/4K3 w - - 0 1", -50, "e3 backward behind d4"},
        {"4k3/8/8/8/3P1p2/4P3/8/4K3 w - - 0 1", 25, "f4 stops e3 being backward; f4 isolated"},
        {"4k3/8/4p3/3p4/8/8/8/4K3 w - - 0 1", 50, "black e6 backward behind d5"},
        {"4k3/8/8/8/8/P7/P7/4K3 w - - 0 1", -100, "a-pawns doubled and isolated"},
        {"4k3/8/8/8/8/p7/p7/4K3 b - - 0 1", 100, "black a-pawns doubled and isolated"},
        {"4k3/8/8/4p3/3P1P2/4P3/8/4K3 w - - 0 1", 25, "enemy pawn in front: e3 not backward; e5 isolated"},
        {"4k3/8/8/8/2PPP3/8/8/4K3 w - - 0 1", 0, "a chain on one rank"},
        {"4k3/8/8/8/8/2P1P3/8/4K3 w - - 0 1", -50, "c3 and e3 both isolated"},
        {"4k3/8/8/8/2P5/1P6/P7/4K3 w - - 0 1", -50, "a2 backward; b3 and c4 have a pawn behind them"},
    };
    for (const Case& c : cases) {
        loadFen(c.fen);
        EXPECT_EQ(pawnTerm(), c.term) << c.fen << " (" << c.why << ")";
    }
}

TEST(Evaluate, BackwardTestsLookOnlyAtTheirOwnConditions) {
    loadFen("4k3/8/8/8/3P4/4P3/8/4K3 w - - 0 1");
    EXPECT_EQ(isBackwardWhitePawn(34), 1); // e3
    EXPECT_EQ(isBackwardWhitePawn(27), 0); // d4
    loadFen("4k3/8/4p3/3p4/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(isBackwardBlackPawn(37), 1); // e6
    EXPECT_EQ(isBackwardBlackPawn(28), 0); // d5
}

TEST(Evaluate, MobilityCountsBothSides) {
    // White: king a1 (3 moves) and rook h1 (14); black: king h8 (3 moves, g8 and h7 and g7).
    loadFen("7k/8/8/8/8/8/8/K6R w - - 0 1");
    const int32_t own = movesOf(White), other = movesOf(Black);
    EXPECT_EQ(own, 3 + 13);
    EXPECT_EQ(other, 3);
    EXPECT_EQ(evaluateNode(), 500 + 10 * own - 10 * other);
    Pos.sideToMove = Black;
    EXPECT_EQ(evaluateNode(), -500 + 10 * other - 10 * own);
}

// Pawns on their own last rank only stand on made-up boards; evaluating them must stay on the board.
TEST(Evaluate, PawnsOnTheLastRankStayInsideTheTables) {
    for (const char* fen : {"k6P/8/8/8/8/8/8/p6K w - - 0 1", "k5PP/8/8/8/8/8/8/pp5K b - - 0 1"}) {
        loadFen(fen);
        evaluateNode();
    }
}
