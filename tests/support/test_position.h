// Test fixture: sets the engine's position from a FEN string (trusted input, no checks).
#pragma once

#include "board/position.h"
#include "board/tables.h"
#include "movegen/generator.h"
#include "movegen/ordering.h"

#include <cstring>
#include <string>

inline void initialiseEngineTables() {
    installGenerators();
    initTables();
}

// Board, side, castling and en-passant file from the FEN; derived fields rebuilt; stack and ordering
// tables emptied.
inline void loadFen(const std::string& fen) {
    initialiseEngineTables();
    std::memset(Pos.board, 0, sizeof Pos.board);
    size_t i = 0;
    int32_t rank = 7, file = 0;
    for (; i < fen.size() && fen[i] != ' '; ++i) {
        const char c = fen[i];
        if (c == '/') {
            --rank;
            file = 0;
        } else if (c >= '1' && c <= '8') {
            file += c - '0';
        } else {
            const char* letters = "kqnbrp";
            const char lower = char(c | 0x20);
            const PieceCode type = PieceCode(std::strchr(letters, lower) - letters + 1);
            Pos.board[file * 8 + rank] = PieceCode(type | (c == lower ? Black : White));
            ++file;
        }
    }
    const std::string rest = fen.substr(i);
    Pos.sideToMove = rest.find(" b") == 0 ? Black : White;
    const size_t castleStart = rest.find(' ', 1) + 1;
    const std::string castle = rest.substr(castleStart, rest.find(' ', castleStart) - castleStart);
    Pos.castling = 0;
    if (castle.find('K') != std::string::npos) Pos.castling |= CastleWhiteKingSide;
    if (castle.find('Q') != std::string::npos) Pos.castling |= CastleWhiteQueenSide;
    if (castle.find('k') != std::string::npos) Pos.castling |= CastleBlackKingSide;
    if (castle.find('q') != std::string::npos) Pos.castling |= CastleBlackQueenSide;
    const size_t epStart = castleStart + castle.size() + 1;
    Pos.epFile = epStart < rest.size() && rest[epStart] >= 'a' && rest[epStart] <= 'h' ? rest[epStart] - 'a' : -1;
    rebuildPosition();
    MoveCount = 0;
    clearHistoryTable();
    std::memset(KillerMoves, 0, sizeof KillerMoves);
}
