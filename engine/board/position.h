// The one process-wide position, its undo stack and the shared move stack.
#pragma once

#include "board/types.h"

constexpr int32_t MaxPlies = 66;
constexpr int32_t MoveStackSize = 5000;

// What makeMove saves at each ply so that unmakeMove can restore the position.
struct PlyRecord {
    int32_t moveIndex;     // MoveStack index of the move made at this ply, written by the caller of makeMove
    int32_t savedEpFile;   // epFile before the move
    int32_t savedCastling; // castling before the move
    int32_t captured;      // piece code that stood on the destination, 0 if it was empty
};

struct Position {
    PieceCode board[64];
    uint64_t pieceBits[16]; // per piece code, bit n set when square n holds that code; entry 0 is the empty squares
    int32_t pieceCount[16];
    int32_t material;       // white's material minus black's, kings included
    int32_t castling;       // rights, bits 0x01..0x08
    int32_t epFile;         // file of the pawn that just made a double push, -1 when none
    int32_t whiteKing;
    int32_t blackKing;
    Side sideToMove;
    int32_t ply;            // moves made since the search root: the next free PlyRecord
    PlyRecord plies[MaxPlies];
};

extern Position Pos;

// Every ply's move list sits on this stack directly above its parent's.
extern Move MoveStack[MoveStackSize];
extern int32_t MoveCount;

// Derives bitboards, counts, material and king squares from the board bytes; sets ply to 0.
void rebuildPosition();

// Byte f of a bitboard: the ranks occupied on file f.
inline uint8_t fileByte(uint64_t bits, int32_t file) { return uint8_t(bits >> (file * 8)); }

inline void setBit(uint64_t& bits, int32_t square) { bits |= uint64_t(1) << square; }
inline void clearBit(uint64_t& bits, int32_t square) { bits &= ~(uint64_t(1) << square); }
