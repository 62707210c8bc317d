// The UCI front end's own rules: reading `go`, turning the GUI's clock into the record's fields and the
// host's stop time, and the info lines of the engine's notifications.
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

TEST(UciGo, ClockAndLimitsBecomeRecordFieldsAndStopTime) {
    constexpr int64_t None = -1;
    struct Case {
        const char* go;
        bool black;
        int64_t overhead;
        int16_t timeMode;
        int32_t remaining;
        int32_t increment;
        int16_t movesToGo;
        int16_t depth;
        int64_t stopAfter; // None: no host stop
        bool untilStop;
    };
    const Case cases[] = {
        {"wtime 60000 btime 1000 winc 2000 binc 0", false, 50, 1, 59, 2, 32767, 0, 59950, false},
        {"wtime 60000 btime 10500 winc 0 binc 1999", true, 50, 1, 10, 1, 32767, 0, 10450, false},
        {"wtime 1049 btime 1049", false, 50, 1, 0, 0, 32767, 0, 999, false},
        {"wtime 1050", false, 50, 1, 1, 0, 32767, 0, 1000, false},
        {"wtime 30 winc 100", false, 50, 1, 0, 0, 32767, 0, 1, false},
        {"wtime -200 btime -200", false, 50, 1, 0, 0, 32767, 0, 1, false},
        {"wtime 600000 btime 600000 movestogo 40", false, 0, 1, 600, 0, 40, 0, 600000, false},
        {"wtime 600000 movestogo 0", false, 50, 1, 599, 0, 32767, 0, 599950, false},
        // Under a second left: the increment rule, which keeps the engine's 0.1 s floor.
        {"wtime 800 movestogo 5", false, 50, 1, 0, 0, 32767, 0, 750, false},
        {"wtime 1000000000000", false, 50, 1, 604800, 0, 32767, 0, 999999999950, false},
        {"depth 5", false, 50, 2, 0, 0, 32767, 5, None, false},
        {"depth 100", false, 50, 2, 0, 0, 32767, 63, None, false},
        {"depth 0", false, 50, 2, 0, 0, 32767, 1, None, false},
        {"depth 5 wtime 10000", false, 50, 2, 0, 0, 32767, 5, 9950, false},
        {"movetime 300", false, 50, 0, 0, 0, 32767, 0, 250, false},
        {"movetime 20", false, 50, 0, 0, 0, 32767, 0, 1, false},
        {"movetime 5000 wtime 2000", false, 50, 0, 0, 0, 32767, 0, 1950, false},
        {"infinite", false, 50, 0, 0, 0, 32767, 0, None, true},
        {"infinite wtime 2000", false, 50, 0, 0, 0, 32767, 0, None, true},
        {"", false, 50, 0, 0, 0, 32767, 0, None, true},
        // Only the other side's clock: nothing to play by.
        {"btime 2000", false, 50, 0, 0, 0, 32767, 0, None, true},
    };
    for (const Case& c : cases) {
        std::vector<std::string> warnings;
        const SearchPlan plan = planSearch(parseGo(words(c.go), 0, warnings), c.black, c.overhead);
        SCOPED_TRACE(std::string("go ") + c.go);
        EXPECT_TRUE(warnings.empty());
        EXPECT_EQ(plan.timeMode, c.timeMode);
        EXPECT_EQ(plan.remainingSeconds, c.remaining);
        EXPECT_EQ(plan.incrementSeconds, c.increment);
        EXPECT_EQ(plan.movesToGo, c.movesToGo);
        EXPECT_EQ(plan.fixedDepth, c.depth);
        EXPECT_EQ(plan.stopAfterMs.value_or(None), c.stopAfter);
        EXPECT_EQ(plan.untilStop, c.untilStop);
    }
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
    EXPECT_EQ(infoLine(depth, 6, 10), "info depth 7");

    Notification current;
    current.code = NOTIFY_CURRENT_MOVE;
    current.rootMove = {32, 48, 0x02, 0}; // e1g1, castling as the king's move
    current.rootMoveNumber = 3;
    EXPECT_EQ(infoLine(current, 4, 10), "info currmove e1g1 currmovenumber 3");

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
