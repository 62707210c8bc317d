// Byte layout of the records the host owns. Every multi-byte field is little-endian and may sit at any
// address, so fields are read and written byte by byte. The test hosts use these same definitions.
#pragma once

#include <cstdint>

namespace HostRecord {

// A move in every host record: from, to, flags, promotion (the first four bytes of a Move).
constexpr int32_t HostMoveSize = 4;

// Header shared by the three notification records.
constexpr int32_t HostParam2 = 8;
constexpr int32_t HostParam1 = 16;

namespace Game {
constexpr int32_t StartBoard = 24;
constexpr int32_t BlackToMove = 89;
constexpr int32_t EnPassantFile = 90;
constexpr int32_t CastlingRights = 91;
constexpr int32_t GameMoves = 92;
constexpr int32_t MaxGameMoves = 512;
constexpr int32_t GameMoveCount = 2140;
constexpr int32_t TimeMode = 2146;
constexpr int32_t RemainingSeconds = 2148;
constexpr int32_t IncrementSeconds = 2152;
constexpr int32_t MovesToGo = 2160;
constexpr int32_t FixedDepth = 2164;
constexpr int32_t MinimumLength = 2166;
} // namespace Game

namespace BestMove {
constexpr int32_t ReportWord = 20;
constexpr int32_t LineLength = 90;
constexpr int32_t Line = 92;
constexpr int32_t ElapsedSeconds = 220;
constexpr int32_t ScoreValue = 10088;
constexpr int32_t ScoreKind = 10090;
constexpr int32_t MinimumLength = 10092;
} // namespace BestMove

namespace CurrentMove {
constexpr int32_t RootMoveNumber = 20;
constexpr int32_t RootMoveCount = 22;
constexpr int32_t RootMove = 24;
constexpr int32_t MinimumLength = 28;
} // namespace CurrentMove

namespace Depth {
constexpr int32_t DepthValue = 20;
constexpr int32_t DepthWord2 = 22;
constexpr int32_t MinimumLength = 24;
} // namespace Depth

namespace Status {
constexpr int32_t StatusWord1 = 20;
constexpr int32_t StatusWord2 = 24;
constexpr int32_t MinimumLength = 28;
} // namespace Status

inline uint32_t readU32(const uint8_t* record, int32_t offset) {
    const uint8_t* p = record + offset;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t readI32(const uint8_t* record, int32_t offset) { return int32_t(readU32(record, offset)); }
inline uint16_t readU16(const uint8_t* record, int32_t offset) {
    const uint8_t* p = record + offset;
    return uint16_t(p[0] | p[1] << 8);
}
inline int16_t readI16(const uint8_t* record, int32_t offset) { return int16_t(readU16(record, offset)); }

inline void writeU32(uint8_t* record, int32_t offset, uint32_t value) {
    uint8_t* p = record + offset;
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
    p[2] = uint8_t(value >> 16);
    p[3] = uint8_t(value >> 24);
}
inline void writeU16(uint8_t* record, int32_t offset, uint16_t value) {
    uint8_t* p = record + offset;
    p[0] = uint8_t(value);
    p[1] = uint8_t(value >> 8);
}

} // namespace HostRecord
