#include "game_record.h"

#include "engine/interface/host_records.h"

#include <cstddef>

namespace chess {

namespace Layout = HostRecord::Game;

Game playGame(std::string_view fen, const std::vector<std::string>& uciMoves) {
    Game game{Board::fromFen(fen), {}, {}};
    game.current = game.start;
    game.moves.reserve(uciMoves.size());
    for (size_t i = 0; i < uciMoves.size(); ++i) {
        try {
            const Move move = game.current.parseUciMove(uciMoves[i]);
            game.current.apply(move);
            game.moves.push_back(move);
        } catch (const MoveError& error) {
            throw MoveError("move " + std::to_string(i + 1) + " " + error.what());
        }
    }
    return game;
}

GameRecord::GameRecord(const Game& game) : GameRecord(game.start, game.moves) {}

GameRecord::GameRecord(const Board& start, const std::vector<Move>& moves)
    : bytes_(size_t(Layout::MinimumLength), 0), recordStart_(start) {
    const size_t skipped = moves.size() > size_t(Layout::MaxGameMoves) ? moves.size() - Layout::MaxGameMoves : 0;
    for (size_t i = 0; i < skipped; ++i) recordStart_.apply(moves[i]);

    for (int square = 0; square < 64; ++square) bytes_[size_t(Layout::StartBoard + square)] = recordStart_.at(square);
    bytes_[Layout::BlackToMove] = recordStart_.blackToMove() ? 1 : 0;
    bytes_[Layout::EnPassantFile] = uint8_t(recordStart_.enPassantFile() + 1);
    bytes_[Layout::CastlingRights] = recordStart_.castlingRights();

    // Replaying checks every move, so the record never carries one that the engine would misplay.
    Board board = recordStart_;
    size_t offset = Layout::GameMoves;
    for (size_t i = skipped; i < moves.size(); ++i) {
        board.apply(moves[i]);
        bytes_[offset++] = moves[i].from;
        bytes_[offset++] = moves[i].to;
        bytes_[offset++] = moves[i].flags;
        bytes_[offset++] = moves[i].promotion;
    }
    HostRecord::writeU16(bytes_.data(), Layout::GameMoveCount, uint16_t(moves.size() - skipped));
    setMovesToGo(MovesToGoNone);
}

void GameRecord::setTimeMode(int16_t mode) { HostRecord::writeU16(bytes_.data(), Layout::TimeMode, uint16_t(mode)); }

void GameRecord::setRemainingSeconds(int32_t seconds) {
    HostRecord::writeU32(bytes_.data(), Layout::RemainingSeconds, uint32_t(seconds));
}

void GameRecord::setIncrementSeconds(int32_t seconds) {
    HostRecord::writeU32(bytes_.data(), Layout::IncrementSeconds, uint32_t(seconds));
}

void GameRecord::setMovesToGo(int16_t moves) {
    HostRecord::writeU16(bytes_.data(), Layout::MovesToGo, uint16_t(moves));
}

void GameRecord::setFixedDepth(int16_t depth) {
    HostRecord::writeU16(bytes_.data(), Layout::FixedDepth, uint16_t(depth));
}

int GameRecord::moveCount() const { return HostRecord::readI16(bytes_.data(), Layout::GameMoveCount); }

} // namespace chess
