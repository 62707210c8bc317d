// The host's chess board: FEN checks, move flags, legal move counts and the game record it builds.
#include "engine/interface/host_records.h"
#include "host/chess/board.h"
#include "host/chess/game_record.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

using namespace chess;

namespace {

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> result;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find(' ', start);
        if (end != start) result.push_back(text.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return result;
}

} // namespace

TEST(ChessFen, RejectsBadFenWithWhatAndWhere) {
    struct Case {
        const char* fen;
        const char* fragment;
    };
    const Case cases[] = {
        {"", "0 fields"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 extra", "7 fields"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq -", "7 ranks"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/8 w KQkq -", "more than 8 ranks"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN w KQkq -", "rank 1 has 7 squares"},
        {"rnbqkbnr/ppppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", "rank 7 has more than 8 squares"},
        {"rnbqkbnr/pppppppp/8/45/8/8/PPPPPPPP/RNBQKBNR w KQkq -", "rank 5 has more than 8 squares"},
        {"rnbqkbnr/pppppppp/8/8/3x4/8/PPPPPPPP/RNBQKBNR w KQkq -", "unexpected character 'x' in rank 4"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKKNR w kq -", "white has 2 kings"},
        {"rnbq1bnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQ -", "black has 0 kings"},
        {"Pnbqkbnr/8/8/8/8/8/PPPPPPPP/RNBQKBNR w KQ -", "pawn on a8"},
        {"4k3/8/8/8/8/8/8/p3K3 w - -", "pawn on a1"},
        {"4k3/8/8/8/8/8/8/4K3 x - -", "side to move: 'x'"},
        {"4k3/4R3/8/8/8/8/8/4K3 w - -", "black is in check but not to move"},
        {"4k3/8/8/8/8/8/8/4K3 w K -", "'K' but no white rook on h1"},
        {"4k3/8/8/8/8/8/8/R2K4 w Q -", "'Q' but no white king on e1"},
        {"r3k3/8/8/8/8/8/8/4K3 w k -", "'k' but no black rook on h8"},
        {"3k4/8/8/8/8/8/8/4K3 b q -", "'q' but no black king on e8"},
        {"4k3/8/8/8/8/8/8/4K2R w KK -", "'K' given twice"},
        {"4k3/8/8/8/8/8/8/4K2R w H -", "unexpected character 'H'"},
        {"4k3/8/8/8/4P3/8/8/4K3 b - e9", "'e9' is not a square"},
        {"4k3/8/8/8/4P3/8/8/4K3 b - e6", "expected a square on rank 3"},
        {"4k3/8/8/8/8/8/8/4K3 b - e3", "no white pawn on e4"},
        {"4k3/8/8/8/4P3/4N3/8/4K3 b - e3", "e3 is not empty"},
        {"4k3/8/8/8/4P3/8/4N3/4K3 b - e3", "e2, where the pawn started, is not empty"},
        {"4k3/8/8/8/3p4/8/8/4K3 w - d6", "no black pawn on d5"},
        {"4k3/8/8/8/8/8/8/4K3 w - - x 1", "halfmove clock: 'x'"},
        {"4k3/8/8/8/8/8/8/4K3 w - - -1 1", "halfmove clock: '-1'"},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 0", "fullmove number: '0'"},
    };
    for (const Case& c : cases) {
        try {
            Board::fromFen(c.fen);
            ADD_FAILURE() << "accepted: " << c.fen;
        } catch (const FenError& error) {
            EXPECT_NE(std::string(error.what()).find(c.fragment), std::string::npos)
                << c.fen << "\n  message: " << error.what() << "\n  expected: " << c.fragment;
        }
    }
}

TEST(ChessFen, AcceptsValidFenAndWritesItBack) {
    struct Case {
        const char* fen;
        const char* written;
    };
    const Case cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", nullptr},
        {"rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2", nullptr},
        {"4k3/8/8/8/3Pp3/8/8/4K3 b - d3 0 31", nullptr},
        {"r3k2r/8/8/8/8/8/8/R3K2R b qK - 12 40", "r3k2r/8/8/8/8/8/8/R3K2R b Kq - 12 40"},
        {"4k3/8/8/8/8/8/8/4K3  w  -  -", "4k3/8/8/8/8/8/8/4K3 w - - 0 1"},
        {"4k3/8/8/8/8/8/8/4K3 w - - 7", "4k3/8/8/8/8/8/8/4K3 w - - 7 1"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Board::fromFen(c.fen).fen(), c.written != nullptr ? c.written : c.fen);
    }
    EXPECT_EQ(Board().fen(), InitialFen);
}

