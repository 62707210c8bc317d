// The public perft suite: every position's legal tree counted to the deepest listed depth that stays small.
#include "movegen/perft.h"
#include "support/test_position.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

// Keeps the whole suite to a few seconds in a release build.
constexpr uint64_t MaxLeaves = 500000;

struct SuiteLine {
    std::string fen;
    int32_t depth = 0;
    uint64_t leaves = 0;
};

// Each line: a FEN, then ";D1 n ;D2 n ...". Picks the deepest depth whose count is below MaxLeaves, or
// the shallowest listed when none is.
bool parseLine(const std::string& line, SuiteLine& parsed) {
    const size_t firstField = line.find(';');
    if (firstField == std::string::npos) return false;
    parsed.fen = line.substr(0, firstField);
    std::istringstream fields(line.substr(firstField));
    std::string field;
    SuiteLine shallowest;
    while (std::getline(fields, field, ';')) {
        if (field.empty()) continue;
        int32_t depth = 0;
        unsigned long long leaves = 0;
        if (std::sscanf(field.c_str(), " D%d %llu", &depth, &leaves) != 2 || depth < 1) return false;
        if (leaves < MaxLeaves && depth > parsed.depth) parsed.depth = depth, parsed.leaves = leaves;
        if (shallowest.depth == 0 || depth < shallowest.depth) shallowest.depth = depth, shallowest.leaves = leaves;
    }
    if (parsed.depth == 0) parsed.depth = shallowest.depth, parsed.leaves = shallowest.leaves;
    return parsed.depth > 0;
}

} // namespace

TEST(PerftSuite, EveryPositionMatchesItsPublishedCount) {
    std::ifstream file(PERFT_SUITE_PATH);
    ASSERT_TRUE(file.is_open()) << "perft suite not found at " << PERFT_SUITE_PATH;
    int32_t positions = 0;
    std::string line;
    while (std::getline(file, line)) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        SuiteLine parsed;
        ASSERT_TRUE(parseLine(line, parsed)) << "unreadable suite line: " << line;
        loadFen(parsed.fen);
        EXPECT_EQ(perft(parsed.depth), parsed.leaves) << parsed.fen << " depth " << parsed.depth;
        ++positions;
    }
    EXPECT_GT(positions, 100) << "the suite at " << PERFT_SUITE_PATH << " is shorter than expected";
}

// Speed, not correctness: run with --gtest_also_run_disabled_tests --gtest_filter='*Speed*' on a release
// build.
TEST(PerftSuite, DISABLED_Speed) {
    const struct {
        const char* fen;
        int32_t depth;
        uint64_t leaves;
    } runs[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 6, 119060324},
        {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 5, 193690690},
    };
    for (const auto& run : runs) {
        loadFen(run.fen);
        const auto start = std::chrono::steady_clock::now();
        const uint64_t leaves = perft(run.depth);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_EQ(leaves, run.leaves);
        std::printf("perft(%d) %s: %llu leaves in %.2f s, %.1f M leaves/s\n", run.depth, run.fen,
                    (unsigned long long)leaves, seconds, double(leaves) / seconds / 1e6);
    }
}
