// makeMove and unmakeMove: every kind of move is taken back bit for bit, and each kind changes exactly
// what it should.
#include "board/make_move.h"
#include "support/move_list.h"
#include "support/test_position.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace {

// The kind of a generated move, with the castles and the promotion pieces told apart.
std::string kindOf(const Move& move) {
    if (move.flags & CastleMask) return "castle " + std::to_string(move.flags);
    if (move.flags & FlagPromotion)
        return std::string(move.flags & FlagCapture ? "capture " : "") + "promotion " + moveName(move).substr(4);
    if (move.flags == FlagEnPassant) return "en passant";
    if (move.flags == FlagDoublePush) return "double push";
    if (move.flags == FlagCapture) return "capture";
    return "quiet";
}

} // namespace

TEST(MakeUnmake, EveryGeneratedMoveIsTakenBackBitForBit) {
    const char* fens[] = {
        // Castles both ways for either side, captures, double pushes.
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R b KQkq - 0 1",
        // Promotions with and without capture and an en-passant capture, for white and then for black.
        "r3k3/1P6/8/3pP3/8/8/8/4K3 w q d6 0 1",
        "4k3/8/8/8/4Pp2/8/1p6/R3K3 b Q e3 0 1",
    };
    std::set<std::pair<Side, std::string>> kinds;
    for (const char* fen : fens) {
        loadFen(fen);
        generateMoves();
        for (int32_t i = 0; i < MoveCount; ++i) {
            kinds.insert({Pos.sideToMove, kindOf(MoveStack[i])});
            EXPECT_EQ(roundTripFault(i), "") << fen;
        }
    }
    for (Side side : {White, Black}) {
        for (const char* kind : {"quiet", "capture", "double push", "en passant", "promotion q", "promotion r",
                                 "promotion b", "promotion n", "capture promotion q", "capture promotion r",
                                 "capture promotion b", "capture promotion n"})
            EXPECT_TRUE(kinds.count({side, kind})) << "side " << side << " never made a " << kind;
    }
    for (const auto& castle : {std::pair{White, 1}, {White, 2}, {Black, 4}, {Black, 8}})
        EXPECT_TRUE(kinds.count({castle.first, "castle " + std::to_string(castle.second)})) << castle.second;
}

namespace {

struct EffectCase {
    const char* what;
    const char* fen;
    const char* move;
    uint8_t flags;
    std::vector<std::pair<const char*, PieceCode>> squares; // the squares the move changes, and their codes after it
    int32_t materialChange;
    std::vector<std::pair<PieceCode, int32_t>> countChanges;
    int32_t castling;
    int32_t epFile;
    int32_t whiteKing;
    int32_t blackKing;
};

const char* const Corners = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";

const EffectCase EffectCases[] = {
    {"double push sets the en-passant file", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "e2e4",
     0x20, {{"e2", Empty}, {"e4", Pawn}}, 0, {{Empty, -1}}, 15, 4, 32, 39},
    {"the next move clears it", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1", "g8f6", 0x00,
     {{"g8", Empty}, {"f6", Black | Knight}}, 0, {{Empty, -1}}, 15, -1, 32, 39},
    {"en passant takes the pawn beside", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", 0x10,
     {{"e5", Empty}, {"d6", Pawn}, {"d5", Empty}}, 100, {{Empty, -1}, {Black | Pawn, -1}}, 0, -1, 32, 39},
    {"black en passant", "4k3/8/8/8/4Pp2/8/8/4K3 b - e3 0 1", "f4e3", 0x10,
     {{"f4", Empty}, {"e3", Black | Pawn}, {"e4", Empty}}, -100, {{Empty, -1}, {Pawn, -1}}, 0, -1, 32, 39},
    {"capture promotion on a rook's corner", "r3k3/1P6/8/8/8/8/8/4K2R w Kq - 0 1", "b7a8q", 0xC0,
     {{"b7", Empty}, {"a8", Queen}}, 1300, {{Pawn, -1}, {Black | Rook, -1}, {Queen, 1}}, 2, -1, 32, 39},
    {"black quiet knight promotion", "4k3/8/8/8/8/8/1p6/4K3 b - - 0 1", "b2b1n", 0x40,
     {{"b2", Empty}, {"b1", Black | Knight}}, -200, {{Empty, -1}, {Black | Pawn, -1}, {Black | Knight, 1}}, 0, -1,
     32, 39},
    {"black castles king side", "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8g8", 0x08,
     {{"e8", Empty}, {"g8", Black | King}, {"h8", Empty}, {"f8", Black | Rook}}, 0, {{Empty, -1}}, 3, -1, 32, 55},
    {"black castles queen side", "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8c8", 0x04,
     {{"e8", Empty}, {"c8", Black | King}, {"a8", Empty}, {"d8", Black | Rook}}, 0, {{Empty, -1}}, 3, -1, 32, 23},
    {"white castles queen side", Corners, "e1c1", 0x01,
     {{"e1", Empty}, {"c1", King}, {"a1", Empty}, {"d1", Rook}}, 0, {{Empty, -1}}, 12, -1, 16, 39},
    {"white castles king side", Corners, "e1g1", 0x02,
     {{"e1", Empty}, {"g1", King}, {"h1", Empty}, {"f1", Rook}}, 0, {{Empty, -1}}, 12, -1, 48, 39},
    {"a king move clears both rights", Corners, "e1f1", 0x00, {{"e1", Empty}, {"f1", King}}, 0, {{Empty, -1}}, 12,
     -1, 40, 39},
    {"a rook leaving h1 clears only the king side", Corners, "h1g1", 0x00, {{"h1", Empty}, {"g1", Rook}}, 0,
     {{Empty, -1}}, 13, -1, 32, 39},
    {"a capture on h8 clears black's king side", "r3k2r/8/8/8/8/8/1B6/R3K2R w KQkq - 0 1", "b2h8", 0x80,
     {{"b2", Empty}, {"h8", Bishop}}, 500, {{Black | Rook, -1}}, 7, -1, 32, 39},
    {"a king move without castling flag leaves the rook", Corners, "e1g1", 0x00, {{"e1", Empty}, {"g1", King}}, 0,
     {{Empty, -1}}, 12, -1, 48, 39},
};

} // namespace

