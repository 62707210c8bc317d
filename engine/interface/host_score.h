// How the best-move record presents a search score and the time since thinking began.
#pragma once

#include <cstdint>

constexpr int32_t ScoreKindPlain = 1;
constexpr int32_t ScoreKindMate = 2;

struct HostScore {
    int16_t value;
    uint16_t kind;
};

// Scores within 29900 of zero are plain hundredths of a pawn; beyond that they are mate distances in
// moves: positive when the engine mates, negative when it is mated.
// A score past the mate values can only come from an impossible board (three kings, say): it is held at
// the mate value, so it never reads as a mate for the wrong side and never wraps the 16-bit field.
constexpr HostScore hostScore(int32_t score) {
    if (score > 30000) score = 30000;
    if (score < -30000) score = -30000;
    if (score >= -29900 && score <= 29900) return {int16_t(score), ScoreKindPlain};
    if (score > 15000) return {int16_t((30000 - score) >> 1), ScoreKindMate};
    return {int16_t(-((score + 30000) >> 1)), ScoreKindMate};
}

// Whole seconds between two tick counts, halves rounded up, immune to the counter's wrap.
constexpr uint32_t roundedSeconds(uint32_t now, uint32_t start) { return (now - start + 500u) / 1000u; }
