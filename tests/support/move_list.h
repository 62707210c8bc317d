// Test helpers: square and move names, the list the generator writes, and whole-position checks.
#pragma once

#include "board/make_move.h"
#include "board/position.h"
#include "board/tables.h"
#include "movegen/generator.h"

#include <cstring>
#include <string>
#include <vector>

// "e4" -> 35.
inline int32_t sq(const char* name) { return (name[0] - 'a') * 8 + (name[1] - '1'); }

inline std::string squareName(int32_t s) {
    if (s < 0 || s > 63) return std::to_string(s);
    return {char('a' + (s >> 3)), char('1' + (s & 7))};
}

// "e2e4", "g7g8q": from, to and the promotion piece.
inline std::string moveName(const Move& move) {
    std::string name = squareName(move.from) + squareName(move.to);
    if (move.promotion != 0) name += "?kqnbrp?"[move.promotion & 7];
    return name;
}

inline Move moveOf(const char* name, uint8_t flags = 0) {
    const char* promotions = "?kqnbrp";
    const uint8_t promotion = name[4] ? uint8_t(std::strchr(promotions, name[4]) - promotions) : 0;
    return Move{uint8_t(sq(name)), uint8_t(sq(name + 2)), flags, promotion, 0};
}

// The side to move's pseudo-legal moves, generated above the current MoveCount, which is left as found.
inline std::vector<Move> generatedMoves() {
    const int32_t base = MoveCount;
    generateMoves();
    std::vector<Move> list(MoveStack + base, MoveStack + MoveCount);
    MoveCount = base;
    return list;
}

// A copy of every byte of the position.
struct PositionBytes {
    unsigned char bytes[sizeof(Position)];
};

inline PositionBytes positionBytes() {
    PositionBytes copy;
    std::memcpy(copy.bytes, &Pos, sizeof Pos);
    return copy;
}

// "" when the position equals the copy byte for byte, apart from the PlyRecord at the current ply, which
// makeMove writes as scratch; otherwise the first field that differs.
inline std::string differenceFrom(const PositionBytes& before) {
    Position then;
    std::memcpy(&then, before.bytes, sizeof then);
    Position now;
    std::memcpy(&now, &Pos, sizeof now);
    if (now.ply >= 0 && now.ply < MaxPlies) now.plies[now.ply] = then.plies[now.ply];
    if (std::memcmp(&now, &then, sizeof now) == 0) return "";
    for (int32_t s = 0; s < 64; ++s)
        if (now.board[s] != then.board[s])
            return "board[" + squareName(s) + "] " + std::to_string(then.board[s]) + " -> " +
                   std::to_string(now.board[s]);
    for (int32_t c = 0; c < 16; ++c) {
        if (now.pieceBits[c] != then.pieceBits[c]) return "pieceBits[" + std::to_string(c) + "]";
        if (now.pieceCount[c] != then.pieceCount[c]) return "pieceCount[" + std::to_string(c) + "]";
    }
    const struct {
        const char* name;
        int32_t then, now;
    } fields[] = {{"material", then.material, now.material},       {"castling", then.castling, now.castling},
                  {"epFile", then.epFile, now.epFile},             {"whiteKing", then.whiteKing, now.whiteKing},
                  {"blackKing", then.blackKing, now.blackKing},    {"sideToMove", then.sideToMove, now.sideToMove},
                  {"ply", then.ply, now.ply}};
    for (const auto& field : fields)
        if (field.then != field.now)
            return std::string(field.name) + " " + std::to_string(field.then) + " -> " + std::to_string(field.now);
    for (int32_t p = 0; p < MaxPlies; ++p)
        if (std::memcmp(&now.plies[p], &then.plies[p], sizeof(PlyRecord)) != 0) return "plies[" + std::to_string(p) + "]";
    return "padding bytes";
}

// "" when bitboards, counts (codes 1 to 15; entry 0 drifts during a search), material and king squares
// agree with the board bytes; otherwise the first disagreement.
inline std::string derivedStateMismatch() {
    uint64_t bits[16] = {};
    int32_t counts[16] = {};
    int32_t material = 0;
    int32_t whiteKings = 0, blackKings = 0, whiteKing = -1, blackKing = -1;
    for (int32_t s = 0; s < 64; ++s) {
        const PieceCode c = Pos.board[s];
        if (c > 15) return "board[" + squareName(s) + "] holds " + std::to_string(c);
        setBit(bits[c], s);
        counts[c] += 1;
        material += MaterialValue[c];
        if (c == King) whiteKings += 1, whiteKing = s;
        if (c == (Black | King)) blackKings += 1, blackKing = s;
    }
    // With one king of a colour its square must be exact; other boards are made up and not checked.
    if (whiteKings == 1 && Pos.whiteKing != whiteKing) return "whiteKing is not " + squareName(whiteKing);
    if (blackKings == 1 && Pos.blackKing != blackKing) return "blackKing is not " + squareName(blackKing);
    for (int32_t c = 0; c < 16; ++c) {
        if (bits[c] != Pos.pieceBits[c]) return "pieceBits[" + std::to_string(c) + "]";
        if (c != 0 && counts[c] != Pos.pieceCount[c]) return "pieceCount[" + std::to_string(c) + "]";
    }
    if (material != Pos.material) return "material " + std::to_string(Pos.material) + ", board says " + std::to_string(material);
    return "";
}

// Makes the MoveStack entry and takes it back, as the search does; "" when the derived state agreed with
// the board after the make and the whole position came back, otherwise what went wrong.
inline std::string roundTripFault(int32_t index) {
    const PositionBytes before = positionBytes();
    Pos.plies[Pos.ply].moveIndex = index;
    makeMove(MoveStack[index]);
    std::string fault = derivedStateMismatch();
    unmakeMove(MoveStack[index]);
    if (fault.empty()) fault = differenceFrom(before);
    return fault.empty() ? fault : moveName(MoveStack[index]) + ": " + fault;
}