TEST(ChessMoves, FlagsOfEveryMoveKind) {
    struct Case {
        const char* fen;
        const char* move;
        int from;
        int to;
        uint8_t flags;
        uint8_t promotion;
    };
    const char* start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    const char* afterE4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1";
    const char* castles = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
    const char* castlesBlack = "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1";
    const Case cases[] = {
        {start, "e2e3", 33, 34, 0, 0},
        {start, "g1f3", 48, 42, 0, 0},
        {start, "e2e4", 33, 35, 0x20, 0},
        {afterE4, "d7d5", 30, 28, 0x20, 0},
        {afterE4, "g8f6", 55, 45, 0, 0},
        {"4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "e4d5", 35, 28, 0x80, 0},
        {"4k3/8/8/3p4/4P3/8/8/4K3 b - - 0 1", "d5e4", 28, 35, 0x80, 0},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", 36, 29, 0x10, 0},
        {"4k3/8/8/8/3Pp3/8/8/4K3 b - d3 0 1", "e4d3", 35, 26, 0x10, 0},
        {"3r3k/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7e8q", 38, 39, 0x40, 2},
        {"3r3k/4P3/8/8/8/8/8/K7 w - - 0 1", "e7e8n", 38, 39, 0x40, 3},
        {"3r3k/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7d8b", 38, 31, 0xC0, 4},
        {"3r3k/4P3/8/8/8/8/8/4K3 w - - 0 1", "e7d8R", 38, 31, 0xC0, 5},
        {"4k3/8/8/8/8/8/p7/4K3 b - - 0 1", "a2a1r", 1, 0, 0x40, 5},
        {"4k3/8/8/8/8/8/1p6/N3K3 b - - 0 1", "b2a1q", 9, 0, 0xC0, 2},
        {castles, "e1c1", 32, 16, 0x01, 0},
        {castles, "e1g1", 32, 48, 0x02, 0},
        {castlesBlack, "e8c8", 39, 23, 0x04, 0},
        {castlesBlack, "e8g8", 39, 55, 0x08, 0},
        {castles, "e1f1", 32, 40, 0, 0},
        {castles, "a1a8", 0, 7, 0x80, 0},
    };
    for (const Case& c : cases) {
        const Move move = Board::fromFen(c.fen).parseUciMove(c.move);
        EXPECT_EQ(move, (Move{uint8_t(c.from), uint8_t(c.to), c.flags, c.promotion})) << c.fen << " " << c.move;
        const std::string lower = std::string(c.move).substr(0, 4) +
                                  (c.promotion ? std::string(1, char(std::tolower(c.move[4]))) : "");
        EXPECT_EQ(moveToUci(move), lower);
    }
}

TEST(ChessMoves, RejectsMalformedAndIllegalMoves) {
    struct Case {
        const char* fen;
        const char* move;
        const char* fragment;
    };
    const char* start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
    const char* promote = "4k3/1P6/8/8/8/8/8/4K3 w - - 0 1";
    const Case cases[] = {
        {start, "e2", "not a move in coordinate form"},
        {start, "e2e4e5", "not a move in coordinate form"},
        {start, "i2i4", "not a move in coordinate form"},
        {start, "0000", "not a move in coordinate form"},
        {start, "e2e5", "'e2e5' is not legal"},
        {start, "e7e5", "'e7e5' is not legal"},
        {start, "e2e4q", "'e2e4q' is not a promotion"},
        {promote, "b7b8", "a promotion needs its piece"},
        {promote, "b7b8k", "must be one of q, r, b, n"},
        // Castling out of, through and into check, and without the right.
        {"4k3/8/8/8/8/8/8/r3K2R w K - 0 1", "e1g1", "not legal"},
        {"4kr2/8/8/8/8/8/8/R3K2R w KQ - 0 1", "e1g1", "not legal"},
        {"4k1r1/8/8/8/8/8/8/R3K2R w KQ - 0 1", "e1g1", "not legal"},
        {"4k3/8/8/8/8/8/8/R3K2R w Q - 0 1", "e1g1", "not legal"},
        {"4k3/8/8/8/8/8/8/RN2K2R w KQ - 0 1", "e1c1", "not legal"},
        // A pinned piece stays put.
        {"4k3/4r3/8/8/8/8/4N3/4K3 w - - 0 1", "e2c3", "not legal"},
    };
    for (const Case& c : cases) {
        try {
            Board::fromFen(c.fen).parseUciMove(c.move);
            ADD_FAILURE() << "accepted " << c.move << " in " << c.fen;
        } catch (const MoveError& error) {
            EXPECT_NE(std::string(error.what()).find(c.fragment), std::string::npos)
                << c.move << "\n  message: " << error.what();
        }
    }
    // Queen-side castling is legal when only b1 is attacked.
    EXPECT_NO_THROW(Board::fromFen("1r2k3/8/8/8/8/8/8/R3K2R w KQ - 0 1").parseUciMove("e1c1"));
}

TEST(ChessMoves, PlayingMovesLeadsToTheExpectedPosition) {
    struct Case {
        const char* fen;
        const char* moves;
        const char* expected;
    };
    const Case cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "e2e4 c7c5 g1f3",
         "rnbqkbnr/pp1ppppp/8/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1g1 e8c8", "2kr3r/8/8/8/8/8/8/R4RK1 w - - 2 2"},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "a1a8", "R3k2r/8/8/8/8/8/8/4K2R b Kk - 0 1"},
        {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", "4k3/8/3P4/8/8/8/8/4K3 b - - 0 1"},
        {"4k3/8/8/8/3Pp3/8/8/4K3 b - d3 0 1", "e4d3", "4k3/8/8/8/8/3p4/8/4K3 w - - 0 2"},
        {"4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7b8n", "1N2k3/8/8/8/8/8/8/4K3 b - - 0 1"},
    };
    for (const Case& c : cases) EXPECT_EQ(playGame(c.fen, words(c.moves)).current.fen(), c.expected) << c.moves;
}

