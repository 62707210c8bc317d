// The game record the host hands to the engine's think entry: start board, side to move, castling
// rights, en-passant file, the moves played since and the clock fields, at the offsets of
// engine/interface/host_records.h.
#pragma once

#include "board.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace chess {

// A game as the host keeps it: the start position, the legal moves played from it and where they lead.
struct Game {
    Board start;
    std::vector<Move> moves;
    Board current;
};

// Plays UCI moves from a FEN. Throws FenError for the FEN, or MoveError naming the first bad move and its
// 1-based index in the list.
Game playGame(std::string_view fen, const std::vector<std::string>& uciMoves);

constexpr int16_t MovesToGoNone = 32767;

class GameRecord {
public:
    // A game of more than the record's 512 moves is written from the position after its first moves,
    // so that the last 512 remain. Throws MoveError for a move that is not legal where it is played.
    explicit GameRecord(const Game& game);
    GameRecord(const Board& start, const std::vector<Move>& moves);

    void setTimeMode(int16_t mode);
    void setRemainingSeconds(int32_t seconds);
    void setIncrementSeconds(int32_t seconds);
    void setMovesToGo(int16_t moves);
    void setFixedDepth(int16_t depth);

    // The board the record starts from (later than the game's start for a long game).
    const Board& startBoard() const { return recordStart_; }
    int moveCount() const;
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    uint8_t* data() { return bytes_.data(); }

private:
    std::vector<uint8_t> bytes_;
    Board recordStart_;
};

} // namespace chess
