// The UCI front end's own rules: reading `go`, turning the GUI's clock into the record's fields and the
// host's time limits, when to stop at the start of an iteration, and the info lines of the engine's
// notifications.
#include "engine/interface/notify.h"
#include "host/uci/uci_protocol.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace uci;

namespace {

std::vector<std::string> words(const std::string& text) {
    std::istringstream stream(text);
    std::vector<std::string> result;
    for (std::string word; stream >> word;) result.push_back(word);
    return result;
}

} // namespace

TEST(UciGo, ClockAndLimitsBecomeRecordFieldsAndTimeLimits) {
    constexpr int64_t None = -1;
    constexpr ClockRule Host = ClockRule::Host, Engine = ClockRule::Engine;
    constexpr int64_t Huge = MaxPlanMs - 50; // the capped clock less the overhead
    struct Case {
        const char* go;
        bool black;
        int64_t overhead;
        ClockRule rule;
        int16_t timeMode;
        int32_t remaining;
        int32_t increment;
        int16_t movesToGo;
        int16_t depth;
        int64_t soft, hard, lastResort; // None: no such limit
        bool untilStop;
    };
    const Case cases[] = {
        // The host's rule: the engine runs without a limit; a thirtieth of the clock and most of the
        // increment, at most four times that, at most half the clock.
        {"wtime 10000 btime 10000 winc 100 binc 100", false, 50, Host, 0, 0, 0, 32767, 0, 406, 1624, 9950, false},
        {"wtime 800 btime 800 winc 100 binc 100", false, 50, Host, 0, 0, 0, 32767, 0, 100, 375, 750, false},
        {"wtime 60000", false, 50, Host, 0, 0, 0, 32767, 0, 1998, 7992, 59950, false},
        {"wtime 60000 btime 2000 winc 0 binc 20", true, 50, Host, 0, 0, 0, 32767, 0, 80, 320, 1950, false},
        {"wtime 1000 winc 100000000", false, 50, Host, 0, 0, 0, 32767, 0, 475, 475, 950, false},
        // Moves to go share the clock, one share kept back.
        {"wtime 300000 movestogo 40", false, 50, Host, 0, 0, 0, 32767, 0, 7315, 29260, 299950, false},
        {"wtime 600000 btime 600000 movestogo 40", false, 0, Host, 0, 0, 0, 32767, 0, 14634, 58536, 600000, false},
        {"wtime 3000 movestogo 1", false, 50, Host, 0, 0, 0, 32767, 0, 1475, 2212, 2950, false},
        {"wtime 3000 movestogo 0", false, 50, Host, 0, 0, 0, 32767, 0, 98, 392, 2950, false},
        // A clock below the overhead, or none at all: stop as soon as depth 1 reports, and if it does not,
        // when half the clock is gone.
        {"wtime 30 winc 100", false, 50, Host, 0, 0, 0, 32767, 0, 0, 0, 15, false},
        {"wtime -200 btime -200", false, 50, Host, 0, 0, 0, 32767, 0, 0, 0, 1, false},
        // Huge clocks, beyond 64 bits too, are plenty of time.
        {"wtime 9223372036854775807 btime 9223372036854775807", false, 50, Host, 0, 0, 0, 32767, 0, Huge / 30,
         Huge / 30 * 4, Huge, false},
        {"wtime 99999999999999999999", false, 50, Host, 0, 0, 0, 32767, 0, Huge / 30, Huge / 30 * 4, Huge, false},
        {"wtime 10000000000000", false, 50, Host, 0, 0, 0, 32767, 0, Huge / 30, Huge / 30 * 4, Huge, false},
        // The engine's rule: whole seconds in the record, and the watchdog on the real clock.
        {"wtime 60000 btime 1000 winc 2000 binc 0", false, 50, Engine, 1, 59, 2, 32767, 0, None, 59950, 59950, false},
        {"wtime 60000 btime 10500 winc 0 binc 1999", true, 50, Engine, 1, 10, 1, 32767, 0, None, 10450, 10450, false},
        {"wtime 1049 btime 1049", false, 50, Engine, 1, 0, 0, 32767, 0, None, 999, 999, false},
        {"wtime 600000 btime 600000 movestogo 40", false, 0, Engine, 1, 600, 0, 40, 0, None, 600000, 600000, false},
        // Under a second left: the increment rule, which keeps the engine's 0.1 s floor.
        {"wtime 800 movestogo 5", false, 50, Engine, 1, 0, 0, 32767, 0, None, 750, 750, false},
        {"wtime 30 winc 100", false, 50, Engine, 1, 0, 0, 32767, 0, None, 15, 15, false},
        {"wtime 9223372036854775807", false, 50, Engine, 1, 604800, 0, 32767, 0, None, Huge, Huge, false},
        // The other limits, the same under both rules.
        {"depth 5", false, 50, Host, 2, 0, 0, 32767, 5, None, None, None, false},
        {"depth 100", false, 50, Engine, 2, 0, 0, 32767, 63, None, None, None, false},
        {"depth 0", false, 50, Host, 2, 0, 0, 32767, 1, None, None, None, false},
        {"depth 5 wtime 10000", false, 50, Host, 2, 0, 0, 32767, 5, None, 9950, 9950, false},
        {"movetime 300", false, 50, Host, 0, 0, 0, 32767, 0, None, 250, None, false},
        {"movetime 20", false, 50, Engine, 0, 0, 0, 32767, 0, None, 1, None, false},
        {"movetime -9223372036854775808", false, 50, Host, 0, 0, 0, 32767, 0, None, 1, None, false},
        {"movetime 9223372036854", false, 50, Host, 0, 0, 0, 32767, 0, None, Huge, None, false},
        {"movetime 5000 wtime 2000", false, 50, Host, 0, 0, 0, 32767, 0, None, 1950, 1950, false},
        {"infinite", false, 50, Host, 0, 0, 0, 32767, 0, None, None, None, true},
        {"infinite wtime 2000", false, 50, Engine, 0, 0, 0, 32767, 0, None, None, None, true},
        {"", false, 50, Host, 0, 0, 0, 32767, 0, None, None, None, true},
        // Only the other side's clock: nothing to play by.
        {"btime 2000", false, 50, Host, 0, 0, 0, 32767, 0, None, None, None, true},
    };
    for (const Case& c : cases) {
        std::vector<std::string> warnings;
        const SearchPlan plan = planSearch(parseGo(words(c.go), 0, warnings), c.black, c.overhead, c.rule);
        SCOPED_TRACE(std::string("go ") + c.go + (c.rule == Host ? " (host rule)" : " (engine rule)"));
        EXPECT_TRUE(warnings.empty());
        EXPECT_EQ(plan.timeMode, c.timeMode);
        EXPECT_EQ(plan.remainingSeconds, c.remaining);
        EXPECT_EQ(plan.incrementSeconds, c.increment);
        EXPECT_EQ(plan.movesToGo, c.movesToGo);
        EXPECT_EQ(plan.fixedDepth, c.depth);
        EXPECT_EQ(plan.softMs.value_or(None), c.soft);
        EXPECT_EQ(plan.hardMs.value_or(None), c.hard);
        EXPECT_EQ(plan.lastResortMs.value_or(None), c.lastResort);
        EXPECT_EQ(plan.untilStop, c.untilStop);
    }
}

