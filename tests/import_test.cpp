// Turning the host's game record into the engine's position, including records no real host sends.
#include "board/position.h"
#include "host/chess/game_record.h"
#include "interface/host_records.h"
#include "interface/import_position.h"
#include "support/test_position.h"

#include <gtest/gtest.h>

namespace {

using namespace HostRecord;

std::vector<uint8_t> recordOf(const std::string& fen, const std::vector<std::string>& moves = {}) {
    return chess::GameRecord(chess::playGame(fen, moves)).bytes();
}

const std::string Initial(chess::InitialFen);

void expectBoardOf(const std::string& fen) {
    const chess::Board expected = chess::Board::fromFen(fen);
    for (int32_t s = 0; s < 64; ++s) EXPECT_EQ(Pos.board[s], expected.at(s)) << "square " << s;
    EXPECT_EQ(Pos.sideToMove, expected.blackToMove() ? Black : White);
    EXPECT_EQ(Pos.castling, expected.castlingRights());
    EXPECT_EQ(Pos.epFile, expected.enPassantFile());
}

} // namespace

TEST(ImportPosition, StartFieldsWithoutMoves) {
    initialiseEngineTables();
    std::vector<uint8_t> record = recordOf("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 2");
    importPosition(record.data());
    EXPECT_EQ(Pos.epFile, 3);
    EXPECT_EQ(Pos.sideToMove, White);
    record[Game::EnPassantFile] = 0;
    record[Game::BlackToMove] = 7; // any value but 0 means black
    record[Game::CastlingRights] = 0x0F;
    writeU16(record.data(), Game::GameMoveCount, uint16_t(-3)); // negative: no moves
    importPosition(record.data());
    EXPECT_EQ(Pos.epFile, -1);
    EXPECT_EQ(Pos.sideToMove, Black);
    EXPECT_EQ(Pos.castling, 0x0F);
    EXPECT_EQ(Pos.board[36], Pawn);
}

TEST(ImportPosition, ReplaysEveryKindOfMove) {
    initialiseEngineTables();
    struct Game {
        const char* fen;
        std::vector<std::string> moves;
    };
    const Game games[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", {"e2e4"}},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
         {"e2e4", "d7d5", "e4d5", "c7c5", "d5c6", "g8f6", "c6b7", "e7e6", "b7a8q", "f8e7", "g1f3", "e8g8", "f1e2",
          "b8c6", "e1g1"}},
        {"r3k2r/pppq1ppp/8/8/8/8/PPPQ1PPP/R3K2R w KQkq - 0 1", {"e1c1", "e8c8"}},
        {"4k3/8/8/8/2p5/8/3P4/4K3 w - - 0 1", {"d2d4", "c4d3", "e1f2", "d3d2"}},
        {"4k3/8/8/8/8/8/6p1/4K2R b K - 0 1", {"g2h1n", "e1d2", "h1g3"}},
    };
    for (const Game& g : games) {
        std::vector<uint8_t> record = recordOf(g.fen, g.moves);
        Pos.ply = 0;
        importPosition(record.data());
        EXPECT_EQ(Pos.ply, 0);
        expectBoardOf(chess::playGame(g.fen, g.moves).current.fen());
    }
}

TEST(ImportPosition, DoublePushAndCastlingEffects) {
    initialiseEngineTables();
    std::vector<uint8_t> record = recordOf(Initial, {"e2e4"});
    importPosition(record.data());
    EXPECT_EQ(Pos.sideToMove, Black);
    EXPECT_EQ(Pos.epFile, 4);
    EXPECT_EQ(Pos.ply, 0);

    record = recordOf("4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1", {"e1g1"});
    EXPECT_EQ(record[Game::GameMoves + 2], CastleWhiteKingSide);
    importPosition(record.data());
    EXPECT_EQ(Pos.board[40], Rook);
    EXPECT_EQ(Pos.board[56], Empty);
    EXPECT_EQ(Pos.board[48], King);
    EXPECT_EQ(Pos.castling & 0x03, 0);
}

// More than 512 moves would read past the record: only the 512 it holds are played.
TEST(ImportPosition, MoveCountAbove512IsClamped) {
    initialiseEngineTables();
    std::vector<std::string> shuffle;
    for (int i = 0; i < 128; ++i) shuffle.insert(shuffle.end(), {"g1f3", "g8f6", "f3g1", "f6g8"});
    shuffle.push_back("e2e4"); // the 513th move: the record keeps the last 512 from a later start
    std::vector<uint8_t> record = recordOf(Initial, shuffle);
    ASSERT_EQ(record.size(), size_t(Game::MinimumLength));
    writeU16(record.data(), Game::GameMoveCount, 20000);
    importPosition(record.data());
    // The replay stays inside the record and plays exactly what a count of 512 plays.
    std::vector<uint8_t> exact = record;
    writeU16(exact.data(), Game::GameMoveCount, 512);
    const Position clamped = Pos;
    importPosition(exact.data());
    EXPECT_EQ(std::memcmp(Pos.board, clamped.board, 64), 0);
    EXPECT_EQ(Pos.sideToMove, clamped.sideToMove);
}

