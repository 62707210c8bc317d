// How a search score and the thinking time appear in the best-move record.
#include "interface/host_score.h"

#include <gtest/gtest.h>

TEST(HostScore, PlainScoresAndMateDistances) {
    struct Case {
        int32_t score;
        int32_t kind;
        int32_t value;
    };
    const Case cases[] = {
        {0, 1, 0},       {-150, 1, -150},  {29900, 1, 29900}, {-29900, 1, -29900}, {29901, 2, 49},
        {-29901, 2, -49}, {29998, 2, 1},   {29996, 2, 2},     {29999, 2, 0},       {-29997, 2, -1},
        {-29995, 2, -2}, {-29999, 2, 0},   {30000, 2, 0},     {-30000, 2, 0},
        // Beyond the mate values: only on impossible boards, held at the mate value of the same sign.
        {40000, 2, 0},   {-40000, 2, 0},   {2000000, 2, 0},   {-2000000, 2, 0},
    };
    for (const Case& c : cases) {
        const HostScore shown = hostScore(c.score);
        EXPECT_EQ(shown.kind, c.kind) << c.score;
        EXPECT_EQ(shown.value, c.value) << c.score;
    }
}

TEST(HostScore, ElapsedSecondsRoundHalvesUp) {
    struct Case {
        uint32_t start;
        uint32_t now;
        uint32_t seconds;
    };
    const Case cases[] = {
        {1000, 1000, 0},   {1000, 1499, 0}, {1000, 1500, 1}, {1000, 2499, 1}, {1000, 2500, 2},
        {0xFFFFFF00u, 0xFFFFFF00u + 1500u, 2}, // the tick counter wraps in between
    };
    for (const Case& c : cases) EXPECT_EQ(roundedSeconds(c.now, c.start), c.seconds) << c.now - c.start;
}