TEST(UciGo, IterationsBegunLateOrTooLongAreStopped) {
    SearchPlan clock;
    clock.softMs = 400;
    clock.hardMs = 1600;
    SearchPlan moveTime;
    moveTime.hardMs = 250;
    struct Case {
        const SearchPlan& plan;
        std::vector<int64_t> starts;
        bool stop;
    };
    const Case cases[] = {
        {clock, {0}, false},
        {clock, {420}, false}, // depth 1 always runs
        {clock, {0, 3}, false},
        {clock, {0, 420}, true},
        {clock, {0, 10, 60, 300}, false},  // grew 4 times: 300 + 4 * 240 is within 1600
        {clock, {0, 10, 80, 390}, true},   // 390 + 4 * 310 is not
        {clock, {0, 200, 250, 300}, false}, // at least doubling: 300 + 2 * 50
        {clock, {0, 100, 110, 390}, true},  // grew 28 times, counted as 10
        {moveTime, {0, 300}, false},        // no soft limit: only the hard limit stops it
        {moveTime, {0, 5, 100, 200}, false},
    };
    for (const Case& c : cases) {
        std::ostringstream starts;
        for (const int64_t t : c.starts) starts << ' ' << t;
        EXPECT_EQ(stopAtIteration(c.plan, c.starts).has_value(), c.stop) << "iterations began at" << starts.str();
    }
}

