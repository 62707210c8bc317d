// The xboard front end's own readings: time controls and the score and time of thinking lines.
#include "engine/interface/notify.h"
#include "host/uci/xboard_protocol.h"

#include <gtest/gtest.h>

namespace {

struct LevelCase {
    std::vector<std::string> arguments;
    std::optional<xboard::Level> expected;
};

TEST(XboardLevel, ReadsEveryFormOfTheControl) {
    using L = xboard::Level;
    const LevelCase cases[] = {
        {{"40", "5", "0"}, L{40, 300000, 0}},
        {{"0", "0:10", "0.1"}, L{0, 10000, 100}},
        {{"0", "2", "0.02"}, L{0, 120000, 20}},
        {{"0", "1:30", "5"}, L{0, 90000, 5000}},
        {{"0", "0.5", "0"}, L{0, 30000, 0}},
        {{"0", "0:02.5", "0.0005"}, L{0, 2500, 0}},
        {{"0", ".5", "1."}, L{0, 30000, 1000}},
        {{"0", "99999999999999999999", "0"}, L{0, 1000000000000, 0}},
        {{"40", "5"}, std::nullopt},
        {{"40", "5", "0", "0"}, std::nullopt},
        {{"-1", "5", "0"}, std::nullopt},
        {{"0", "x", "0"}, std::nullopt},
        {{"0", "1.5:30", "0"}, std::nullopt},
        {{"0", "1:", "0"}, std::nullopt},
        {{"0", "5", "-1"}, std::nullopt},
        {{"0", "5", "."}, std::nullopt},
    };
    for (const LevelCase& c : cases) {
        const std::optional<xboard::Level> level = xboard::parseLevel(c.arguments);
        SCOPED_TRACE(c.arguments[0] + " " + c.arguments[1]);
        ASSERT_EQ(level.has_value(), c.expected.has_value());
        if (!level) continue;
        EXPECT_EQ(level->movesPerControl, c.expected->movesPerControl);
        EXPECT_EQ(level->baseMs, c.expected->baseMs);
        EXPECT_EQ(level->incrementMs, c.expected->incrementMs);
    }
}

TEST(XboardThinking, ScoresMatesAsXboardReadsThem) {
    Notification n;
    n.code = NOTIFY_BEST_MOVE;
    n.line = {12, 11, 0, 0}; // b5 to b4 in the engine's numbering (file * 8 + rank)
    n.scoreKind = 1;
    n.scoreValue = -35;
    EXPECT_EQ(xboard::thinkingLine(0, n, 1234), "1 -35 123 0 b5b4");
    n.scoreKind = 2;
    n.scoreValue = 3;
    EXPECT_EQ(xboard::thinkingLine(7, n, 9), "7 100003 0 0 b5b4");
    n.scoreValue = -2;
    EXPECT_EQ(xboard::thinkingLine(7, n, -5), "7 -100002 0 0 b5b4");
}

} // namespace
