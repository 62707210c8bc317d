// The bench's positions, its clock and its signature.
#include "bench.h"

#include "host/chess/game_record.h"
#include "host/module/notification.h"
#include "interface/entry_points.h"
#include "interface/host_records.h"
#include "interface/notify.h"
#include "interface/platform.h"
#include "movegen/ordering.h"
#include "platform/morlix32.h"
#include "search/root_search.h"
#include "search/search_state.h"

#include <chrono>
#include <cstdio>
#include <iterator>
#include <vector>

#if defined(_WIN32)
// The engine linked into a Windows program calls GetTickCount by its plain name. Defined here, in the
// object that every program using the bench links, it takes the place of KERNEL32's for the engine, so
// the engine's clock goes through the stand-in's tick counter, as it does on Linux.
uint32_t PLATFORM_SYSTEM_CALL GetTickCount(void) { return morlixTickCount(); }
#endif

namespace {

struct BenchPosition {
    const char* fen;
    int16_t depth;
};

// Openings, middlegames and endgames; each depth keeps its search to about a second.
const BenchPosition BenchPositions[] = {
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 6},
    {"r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3", 5},
    {"r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R2QKB1R w KQ - 0 8", 4},
    {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", 4},
    {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 5},
    {"2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1", 5},
    {"4rrk1/pp1n3p/3q2pQ/2p1pb2/2PP4/2P3N1/P2B2PP/4RRK1 b - - 0 1", 4},
    {"r5k1/5ppp/8/8/8/8/5PPP/3R2K1 b - - 0 1", 7},
    {"8/pp3k2/2p1p3/3n4/3P4/2N1K3/PP6/8 w - - 0 1", 8},
    {"8/8/p1p5/1p5p/1P5p/8/PPP2K1p/4R1rk w - - 0 1", 7},
    {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 7},
    {"8/k7/3p4/p2P1p2/P2P1P2/8/8/K7 w - - 0 1", 10},
};

// FNV-1a over everything the searches show: each notification with its record fields, each clock read
// in its place among them, and the history and killer tables after each search. Any change in the
// engine's behaviour changes it, not only a change in the node count.
struct Signature {
    uint64_t value = 14695981039346656037ull;
    void add(uint64_t word) {
        for (int i = 0; i < 8; ++i) {
            value ^= (word >> (8 * i)) & 0xFF;
            value *= 1099511628211ull;
        }
    }
    void add(const HostMoveBytes& move) { add(uint64_t(move.from) | move.to << 8 | move.flags << 16 | uint64_t(move.promotion) << 24); }
    void add(const Move& move) {
        add(HostMoveBytes{move.from, move.to, move.flags, move.promotion});
        add(uint64_t(uint32_t(move.score)));
    }
};

struct BenchObserver {
    Notification lastBest;
    Signature signature;
    uint32_t ticks = 0; // the bench's clock: one tick per read
};

int32_t observeNotification(void* context, int32_t code, int32_t hostParam1, int32_t hostParam2, void* record) {
    BenchObserver& observer = *static_cast<BenchObserver*>(context);
    const Notification n = decodeNotification(code, hostParam1, hostParam2, static_cast<const uint8_t*>(record));
    if (code == NOTIFY_BEST_MOVE) observer.lastBest = n;
    Signature& s = observer.signature;
    s.add(0x4E);
    s.add(uint64_t(uint32_t(n.code)));
    s.add(uint64_t(uint32_t(n.hostParam1)) | uint64_t(uint32_t(n.hostParam2)) << 32);
    s.add(uint64_t(uint32_t(n.depth)) | uint64_t(uint32_t(n.depthWord2)) << 32);
    s.add(uint64_t(uint32_t(n.rootMoveNumber)) | uint64_t(uint32_t(n.rootMoveCount)) << 32);
    s.add(n.rootMove);
    s.add(uint64_t(n.reportWord) | uint64_t(uint32_t(n.lineLength)) << 32);
    s.add(n.line);
    s.add(uint64_t(n.elapsedSeconds));
    s.add(uint64_t(uint32_t(n.scoreValue)) | uint64_t(uint32_t(n.scoreKind)) << 32);
    return 0;
}

uint32_t readBenchClock(void* context) {
    BenchObserver& observer = *static_cast<BenchObserver*>(context);
    observer.signature.add(0x43);
    return ++observer.ticks;
}

void addSearchTables(Signature& s) {
    for (const auto& row : HistoryTable)
        for (uint8_t entry : row) s.add(entry);
    for (const auto& pair : KillerMoves) {
        s.add(pair[0]);
        s.add(pair[1]);
    }
    for (const auto& slots : RootKillers)
        for (const Move& slot : slots) s.add(slot);
}

} // namespace

void runBenchSearches(int16_t depthOverride) {
    std::vector<uint8_t> best(HostRecord::BestMove::MinimumLength), current(HostRecord::CurrentMove::MinimumLength),
        depthRecord(HostRecord::Depth::MinimumLength);
    BenchObserver observer;
    morlixSetNotificationHandler(observeNotification, &observer);
    morlixSetTickCounter(readBenchClock, &observer);

    uint64_t totalNodes = 0;
    double totalSeconds = 0;
    int index = 0;
    const int count = int(std::size(BenchPositions));
    for (const BenchPosition& position : BenchPositions) {
        const int16_t depth = depthOverride > 0 ? depthOverride : position.depth;
        chess::GameRecord record(chess::playGame(position.fen, {}));
        record.setTimeMode(2);
        record.setFixedDepth(depth);
        // A fresh engine for every position, so that no history carries over from the one before.
        Eng1(best.data(), current.data(), depthRecord.data(), 0, nullptr);
        observer.lastBest = Notification{};
        observer.ticks = 0;
        const uint64_t nodesBefore = SearchNodes;
        const auto start = std::chrono::steady_clock::now();
        Eng9(record.data());
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        Eng2();
        addSearchTables(observer.signature);
        const uint64_t nodes = SearchNodes - nodesBefore;
        totalNodes += nodes;
        totalSeconds += seconds;
        std::printf("%2d/%d  depth %2d  %-6s %10llu nodes %7.0f ms %9.0f nps  %s\n", ++index, count, int(depth),
                    moveText(observer.lastBest.line).c_str(), static_cast<unsigned long long>(nodes), seconds * 1000,
                    seconds > 0 ? double(nodes) / seconds : 0.0, position.fen);
    }
    morlixSetNotificationHandler(nullptr, nullptr);
    morlixSetTickCounter(nullptr, nullptr);
    std::printf("===========================\n");
    std::printf("Total time (ms) : %.0f\n", totalSeconds * 1000);
    std::printf("Nodes searched  : %llu\n", static_cast<unsigned long long>(totalNodes));
    std::printf("Nodes/second    : %.0f\n", totalSeconds > 0 ? double(totalNodes) / totalSeconds : 0.0);
    std::printf("Signature       : %016llx\n", static_cast<unsigned long long>(observer.signature.value));
}
