#include "uci_protocol.h"

#include "engine/interface/notify.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <limits>

namespace uci {

namespace {

// Bounds that keep the engine's budget arithmetic (900 * I, 3000 * M, three times the target) inside
// 32 bits: a week on the clock, an hour of increment.
constexpr int64_t MaxRemainingSeconds = 7 * 24 * 3600;
constexpr int64_t MaxIncrementSeconds = 3600;
constexpr int16_t MaxMovesToGo = 32766;
constexpr int16_t MaxDepth = 63;
// The host's clock rule: how many moves a clock without a move count is spread over, and the most
// moves a move count shares the time between.
constexpr int64_t SuddenDeathMoves = 30;
constexpr int64_t MaxSharedMoves = 50;
// The most an iteration is expected to grow over the one before it.
constexpr int64_t MaxGrowth = 10;

int64_t capMs(int64_t ms) { return std::clamp<int64_t>(ms, 0, MaxPlanMs); }

bool isKeyword(const std::string& token) {
    static const char* const Keywords[] = {"wtime", "btime", "winc",     "binc",     "movestogo", "depth", "nodes",
                                           "mate",  "movetime", "perft", "infinite", "ponder",    "searchmoves"};
    for (const char* keyword : Keywords)
        if (token == keyword) return true;
    return false;
}

std::optional<int64_t> parseNumber(const std::string& text) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (end != text.data() + text.size()) return std::nullopt;
    // Digits beyond 64 bits: the nearest value there is.
    if (error == std::errc::result_out_of_range)
        return text.front() == '-' ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
    if (error != std::errc()) return std::nullopt;
    return value;
}

} // namespace

GoParameters parseGo(const std::vector<std::string>& tokens, size_t first, std::vector<std::string>& warnings) {
    GoParameters go;
    for (size_t i = first; i < tokens.size(); ++i) {
        const std::string& token = tokens[i];
        if (token == "infinite") {
            go.infinite = true;
            continue;
        }
        if (token == "ponder") {
            warnings.push_back("go ponder is not supported; searching by the other limits");
            continue;
        }
        if (token == "searchmoves") {
            size_t end = i + 1;
            while (end < tokens.size() && !isKeyword(tokens[end])) ++end;
            warnings.push_back("go searchmoves is not supported; searching all moves");
            i = end - 1;
            continue;
        }
        std::optional<int64_t>* slot = nullptr;
        if (token == "wtime") slot = &go.whiteTime;
        else if (token == "btime") slot = &go.blackTime;
        else if (token == "winc") slot = &go.whiteIncrement;
        else if (token == "binc") slot = &go.blackIncrement;
        else if (token == "movestogo") slot = &go.movesToGo;
        else if (token == "depth") slot = &go.depth;
        else if (token == "movetime") slot = &go.moveTime;
        else if (token == "perft") slot = &go.perft;
        const bool unsupported = token == "nodes" || token == "mate";
        if (slot == nullptr && !unsupported) {
            warnings.push_back("go: unknown token '" + token + "' ignored");
            continue;
        }
        if (i + 1 >= tokens.size() || isKeyword(tokens[i + 1])) {
            warnings.push_back("go " + token + " needs a number");
            continue;
        }
        const std::string& text = tokens[++i];
        const std::optional<int64_t> value = parseNumber(text);
        if (!value) {
            warnings.push_back("go " + token + ": '" + text + "' is not a number");
            continue;
        }
        if (unsupported) {
            warnings.push_back("go " + token + " is not supported; searching by the other limits");
            continue;
        }
        *slot = value;
    }
    return go;
}

