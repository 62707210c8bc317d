#include "interface/import_position.h"

#include "board/make_move.h"
#include "interface/host_records.h"

void setPositionFromRecord(const uint8_t* startBoard, uint8_t blackToMove, uint8_t castlingRights,
                           uint8_t enPassantFile) {
    // A byte above 15 is no piece code and would index past the 16-entry tables: it counts as an
    // empty square. Bytes 0 to 15 are taken as they are.
    for (int32_t s = 0; s < 64; ++s) Pos.board[s] = startBoard[s] > 15 ? Empty : startBoard[s];
    Pos.sideToMove = blackToMove != 0 ? Black : White;
    Pos.castling = castlingRights;
    Pos.epFile = int32_t(enPassantFile) - 1;
}

void replayGameMove(const uint8_t* hostMove) {
    // A square outside the board cannot be played: such a move is skipped, whatever its other bytes.
    if (hostMove[0] > 63 || hostMove[1] > 63) return;
    Move& move = MoveStack[0];
    move.from = hostMove[0];
    move.to = hostMove[1];
    move.flags = hostMove[2];
    // Only the low three bits name a piece type; higher bits would make a code past the tables.
    move.promotion = hostMove[3] & 7;
    Pos.plies[Pos.ply].moveIndex = 0;
    makeMove(move);
    Pos.ply = 0;
}

namespace {

// An en-passant file is only real when the opponent's pawn that has just made the double step stands on
// it with the square it passed empty. A record may name a file past h, or a file with no such pawn (a
// made-up start position, or a game move flagged as a double push that was none); the generator would
// then offer a capture off the board, or one whose take-back puts a pawn where none stood. Such a file
// is dropped. After a real double push the test always holds, so no real game changes.
void dropImpossibleEnPassantFile() {
    const int32_t file = Pos.epFile;
    if (file < 0) return;
    const bool whitePawnPushed = Pos.sideToMove == Black;
    const int32_t pawnSquare = file * 8 + (whitePawnPushed ? 3 : 4);
    const int32_t passedSquare = file * 8 + (whitePawnPushed ? 2 : 5);
    const PieceCode pushedPawn = whitePawnPushed ? Pawn : PieceCode(Black | Pawn);
    if (file > 7 || Pos.board[pawnSquare] != pushedPawn || Pos.board[passedSquare] != Empty) Pos.epFile = -1;
}

} // namespace

void importPosition(const uint8_t* game) {
    using namespace HostRecord;
    setPositionFromRecord(game + Game::StartBoard, game[Game::BlackToMove], game[Game::CastlingRights],
                          game[Game::EnPassantFile]);
    int32_t count = readI16(game, Game::GameMoveCount);
    // The record holds 512 moves; a larger count would read past it.
    if (count > Game::MaxGameMoves) count = Game::MaxGameMoves;
    for (int32_t i = 0; i < count; ++i) replayGameMove(game + Game::GameMoves + i * HostMoveSize);
    dropImpossibleEnPassantFile();
}
