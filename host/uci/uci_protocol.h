// The parts of the UCI front end that need no engine: the `go` parameters, how they become the game
// record's clock fields and the host's own time limits, and the text of the engine's notifications.
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
// tokens, bad numbers) adds a line to warnings and is otherwise skipped. Numbers beyond 64 bits
// saturate, so a huge clock stays a huge clock.
GoParameters parseGo(const std::vector<std::string>& tokens, size_t first, std::vector<std::string>& warnings);

// Who budgets the time of a move played by the clock. Host: the front end plans in milliseconds and
// stops the engine itself, which runs without a time limit. Engine: the record carries the clock in
// whole seconds and the engine's own budget applies, as the host application does it.
enum class ClockRule { Host, Engine };

// Milliseconds are capped here before any arithmetic: about 31 years, plenty for any clock, and far
// from where sums, products and clock deadlines could overflow.
constexpr int64_t MaxPlanMs = 1000000000000;

// What the record says and when the host itself stops the search. Times are milliseconds after the
// start of the search.
struct SearchPlan {
    int16_t timeMode = 0;
    int32_t remainingSeconds = 0;
    int32_t incrementSeconds = 0;
    int16_t movesToGo = 32767;
    int16_t fixedDepth = 0;
    // An iteration that begins after this is not searched (host clock rule only).
    std::optional<int64_t> softMs;
    // The host stops the engine here, as soon as depth 1 has reported a move.
    std::optional<int64_t> hardMs;
    // The last moment on the GUI's clock: the host stops the engine here even if it has not reported a
    // move yet. None: there is no clock to lose on, so depth 1 is always waited for.
    std::optional<int64_t> lastResortMs;
    // Searches until `stop` (go infinite, or go without limits).
    bool untilStop = false;
};

SearchPlan planSearch(const GoParameters& go, bool blackToMove, int64_t moveOverheadMs,
                      ClockRule rule = ClockRule::Host);

// Called as an iteration begins, with the elapsed time at which each iteration of this search began
// (the new one last). Gives the reason to stop the engine now, or nothing to let the iteration run: it
// began after the soft limit, or it plainly cannot finish before the hard limit, judged by how the
// iterations so far have grown.
std::optional<std::string> stopAtIteration(const SearchPlan& plan, const std::vector<int64_t>& iterationStartsMs);

// Some GUIs leave winc/binc out (polyglot drops an increment below a second) and add it to the clock
// all the same. The host then sees it in the clock: the time left at this move less what was left after
// the last one, two plies before. The smallest of the last three such gains counts as the increment.
class ClockHistory {
public:
    // Before a move by the clock: the game's ply and the side's clock. Gives the increment seen, if the
    // last such move was two plies before by the same side; otherwise the history starts again here.
    std::optional<int64_t> observe(int ply, int64_t clockMs);
    // The time the move just observed took; 0 if never called.
    void spent(int64_t ms) { spentMs_ = ms; }
    void reset() { known_ = false; gains_.clear(); }

private:
    bool known_ = false;
    int ply_ = 0;
    int64_t clockMs_ = 0;
    int64_t spentMs_ = 0;
    std::vector<int64_t> gains_;
};

// The info line for one notification, or nothing for codes that have none. lastDepth is the depth of
// the last depth notification of this search; every line carries the elapsed time.
std::optional<std::string> infoLine(const Notification& notification, int lastDepth, int64_t elapsedMs);

// A command line's words, split at white space; a word's text in lower case; the words first to last
// (not included) joined by single spaces, as a FEN is given back from its words.
std::vector<std::string> splitTokens(const std::string& line);
std::string lowercase(std::string text);
std::string joinTokens(const std::vector<std::string>& tokens, size_t first, size_t last);

} // namespace uci