TEST(ChessMoves, PerftCountsOfStandardPositions) {
    struct Case {
        const char* fen;
        int depth;
        uint64_t nodes;
    };
    const Case cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 3, 8902},
        {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", 2, 2039},
        {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", 3, 97862},
        {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", 4, 43238},
        {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 3, 9467},
        {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 3, 62379},
    };
    for (const Case& c : cases) EXPECT_EQ(perft(Board::fromFen(c.fen), c.depth), c.nodes) << c.fen;

    const auto divided = perftDivide(Board(), 2);
    ASSERT_EQ(divided.size(), 20u);
    uint64_t total = 0;
    for (const auto& [move, count] : divided) total += count;
    EXPECT_EQ(total, 400u);
}

TEST(ChessGameRecord, WritesStartPositionMovesAndClock) {
    using namespace HostRecord;
    GameRecord record(playGame("rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w Kq e6 0 2", {"g1f3", "b8c6"}));
    const uint8_t* bytes = record.bytes().data();
    ASSERT_GE(record.bytes().size(), size_t(Game::MinimumLength));
    const Board start = Board::fromFen("rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w Kq e6 0 2");
    for (int square = 0; square < 64; ++square) EXPECT_EQ(bytes[Game::StartBoard + square], start.at(square));
    EXPECT_EQ(bytes[Game::BlackToMove], 0);
    EXPECT_EQ(bytes[Game::EnPassantFile], 5);
    EXPECT_EQ(bytes[Game::CastlingRights], CastleWhiteKingSide | CastleBlackQueenSide);
    EXPECT_EQ(readI16(bytes, Game::GameMoveCount), 2);
    const uint8_t firstMove[4] = {48, 42, 0, 0};
    const uint8_t secondMove[4] = {15, 21, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(bytes + Game::GameMoves, bytes + Game::GameMoves + 4),
              std::vector<uint8_t>(firstMove, firstMove + 4));
    EXPECT_EQ(std::vector<uint8_t>(bytes + Game::GameMoves + 4, bytes + Game::GameMoves + 8),
              std::vector<uint8_t>(secondMove, secondMove + 4));
    EXPECT_EQ(readI16(bytes, Game::MovesToGo), 32767);

    GameRecord black(playGame("4k3/8/8/8/8/8/8/4K3 b - - 0 1", {}));
    EXPECT_EQ(black.bytes()[Game::BlackToMove], 1);
    EXPECT_EQ(black.bytes()[Game::EnPassantFile], 0);
    EXPECT_EQ(readI16(black.bytes().data(), Game::GameMoveCount), 0);

    record.setTimeMode(1);
    record.setRemainingSeconds(300);
    record.setIncrementSeconds(2);
    record.setMovesToGo(40);
    record.setFixedDepth(7);
    EXPECT_EQ(readI16(bytes, Game::TimeMode), 1);
    EXPECT_EQ(readI32(bytes, Game::RemainingSeconds), 300);
    EXPECT_EQ(readI32(bytes, Game::IncrementSeconds), 2);
    EXPECT_EQ(readI16(bytes, Game::MovesToGo), 40);
    EXPECT_EQ(readI16(bytes, Game::FixedDepth), 7);
}

TEST(ChessGameRecord, LongGameStartsFromALaterPosition) {
    using namespace HostRecord;
    // e2e4, then the knights go out and back: 601 moves, 89 more than the record holds.
    std::vector<std::string> moves{"e2e4"};
    const char* shuffle[4] = {"g8f6", "g1f3", "f6g8", "f3g1"};
    for (int i = 0; i < 600; ++i) moves.push_back(shuffle[i % 4]);
    const chess::Game game = playGame(InitialFen, moves);
    const GameRecord record(game);
    const uint8_t* bytes = record.bytes().data();

    ASSERT_EQ(readI16(bytes, Game::GameMoveCount), Game::MaxGameMoves);
    // After e2e4 and 88 knight moves: the knights are home and black is to move.
    EXPECT_EQ(record.startBoard().fen(), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 88 45");
    EXPECT_EQ(bytes[Game::BlackToMove], 1);
    EXPECT_EQ(bytes[Game::EnPassantFile], 0);
    EXPECT_EQ(bytes[Game::StartBoard + 35], Pawn);

    // The record's moves, replayed from its start, reach the game's final position.
    Board board = Board::fromFen(record.startBoard().fen());
    for (int i = 0; i < Game::MaxGameMoves; ++i) {
        const uint8_t* m = bytes + Game::GameMoves + i * HostMoveSize;
        board.apply(Move{m[0], m[1], m[2], m[3]});
    }
    EXPECT_EQ(board.fen(), game.current.fen());
}

TEST(ChessGameRecord, BadMoveIsNamedWithItsIndex) {
    try {
        playGame(InitialFen, {"e2e4", "e7e5", "e1e3"});
        FAIL() << "accepted an illegal move";
    } catch (const MoveError& error) {
        EXPECT_NE(std::string(error.what()).find("move 3 'e1e3' is not legal"), std::string::npos) << error.what();
    }
    EXPECT_THROW(playGame(InitialFen, {"e2e4", "x"}), MoveError);
    EXPECT_THROW(playGame("8/8/8/8/8/8/8/8 w - -", {}), FenError);
}
