// Turning the host's game record into the engine's position.
#pragma once

#include <cstdint>

// Copies the start position of the record and replays the game's moves on it.
void importPosition(const uint8_t* game);
// Copies the 64 board bytes, the side to move, the castling rights and the en-passant file.
void setPositionFromRecord(const uint8_t* startBoard, uint8_t blackToMove, uint8_t castlingRights,
                           uint8_t enPassantFile);
// Plays one host move (four bytes: from, to, flags, promotion) on the position at ply 0.
void replayGameMove(const uint8_t* hostMove);
