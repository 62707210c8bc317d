// The host's own chess board: FEN import with strict checks, legal moves, UCI move text and the flags of
// each move in the host-record form. It uses the engine's square numbering (file * 8 + rank, a1 = 0,
// a2 = 1, b1 = 8, h8 = 63) and piece codes (1 king, 2 queen, 3 knight, 4 bishop, 5 rook, 6 pawn, +8 for
// black), so its bytes go into the records unchanged. Portable C++ only.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace chess {

constexpr std::string_view InitialFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

constexpr uint8_t Empty = 0;
constexpr uint8_t King = 1;
constexpr uint8_t Queen = 2;
constexpr uint8_t Knight = 3;
constexpr uint8_t Bishop = 4;
constexpr uint8_t Rook = 5;
constexpr uint8_t Pawn = 6;
constexpr uint8_t BlackPiece = 8;

// Move flags, the same bits the host records carry.
constexpr uint8_t CastleWhiteQueenSide = 0x01;
constexpr uint8_t CastleWhiteKingSide = 0x02;
constexpr uint8_t CastleBlackQueenSide = 0x04;
constexpr uint8_t CastleBlackKingSide = 0x08;
constexpr uint8_t FlagEnPassant = 0x10;
constexpr uint8_t FlagDoublePush = 0x20;
constexpr uint8_t FlagPromotion = 0x40;
constexpr uint8_t FlagCapture = 0x80;
constexpr uint8_t AllCastling = 0x0F;

constexpr int squareAt(int file, int rank) { return file * 8 + rank; }
constexpr int fileOf(int square) { return square >> 3; }
constexpr int rankOf(int square) { return square & 7; }
std::string squareText(int square);

// A move in the host-record form: from, to, flags, promotion piece type (0 when none).
struct Move {
    uint8_t from = 0;
    uint8_t to = 0;
    uint8_t flags = 0;
    uint8_t promotion = 0;
    bool operator==(const Move&) const = default;
};

// UCI coordinate text: e2e4, e7e8q, e1g1 for castling.
std::string moveToUci(const Move& move);

class FenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class MoveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Board {
public:
    // The initial position.
    Board();
    // Throws FenError naming the field and what is wrong with it.
    static Board fromFen(std::string_view fen);
    std::string fen() const;

    uint8_t at(int square) const { return squares_[size_t(square)]; }
    const std::array<uint8_t, 64>& squares() const { return squares_; }
    bool blackToMove() const { return blackToMove_; }
    uint8_t castlingRights() const { return castling_; }
    // File (0..7) of a pawn that has just made a double step, -1 when none.
    int enPassantFile() const { return enPassantFile_; }
    int halfmoveClock() const { return halfmoveClock_; }
    int fullmoveNumber() const { return fullmoveNumber_; }

    std::vector<Move> legalMoves() const;
    bool inCheck() const;
    // Whether a piece of the given colour (true: black) attacks the square.
    bool isAttacked(int square, bool byBlack) const;

    // The legal move named by UCI text, with its flags. Throws MoveError for malformed text or an
    // illegal move.
    Move parseUciMove(std::string_view text) const;
    // Plays a move from legalMoves(); throws MoveError, leaving the board unchanged, for any other move.
    void apply(const Move& move);

private:
    struct Blank {};
    explicit Board(Blank) {}
    friend uint64_t perft(const Board& board, int depth);
// The same, giving up once stop is set: the count is then incomplete.
uint64_t perft(const Board& board, int depth, const std::atomic<bool>& stop);
    friend uint64_t perft(const Board& board, int depth, const std::atomic<bool>& stop);

    void generatePseudoLegal(std::vector<Move>& moves) const;
    void addPawnMoves(std::vector<Move>& moves, int from) const;
    void addCastling(std::vector<Move>& moves) const;
    void makeUnchecked(const Move& move);
    int kingSquare(bool black) const;

    std::array<uint8_t, 64> squares_{};
    bool blackToMove_ = false;
    uint8_t castling_ = 0;
    int enPassantFile_ = -1;
    int halfmoveClock_ = 0;
    int fullmoveNumber_ = 1;
};

// Number of leaf positions after depth plies of legal moves.
uint64_t perft(const Board& board, int depth);
// The same, giving up once stop is set: the count is then incomplete.
uint64_t perft(const Board& board, int depth, const std::atomic<bool>& stop);
// Each legal move with the leaf count below it, in generation order.
std::vector<std::pair<Move, uint64_t>> perftDivide(const Board& board, int depth);

} // namespace chess
