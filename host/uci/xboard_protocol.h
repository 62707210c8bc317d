// The parts of the xboard front end that need no engine: time controls, clock readings and the text
// of thinking lines.
#pragma once

#include "host/module/notification.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace xboard {

// A time control: moves per control (0: the whole game), the time for them and the increment, in
// milliseconds.
struct Level {
    int64_t movesPerControl = 0;
    int64_t baseMs = 0;
    int64_t incrementMs = 0;
};

// The arguments of `level MPS BASE INC`: BASE in minutes or minutes:seconds, INC in seconds; either may
// have a decimal fraction (`level 0 0:10 0.1`, `level 40 0.5 0`). Nothing for a malformed control.
std::optional<Level> parseLevel(const std::vector<std::string>& arguments);

// A whole number such as `time` and `otim` send (centiseconds, possibly negative) or `sd` and `st`;
// digits beyond 64 bits saturate. Nothing for text that is not a number.
std::optional<int64_t> parseInteger(const std::string& text);

// An xboard score: centipawns, or 100000 + N for a mate in N moves and -100000 - N for being mated in N.
int64_t score(const Notification& bestMove);

// The thinking line of a best-move notification: `ply score time nodes pv`, time in centiseconds. The
// front end does not learn the node count, so it is always 0.
std::string thinkingLine(int depth, const Notification& bestMove, int64_t elapsedMs);

} // namespace xboard
