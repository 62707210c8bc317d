// The parts of the UCI front end that need no engine: the `go` parameters, how they become the game
// record's clock fields and the host's own stop time, and the text of the engine's notifications.
#pragma once

#include "host/module/notification.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace uci {

constexpr int64_t DefaultMoveOverheadMs = 50;
constexpr int64_t MaxMoveOverheadMs = 5000;

struct GoParameters {
    std::optional<int64_t> whiteTime, blackTime, whiteIncrement, blackIncrement, movesToGo;
    std::optional<int64_t> depth, moveTime, perft;
    bool infinite = false;
};

// Reads the tokens after `go`. Anything it cannot honour (nodes, mate, ponder, searchmoves, unknown
// tokens, bad numbers) adds a line to warnings and is otherwise skipped.
GoParameters parseGo(const std::vector<std::string>& tokens, size_t first, std::vector<std::string>& warnings);

// What the record says and when the host itself stops the search.
struct SearchPlan {
    int16_t timeMode = 0;
    int32_t remainingSeconds = 0;
    int32_t incrementSeconds = 0;
    int16_t movesToGo = 32767;
    int16_t fixedDepth = 0;
    // Milliseconds after the start at which the host calls Eng3: movetime, or the watchdog for the
    // time actually left on the clock. None: only `stop` ends the search early.
    std::optional<int64_t> stopAfterMs;
    // Searches until `stop` (go infinite, or go without limits).
    bool untilStop = false;
};

SearchPlan planSearch(const GoParameters& go, bool blackToMove, int64_t moveOverheadMs);

// The info line for one notification, or nothing for codes that have none. lastDepth is the depth of
// the last depth notification of this search.
std::optional<std::string> infoLine(const Notification& notification, int lastDepth, int64_t elapsedMs);

} // namespace uci
