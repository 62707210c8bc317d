// Fuzzes the host's FEN and move parsers. Input: a FEN on the first line, UCI move texts separated by
// blanks on the rest. A FEN that parses must print back to a FEN that parses to the same position and
// prints the same; every legal move's text (in the first and the last position) must parse back to
// that move; a move text that parses must name a legal move, and playing it must leave a position whose
// FEN round-trips too. A game record built from the start and the moves must hold the start board.
#include "engine/interface/host_records.h"
#include "host/chess/game_record.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

[[noreturn]] void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "chess fuzzer: %s (%s)\n", what, detail.c_str());
    std::abort();
}

#define CHECK(condition, detail)                                                                          \
    do {                                                                                                 \
        if (!(condition)) fail(#condition, detail);                                                     \
    } while (0)

bool samePosition(const chess::Board& a, const chess::Board& b) {
    return a.squares() == b.squares() && a.blackToMove() == b.blackToMove() &&
           a.castlingRights() == b.castlingRights() && a.enPassantFile() == b.enPassantFile() &&
           a.halfmoveClock() == b.halfmoveClock() && a.fullmoveNumber() == b.fullmoveNumber();
}

void checkRoundTrip(const chess::Board& board) {
    const std::string text = board.fen();
    chess::Board again;
    try {
        again = chess::Board::fromFen(text);
    } catch (const chess::FenError& e) {
        fail("printed FEN does not parse", text + ": " + e.what());
    }
    CHECK(samePosition(board, again), text);
    CHECK(again.fen() == text, text);
}

void checkLegalMoves(const chess::Board& board, const std::vector<chess::Move>& legal) {
    for (const chess::Move& move : legal) {
        const std::string text = chess::moveToUci(move);
        chess::Move parsed;
        try {
            parsed = board.parseUciMove(text);
        } catch (const chess::MoveError& e) {
            fail("a legal move's text does not parse", board.fen() + " " + text + ": " + e.what());
        }
        CHECK(parsed == move, board.fen() + " " + text);
        CHECK(move.from < 64 && move.to < 64 && move.from != move.to, text);
    }
}

std::vector<std::string> tokens(std::string_view text) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\n')) ++i;
        const size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\n') ++i;
        if (i > start) out.emplace_back(text.substr(start, i - start));
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t newline = input.find('\n');
    const std::string_view fen = input.substr(0, newline);
    const std::string_view rest = newline == std::string_view::npos ? std::string_view() : input.substr(newline + 1);

    chess::Board board;
    try {
        board = chess::Board::fromFen(fen);
    } catch (const chess::FenError&) {
        return 0;
    }
    checkRoundTrip(board);
    const chess::Board start = board;
    std::vector<chess::Move> played;
    int count = 0;
    // Every legal move's text is parsed back in the first and the last position only: parsing a move
    // generates the legal moves again, so doing it after every move would make each run slow.
    checkLegalMoves(board, board.legalMoves());
    for (const std::string& text : tokens(rest)) {
        if (++count > 64) break;
        const auto legal = board.legalMoves();
        chess::Move move;
        try {
            move = board.parseUciMove(text);
        } catch (const chess::MoveError&) {
            // Lower-case text that names a legal move must parse.
            for (const chess::Move& m : legal) CHECK(chess::moveToUci(m) != text, board.fen() + " " + text);
            continue;
        }
        CHECK(std::find(legal.begin(), legal.end(), move) != legal.end(), board.fen() + " " + text);
        board.apply(move);
        played.push_back(move);
        checkRoundTrip(board);
    }

    if (!played.empty()) checkLegalMoves(board, board.legalMoves());

    chess::GameRecord record(start, played);
    const uint8_t* bytes = record.bytes().data();
    CHECK(record.bytes().size() >= size_t(HostRecord::Game::MinimumLength), "record length");
    CHECK(std::equal(start.squares().begin(), start.squares().end(), bytes + HostRecord::Game::StartBoard),
          start.fen());
    CHECK(record.moveCount() == int(played.size()), start.fen());
    return 0;
}
