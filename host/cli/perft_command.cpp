// perft: leaf counts of the legal move tree from the engine's own generator.
#include "commands.h"
#include "inprocess_engine.h"
#include "options.h"

#include "host/chess/game_record.h"
#include "host/module/notification.h"
#include "movegen/perft.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

struct Timer {
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    double seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
};

void printDivided(void*, const Move& move, uint64_t count) {
    const HostMoveBytes bytes{move.from, move.to, move.flags, move.promotion};
    std::printf("%s: %llu\n", moveText(bytes).c_str(), static_cast<unsigned long long>(count));
}

} // namespace

int runPerft(const std::vector<std::string>& args) {
    std::string fen(chess::InitialFen);
    std::vector<std::string> moves;
    long depth = -1;
    bool divide = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--fen") fen = optionText(args, i);
        else if (args[i] == "--divide") divide = true;
        else if (args[i] == "--moves") {
            while (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) moves.push_back(args[++i]);
        } else if (depth < 0 && args[i].rfind("--", 0) != 0) {
            depth = parseNumber("the perft depth", args[i], 0, 20);
        } else throw UsageError("perft: unknown argument '" + args[i] + "'");
    }
    if (depth < 0) throw UsageError("perft needs a depth");
    chess::GameRecord record(chess::playGame(fen, moves));
    loadEnginePosition(record);
    const Timer timer;
    const uint64_t leaves = divide ? perftDivide(int32_t(depth), printDivided, nullptr) : perft(int32_t(depth));
    const double seconds = timer.seconds();
    std::printf("perft %ld: %llu leaves in %.3f s (%.1f M leaves/s)\n", depth,
                static_cast<unsigned long long>(leaves), seconds, seconds > 0 ? double(leaves) / seconds / 1e6 : 0.0);
    return 0;
}

// Runs an EPD file of "FEN ;D1 n ;D2 n ..." lines, each position to the deepest listed depth whose
// count stays within the leaf cap.
int runPerftSuite(const std::vector<std::string>& args) {
    std::string path = KORVANE_PERFT_SUITE;
    unsigned long long maxLeaves = 500000;
    long maxDepth = 20;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--file") path = optionText(args, i);
        else if (args[i] == "--max-leaves") maxLeaves = static_cast<unsigned long long>(optionNumber(args, i, 1, 1L << 62));
        else if (args[i] == "--depth") maxDepth = optionNumber(args, i, 1, 20);
        else throw UsageError("perft-suite: unknown argument '" + args[i] + "'");
    }
    std::ifstream file(path);
    if (!file) throw UsageError("cannot open " + path);
    std::string line;
    int positions = 0, failures = 0;
    uint64_t totalLeaves = 0;
    const Timer timer;
    while (std::getline(file, line)) {
        const size_t semicolon = line.find(';');
        if (semicolon == std::string::npos) continue;
        const std::string fen = line.substr(0, semicolon);
        std::istringstream counts(line.substr(semicolon));
        std::string field;
        long depth = 0;
        unsigned long long expected = 0;
        while (std::getline(counts, field, ';')) {
            unsigned d = 0;
            unsigned long long n = 0;
            if (std::sscanf(field.c_str(), " D%u %llu", &d, &n) == 2 && long(d) <= maxDepth && n <= maxLeaves) {
                depth = long(d);
                expected = n;
            }
        }
        if (depth == 0) continue;
        chess::GameRecord record(chess::playGame(fen, {}));
        loadEnginePosition(record);
        const uint64_t leaves = perft(int32_t(depth));
        totalLeaves += leaves;
        ++positions;
        if (leaves != expected) {
            ++failures;
            std::printf("FAIL %s depth %ld: %llu, expected %llu\n", fen.c_str(), depth,
                        static_cast<unsigned long long>(leaves), expected);
        }
    }
    std::printf("%d positions, %d failed, %llu leaves in %.2f s\n", positions, failures,
                static_cast<unsigned long long>(totalLeaves), timer.seconds());
    return failures == 0 && positions > 0 ? 0 : 1;
}