TEST(UciGo, AnIncrementLeftOutIsSeenInTheClock) {
    constexpr int64_t None = -1;
    struct Move {
        int ply;
        int64_t clock, spent;
        int64_t seen;
    };
    // One side's moves: what it had, what the move took, and the increment the history sees before it.
    const Move moves[] = {
        {0, 10000, 300, None}, {2, 9780, 200, 80},  {4, 9690, 100, 80}, {6, 9690, 0, 80},
        {8, 9790, 0, 100}, // the smallest of the last three gains: 110, 100, 100
        {11, 5000, 0, None}, // not two plies on: another game or position
        {13, 5100, 0, 100},  {15, 4000, 0, 0}, // a clock that lost time counts as no increment
    };
    ClockHistory history;
    for (const Move& move : moves) {
        EXPECT_EQ(history.observe(move.ply, move.clock).value_or(None), move.seen) << "at ply " << move.ply;
        history.spent(move.spent);
    }
    history.reset();
    EXPECT_FALSE(history.observe(17, 4000));
}

TEST(UciGo, UnsupportedAndMalformedParametersAreReportedAndSkipped) {
    struct Case {
        const char* go;
        std::vector<std::string> warnings;
    };
    const Case cases[] = {
        {"nodes 1000 depth 3", {"go nodes is not supported; searching by the other limits"}},
        {"mate 2 depth 3", {"go mate is not supported; searching by the other limits"}},
        {"ponder depth 3", {"go ponder is not supported; searching by the other limits"}},
        {"searchmoves e2e4 d2d4 depth 3", {"go searchmoves is not supported; searching all moves"}},
        {"frobnicate depth 3", {"go: unknown token 'frobnicate' ignored"}},
        {"wtime soon depth 3", {"go wtime: 'soon' is not a number"}},
        {"movetime depth 3", {"go movetime needs a number"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> warnings;
        const GoParameters go = parseGo(words(c.go), 0, warnings);
        EXPECT_EQ(warnings, c.warnings) << c.go;
        EXPECT_EQ(go.depth.value_or(-1), 3) << c.go;
        EXPECT_FALSE(go.whiteTime || go.moveTime) << c.go;
    }
    std::vector<std::string> warnings;
    EXPECT_EQ(parseGo(words("go perft 4"), 1, warnings).perft.value_or(0), 4);
}

TEST(UciInfo, NotificationsBecomeInfoLines) {
    Notification depth;
    depth.code = NOTIFY_DEPTH;
    depth.depth = 7;
    EXPECT_EQ(infoLine(depth, 6, 10), "info depth 7 time 10");

    Notification current;
    current.code = NOTIFY_CURRENT_MOVE;
    current.rootMove = {32, 48, 0x02, 0}; // e1g1, castling as the king's move
    current.rootMoveNumber = 3;
    EXPECT_EQ(infoLine(current, 4, 10), "info currmove e1g1 currmovenumber 3 time 10");

    Notification best;
    best.code = NOTIFY_BEST_MOVE;
    best.line = {38, 39, 0x40, 3}; // e7e8n
    best.scoreKind = 1;
    best.scoreValue = -35;
    EXPECT_EQ(infoLine(best, 5, 1234), "info depth 5 score cp -35 time 1234 pv e7e8n");
    best.scoreKind = 2;
    best.scoreValue = -2;
    EXPECT_EQ(infoLine(best, 5, 1234), "info depth 5 score mate -2 time 1234 pv e7e8n");

    Notification start;
    start.code = NOTIFY_START;
    EXPECT_FALSE(infoLine(start, 0, 0));
}