TEST(ImportPosition, BoardBytesBeyondThePieceCodesAreEmptySquares) {
    initialiseEngineTables();
    std::vector<uint8_t> record = recordOf("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
    record[Game::StartBoard + 10] = 16;
    record[Game::StartBoard + 11] = 0xFF;
    record[Game::StartBoard + 12] = 7;
    record[Game::StartBoard + 13] = 8;
    record[Game::StartBoard + 14] = 15;
    importPosition(record.data());
    rebuildPosition();
    EXPECT_EQ(Pos.board[10], Empty);
    EXPECT_EQ(Pos.board[11], Empty);
    EXPECT_EQ(Pos.board[12], 7);
    EXPECT_EQ(Pos.board[13], 8);
    EXPECT_EQ(Pos.board[14], 15);
    EXPECT_EQ(Pos.pieceCount[Empty], 64 - 2 - 3);
}

TEST(ImportPosition, MovesOffTheBoardAreSkipped) {
    initialiseEngineTables();
    std::vector<uint8_t> record = recordOf(Initial, {"e2e4", "e7e5", "g1f3"});
    uint8_t* moves = record.data() + Game::GameMoves;
    // Second move: a destination past h8. Third: an origin past h8, with a promotion byte too.
    std::vector<uint8_t> good = recordOf(Initial, {"e2e4", "e7e5"});
    moves[4 + 1] = 64;
    moves[8 + 0] = 200;
    moves[8 + 2] = FlagPromotion;
    moves[8 + 3] = 0xF2;
    writeU16(record.data(), Game::GameMoveCount, 3);
    importPosition(record.data());
    EXPECT_EQ(Pos.board[35], Pawn);   // e2-e4 was played
    EXPECT_EQ(Pos.board[38], Black | Pawn); // e7 untouched: the bad moves were not
    EXPECT_EQ(Pos.sideToMove, Black);
}

TEST(ImportPosition, PromotionByteIsCutToAPieceType) {
    initialiseEngineTables();
    std::vector<uint8_t> record = recordOf("4k3/P7/8/8/8/8/8/4K3 w - - 0 1", {"a7a8q"});
    record[Game::GameMoves + 3] = 0x12; // a host byte with high bits set
    importPosition(record.data());
    EXPECT_EQ(Pos.board[7], Queen);
    rebuildPosition(); // every board byte still indexes the 16-entry tables
    EXPECT_EQ(Pos.pieceCount[Queen], 1);
}

// The file of a double step is kept only where the pushed pawn really stands with the square it
// passed empty: anything else would let the generator take a pawn that is not there.
TEST(ImportPosition, ImpossibleEnPassantFilesAreDropped) {
    initialiseEngineTables();
    const struct {
        const char* what;
        const char* fen;
        uint8_t enPassantByte; // file + 1
        int32_t epFile;
    } cases[] = {
        {"a file past h", "4k3/8/8/7P/8/8/8/4K3 w - - 0 1", 9, -1},
        {"a file past h, black to move", "4k3/8/8/8/7p/8/8/4K3 b - - 0 1", 9, -1},
        {"far past h", "4k3/8/8/7P/8/8/8/4K3 w - - 0 1", 200, -1},
        {"no pawn on the file", "4k3/8/8/4P3/8/8/8/4K3 w - - 0 1", 4, -1},
        {"a knight, not a pawn", "4k3/8/8/3nP3/8/8/8/4K3 w - - 0 1", 4, -1},
        {"the mover's own pawn", "4k3/8/8/8/3pp3/8/8/4K3 b - - 0 1", 4, -1},
        {"the passed square occupied", "4k3/8/3b4/3pP3/8/8/8/4K3 w - - 0 1", 4, -1},
        {"a real double step", "4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1", 4, 3},
        {"a real double step, black to move", "4k3/8/8/8/3Pp3/8/8/4K3 b - - 0 1", 4, 3},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> record = recordOf(c.fen);
        record[Game::EnPassantFile] = c.enPassantByte;
        importPosition(record.data());
        EXPECT_EQ(Pos.epFile, c.epFile) << c.what;
    }

    // A game move flagged as a double step that was none leaves no en-passant file either.
    std::vector<uint8_t> record = recordOf("4k3/8/8/8/4p3/8/8/3NK3 w - - 0 1", {"d1c3"});
    record[Game::GameMoves + 2] = FlagDoublePush;
    importPosition(record.data());
    EXPECT_EQ(Pos.epFile, -1);
}
