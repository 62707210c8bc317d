// Basic types of the board model: squares, piece codes, sides and moves.
#pragma once

#include <cstdint>

// Square = file * 8 + rank (a1 = 0, a2 = 1, b1 = 8, h8 = 63): +1 is one rank up, +8 one file towards h.
using Square = uint8_t;

// Piece code: low three bits the type, 8 added for black; 0 is an empty square.
using PieceCode = uint8_t;

// Side: 0 white, 8 black; XOR with 8 gives the other side.
using Side = int32_t;

constexpr Side White = 0;
constexpr Side Black = 8;

constexpr PieceCode Empty = 0;
constexpr PieceCode King = 1;
constexpr PieceCode Queen = 2;
constexpr PieceCode Knight = 3;
constexpr PieceCode Bishop = 4;
constexpr PieceCode Rook = 5;
constexpr PieceCode Pawn = 6;

// Move flag bits. The four castling bits have the values of the castling rights they use.
constexpr uint8_t CastleWhiteQueenSide = 0x01;
constexpr uint8_t CastleWhiteKingSide = 0x02;
constexpr uint8_t CastleBlackQueenSide = 0x04;
constexpr uint8_t CastleBlackKingSide = 0x08;
constexpr uint8_t FlagEnPassant = 0x10;
constexpr uint8_t FlagDoublePush = 0x20;
constexpr uint8_t FlagPromotion = 0x40;
constexpr uint8_t FlagCapture = 0x80;

// flags & these masks select a group of move kinds.
constexpr uint8_t SpecialKindMask = 0x70;   // en passant, double push or promotion
constexpr uint8_t CastleMask = 0x0F;        // one of the four castles
constexpr uint8_t FullCheckTestMask = 0x1F; // castle or en passant: the quick check test is not enough
constexpr uint8_t TacticalMask = 0xD0;      // capture, promotion or en passant: searched by quiescence

// A move as the generator writes it. The first four bytes are also the host's move form.
struct Move {
    uint8_t from;
    uint8_t to;
    uint8_t flags;
    uint8_t promotion; // bare piece type of a promotion (2 queen, 3 knight, 4 bishop, 5 rook), else 0
    int32_t score;     // ordering score
};
static_assert(sizeof(Move) == 8, "a move is eight bytes");