SearchPlan planSearch(const GoParameters& go, bool blackToMove, int64_t moveOverheadMs, ClockRule rule) {
    SearchPlan plan;
    const std::optional<int64_t>& clock = blackToMove ? go.blackTime : go.whiteTime;
    const std::optional<int64_t>& increment = blackToMove ? go.blackIncrement : go.whiteIncrement;
    // A GUI may send a negative time once the flag has fallen; count it as none left.
    const int64_t clockMs = clock ? capMs(*clock) : 0;
    const int64_t incrementMs = capMs(increment.value_or(0));
    const int64_t overheadMs = capMs(moveOverheadMs);
    const bool byClock = clock && !go.infinite;

    if (go.depth) {
        plan.timeMode = 2;
        plan.fixedDepth = int16_t(std::clamp<int64_t>(*go.depth, 1, MaxDepth));
    } else if (byClock && !go.moveTime && rule == ClockRule::Engine) {
        plan.timeMode = 1;
        // Whole seconds, rounded down after the overhead is set aside, so the engine never believes it
        // has more time than the GUI's clock shows.
        plan.remainingSeconds = int32_t(std::min(std::max<int64_t>(clockMs - overheadMs, 0) / 1000, MaxRemainingSeconds));
        plan.incrementSeconds = int32_t(std::min(incrementMs / 1000, MaxIncrementSeconds));
        if (go.movesToGo && *go.movesToGo > 0 && plan.remainingSeconds > 0)
            plan.movesToGo = int16_t(std::min<int64_t>(*go.movesToGo, MaxMovesToGo));
        // With under a second left the move-count rule would allow no time at all; the increment rule
        // gives the engine its 0.1 s floor, and the watchdog below still guards the real clock.
    }
    // Otherwise timeMode 0: the engine has no time limit of its own and the host stops it.
    plan.untilStop = go.infinite || (!go.depth && !go.moveTime && !clock);

    if (byClock) {
        // The watchdog on the GUI's clock: the time left less the overhead, but at least half the time
        // left, so that a clock below the overhead still leaves depth 1 a chance to report.
        plan.lastResortMs = std::max({clockMs - overheadMs, clockMs / 2, int64_t(1)});
        plan.hardMs = plan.lastResortMs;
        if (rule == ClockRule::Host && !go.depth && !go.moveTime) {
            const int64_t available = std::max<int64_t>(clockMs - overheadMs, 0);
            int64_t soft = 0;
            int64_t cap = 0;
            if (go.movesToGo && *go.movesToGo > 0) {
                // The time is shared over the moves to go, with one share kept back as a margin for the
                // last of them.
                const int64_t moves = std::min<int64_t>(*go.movesToGo, MaxSharedMoves);
                soft = available / (moves + 1) + incrementMs * 3 / 4;
                cap = moves == 1 ? available * 3 / 4 : available / 2;
            } else {
                // The rest of the game: as if SuddenDeathMoves moves remained, and most of the increment.
                // A clock that falls settles where a move costs about the increment.
                soft = available / SuddenDeathMoves + incrementMs * 3 / 4;
                cap = available / 2;
            }
            plan.hardMs = std::min(soft * 4, cap);
            plan.softMs = std::min(soft, *plan.hardMs);
        }
    }
    if (go.moveTime) {
        const int64_t moveTimeMs = std::max<int64_t>(capMs(*go.moveTime) - overheadMs, 1);
        plan.hardMs = plan.hardMs ? std::min(*plan.hardMs, moveTimeMs) : moveTimeMs;
    }
    return plan;
}

std::optional<std::string> stopAtIteration(const SearchPlan& plan, const std::vector<int64_t>& iterationStartsMs) {
    // Depth 1 always runs: it gives the first searched move.
    if (!plan.softMs || iterationStartsMs.size() < 2) return std::nullopt;
    const int64_t now = iterationStartsMs.back();
    const std::string depth = std::to_string(iterationStartsMs.size());
    if (now >= *plan.softMs)
        return "depth " + depth + " not searched: " + std::to_string(now) + " ms spent, soft limit " +
               std::to_string(*plan.softMs) + " ms";
    // The next iteration is expected to grow as the last one did over the one before it, and at least
    // to double.
    const size_t n = iterationStartsMs.size();
    const int64_t last = now - iterationStartsMs[n - 2];
    int64_t growth = 2;
    if (n >= 3) {
        const int64_t before = iterationStartsMs[n - 2] - iterationStartsMs[n - 3];
        growth = std::clamp<int64_t>(last / std::max<int64_t>(before, 1), 2, MaxGrowth);
    }
    if (plan.hardMs && now + growth * last > *plan.hardMs)
        return "depth " + depth + " not searched: the last depth took " + std::to_string(last) + " ms, " +
               std::to_string(growth) + " times that will not finish by the hard limit of " +
               std::to_string(*plan.hardMs) + " ms";
    return std::nullopt;
}

std::optional<int64_t> ClockHistory::observe(int ply, int64_t clockMs) {
    clockMs = capMs(clockMs);
    if (known_ && ply == ply_ + 2) {
        gains_.push_back(std::max<int64_t>(clockMs - (clockMs_ - spentMs_), 0));
        if (gains_.size() > 3) gains_.erase(gains_.begin());
    } else {
        gains_.clear();
    }
    known_ = true;
    ply_ = ply;
    clockMs_ = clockMs;
    spentMs_ = 0;
    if (gains_.empty()) return std::nullopt;
    return *std::min_element(gains_.begin(), gains_.end());
}

std::optional<std::string> infoLine(const Notification& n, int lastDepth, int64_t elapsedMs) {
    const std::string time = std::to_string(std::max<int64_t>(elapsedMs, 0));
    switch (n.code) {
    case NOTIFY_DEPTH: return "info depth " + std::to_string(n.depth) + " time " + time;
    case NOTIFY_CURRENT_MOVE:
        return "info currmove " + moveText(n.rootMove) + " currmovenumber " + std::to_string(n.rootMoveNumber) +
               " time " + time;
    case NOTIFY_BEST_MOVE: {
        const std::string score =
            (n.scoreKind == 2 ? "mate " : "cp ") + std::to_string(n.scoreValue);
        return "info depth " + std::to_string(std::max(lastDepth, 1)) + " score " + score + " time " + time +
               " pv " + moveText(n.line);
    }
    default: return std::nullopt;
    }
}

std::vector<std::string> splitTokens(const std::string& line) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        const size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        if (i > start) tokens.push_back(line.substr(start, i - start));
    }
    return tokens;
}

std::string lowercase(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string joinTokens(const std::vector<std::string>& tokens, size_t first, size_t last) {
    std::string text;
    for (size_t i = first; i < last; ++i) text += (i > first ? " " : "") + tokens[i];
    return text;
}

} // namespace uci
