#include "uci_protocol.h"

#include "engine/interface/notify.h"

#include <algorithm>
#include <charconv>

namespace uci {

namespace {

// Bounds that keep the engine's budget arithmetic (900 * I, 3000 * M, three times the target) inside
// 32 bits: a week on the clock, an hour of increment.
constexpr int64_t MaxRemainingSeconds = 7 * 24 * 3600;
constexpr int64_t MaxIncrementSeconds = 3600;
constexpr int16_t MaxMovesToGo = 32766;
constexpr int16_t MaxDepth = 63;

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
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
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

SearchPlan planSearch(const GoParameters& go, bool blackToMove, int64_t moveOverheadMs) {
    SearchPlan plan;
    const std::optional<int64_t>& clock = blackToMove ? go.blackTime : go.whiteTime;
    const std::optional<int64_t>& increment = blackToMove ? go.blackIncrement : go.whiteIncrement;
    // A GUI may send a negative time once the flag has fallen; count it as none left.
    const int64_t clockMs = clock ? std::max<int64_t>(*clock, 0) : 0;

    if (go.depth) {
        plan.timeMode = 2;
        plan.fixedDepth = int16_t(std::clamp<int64_t>(*go.depth, 1, MaxDepth));
    } else if (clock && !go.moveTime && !go.infinite) {
        plan.timeMode = 1;
        // Whole seconds, rounded down after the overhead is set aside, so the engine never believes it
        // has more time than the GUI's clock shows.
        plan.remainingSeconds = int32_t(std::min((std::max<int64_t>(clockMs - moveOverheadMs, 0)) / 1000,
                                                 MaxRemainingSeconds));
        plan.incrementSeconds =
            int32_t(std::min(std::max<int64_t>(increment.value_or(0), 0) / 1000, MaxIncrementSeconds));
        if (go.movesToGo && *go.movesToGo > 0 && plan.remainingSeconds > 0)
            plan.movesToGo = int16_t(std::min<int64_t>(*go.movesToGo, MaxMovesToGo));
        // With under a second left the move-count rule would allow no time at all; the increment rule
        // gives the engine its 0.1 s floor, and the watchdog below still guards the real clock.
    }
    plan.untilStop = go.infinite || (!go.depth && !go.moveTime && !clock);

    if (go.moveTime) plan.stopAfterMs = std::max<int64_t>(*go.moveTime - moveOverheadMs, 1);
    if (clock && !go.infinite) {
        const int64_t watchdog = std::max<int64_t>(clockMs - moveOverheadMs, 1);
        plan.stopAfterMs = plan.stopAfterMs ? std::min(*plan.stopAfterMs, watchdog) : watchdog;
    }
    return plan;
}

std::optional<std::string> infoLine(const Notification& n, int lastDepth, int64_t elapsedMs) {
    switch (n.code) {
    case NOTIFY_DEPTH: return "info depth " + std::to_string(n.depth);
    case NOTIFY_CURRENT_MOVE:
        return "info currmove " + moveText(n.rootMove) + " currmovenumber " + std::to_string(n.rootMoveNumber);
    case NOTIFY_BEST_MOVE: {
        const std::string score =
            (n.scoreKind == 2 ? "mate " : "cp ") + std::to_string(n.scoreValue);
        return "info depth " + std::to_string(std::max(lastDepth, 1)) + " score " + score + " time " +
               std::to_string(std::max<int64_t>(elapsedMs, 0)) + " pv " + moveText(n.line);
    }
    default: return std::nullopt;
    }
}

} // namespace uci