TEST(MakeUnmake, EffectsOfEachKind) {
    for (const EffectCase& c : EffectCases) {
        SCOPED_TRACE(c.what);
        loadFen(c.fen);
        MoveStack[0] = moveOf(c.move, c.flags);
        const PositionBytes before = positionBytes();
        const Position start = Pos;
        Position expected = Pos;
        for (const auto& [name, code] : c.squares) expected.board[sq(name)] = code;
        for (const auto& [code, change] : c.countChanges) expected.pieceCount[code] += change;

        Pos.plies[0].moveIndex = 0;
        makeMove(MoveStack[0]);
        for (int32_t s = 0; s < 64; ++s) EXPECT_EQ(Pos.board[s], expected.board[s]) << squareName(s);
        for (int32_t code = 0; code < 16; ++code) EXPECT_EQ(Pos.pieceCount[code], expected.pieceCount[code]) << code;
        EXPECT_EQ(Pos.material, expected.material + c.materialChange);
        EXPECT_EQ(Pos.castling, c.castling);
        EXPECT_EQ(Pos.epFile, c.epFile);
        EXPECT_EQ(Pos.whiteKing, c.whiteKing);
        EXPECT_EQ(Pos.blackKing, c.blackKing);
        EXPECT_EQ(Pos.sideToMove, expected.sideToMove ^ 8);
        EXPECT_EQ(Pos.ply, 1);
        EXPECT_EQ(derivedStateMismatch(), "");
        // What unmakeMove needs: the rights and file before the move and the code taken from the destination.
        EXPECT_EQ(Pos.plies[0].savedCastling, start.castling);
        EXPECT_EQ(Pos.plies[0].savedEpFile, start.epFile);
        EXPECT_EQ(Pos.plies[0].captured, start.board[sq(c.move + 2)]);

        unmakeMove(MoveStack[0]);
        EXPECT_EQ(differenceFrom(before), "");
    }
}

// A host's game record may hold a move onto its own square: making it leaves the square empty, with the
// bitboards, counts and material agreeing with the board.
TEST(MakeUnmake, AMoveOntoItsOwnSquareEmptiesIt) {
    for (const char* move : {"e2e2", "d1d1", "e1e1"}) {
        SCOPED_TRACE(move);
        loadFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
        MoveStack[0] = moveOf(move, 0);
        Pos.plies[0].moveIndex = 0;
        makeMove(MoveStack[0]);
        EXPECT_EQ(Pos.board[sq(move)], Empty);
        EXPECT_EQ(derivedStateMismatch(), "");
    }
}
