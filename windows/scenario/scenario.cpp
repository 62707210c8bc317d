#include "windows/scenario/scenario.h"

#include "host/module/notification.h"
#include "interface/host_records.h"
#include "interface/notify.h"

#include <chrono>
#include <string>
#include <vector>

namespace {

using namespace HostRecord;

struct Think {
    const char* name;
    const char* fen; // placement, side, castling, en passant
    std::vector<uint32_t> moves; // game moves from the position: from | to << 8 | flags << 16
    int16_t depth; // fixed depth; 0 searches without a limit until the stop below
    int32_t stopAtDepth = 0; // the host asks for a stop when this depth's notification arrives
};

constexpr uint32_t gameMove(int from, int to, int flags) { return uint32_t(from | to << 8 | flags << 16); }
constexpr int square(char file, char rank) { return (file - 'a') * 8 + (rank - '1'); }

const Think Thinks[] = {
    {"initial position", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", {}, 4},
    {"after 1.e4 e5 2.Nf3", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
     {gameMove(square('e', '2'), square('e', '4'), 0x20), gameMove(square('e', '7'), square('e', '5'), 0x20),
      gameMove(square('g', '1'), square('f', '3'), 0)},
     3},
    {"en passant open", "rnbqkbnr/pp3ppp/4p3/2ppP3/3P4/8/PPP2PPP/RNBQKBNR w KQkq d6", {}, 3},
    {"middlegame", "r2q1rk1/pp2bppp/2n1bn2/3p4/3P4/2NBBN2/PP3PPP/R2Q1RK1 w - -", {}, 2},
    {"promotion", "8/P6k/8/8/8/8/6K1/8 w - -", {}, 3},
    {"mate in one", "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - -", {}, 3},
    {"checkmated", "R5k1/5ppp/8/8/8/8/5PPP/6K1 b - -", {}, 3},
    {"initial position, stopped", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", {}, 0, 3},
};

// A think call that takes this long may already see the engine's 500 ms rules.
constexpr long SlowThinkMilliseconds = 400;

int pieceCode(char letter) {
    const char* const Letters = "kqnbrp";
    for (int type = 0; type < 6; ++type) {
        if (letter == Letters[type]) return type + 1 + 8;
        if (letter == Letters[type] - 'a' + 'A') return type + 1;
    }
    return 0;
}

// Fills the game record: the FEN's position, the game moves, and a fixed-depth or unlimited search.
void fillGame(uint8_t* game, const Think& think) {
    std::fill(game, game + Game::MinimumLength, uint8_t(0));
    const char* c = think.fen;
    for (int rank = 7, file = 0; *c != ' '; ++c) {
        if (*c == '/') {
            --rank;
            file = 0;
        } else if (*c >= '1' && *c <= '8') {
            file += *c - '0';
        } else {
            game[Game::StartBoard + file * 8 + rank] = uint8_t(pieceCode(*c));
            ++file;
        }
    }
    ++c;
    game[Game::BlackToMove] = *c == 'b' ? 1 : 0;
    c += 2;
    uint8_t castling = 0;
    for (; *c != ' '; ++c) {
        if (*c == 'Q') castling |= 0x01;
        if (*c == 'K') castling |= 0x02;
        if (*c == 'q') castling |= 0x04;
        if (*c == 'k') castling |= 0x08;
    }
    game[Game::CastlingRights] = castling;
    ++c;
    game[Game::EnPassantFile] = *c == '-' ? 0 : uint8_t(*c - 'a' + 1);
    for (size_t i = 0; i < think.moves.size(); ++i) writeU32(game, Game::GameMoves + int32_t(i) * HostMoveSize, think.moves[i]);
    writeU16(game, Game::GameMoveCount, uint16_t(think.moves.size()));
    writeU16(game, Game::TimeMode, think.depth > 0 ? 2 : 0);
    writeU16(game, Game::FixedDepth, uint16_t(think.depth));
}

// The host's records, each with its own header words, so every notification shows which record it
// carried and that both header words arrived.
struct Records {
    std::vector<uint8_t> best = std::vector<uint8_t>(BestMove::MinimumLength);
    std::vector<uint8_t> current = std::vector<uint8_t>(CurrentMove::MinimumLength);
    std::vector<uint8_t> depth = std::vector<uint8_t>(Depth::MinimumLength);
    std::vector<uint8_t> status = std::vector<uint8_t>(Status::MinimumLength, 0xff);
    std::vector<uint8_t> game = std::vector<uint8_t>(Game::MinimumLength);
    std::FILE* out = nullptr;
    const EngineEntries* eng = nullptr;
    int32_t stopAtDepth = 0;

    Records() {
        setHeader(best, 101, 102);
        setHeader(current, 201, 202);
        setHeader(depth, 301, 302);
    }
    static void setHeader(std::vector<uint8_t>& record, uint32_t hostParam1, uint32_t hostParam2) {
        writeU32(record.data(), HostParam1, hostParam1);
        writeU32(record.data(), HostParam2, hostParam2);
    }
    const char* nameOf(const void* record) const {
        if (record == best.data()) return "best";
        if (record == current.data()) return "current";
        if (record == depth.data()) return "depth";
        return "unknown";
    }
};

int32_t printNotification(void* context, int32_t code, int32_t hostParam1, int32_t hostParam2, void* record) {
    const Records& records = *static_cast<const Records*>(context);
    const Notification n = decodeNotification(code, hostParam1, hostParam2, static_cast<const uint8_t*>(record));
    std::fprintf(records.out, "  %s | %s %d %d\n", formatNotification(n).c_str(), records.nameOf(record),
                 int(hostParam1), int(hostParam2));
    // What another thread of the host may do while the search runs: ask whether it runs, then stop it.
    if (code == NOTIFY_DEPTH && n.depth == records.stopAtDepth) {
        std::fprintf(records.out, "  Eng4 %d Eng5 %d, Eng3\n", int(records.eng->eng4()), int(records.eng->eng5()));
        records.eng->eng3();
    }
    return 0;
}

} // namespace

void runScenario(const EngineEntries& eng, RegisterSink registerSink, std::FILE* out) {
    Records records;
    records.out = out;
    records.eng = &eng;
    registerSink(printNotification, &records);

    std::fprintf(out, "Eng5 %d\n", int(eng.eng5()));
    std::fprintf(out, "Eng4 %d\n", int(eng.eng4()));
    std::fprintf(out, "Eng6 %s\nEng7 %s\nEng18 %s\n", eng.eng6(), eng.eng7(), eng.eng18());
    std::fprintf(out, "Eng8 %d\nEng13 %d\nEng12 %d\n", int(eng.eng8()), int(eng.eng13()), int(eng.eng12()));
    eng.eng10();
    eng.eng11();
    eng.eng14();
    // A stop asked for before a search has no effect on it.
    eng.eng3();

    std::fprintf(out, "Eng1 %d\n", int(eng.eng1(records.best.data(), records.current.data(), records.depth.data(), 0,
                                                records.status.data())));
    std::fprintf(out, "status %u %u\n", unsigned(readU32(records.status.data(), Status::StatusWord1)),
                 unsigned(readU32(records.status.data(), Status::StatusWord2)));
    // The host may pass more arguments than an entry reads; the caller removes them.
    using Eng1WithExtra = int32_t (*)(void*, void*, void*, int32_t, void*, int32_t);
    const auto eng1WithExtra = reinterpret_cast<Eng1WithExtra>(reinterpret_cast<void (*)()>(eng.eng1));
    std::fprintf(out, "Eng1 again %d\n",
                 int(eng1WithExtra(records.best.data(), records.current.data(), records.depth.data(), 0, nullptr, 7)));
    std::fprintf(out, "Eng5 %d\n", int(eng.eng5()));

    for (const Think& think : Thinks) {
        fillGame(records.game.data(), think);
        records.stopAtDepth = think.stopAtDepth;
        if (think.depth > 0)
            std::fprintf(out, "Eng9 %s, depth %d\n", think.name, int(think.depth));
        else
            std::fprintf(out, "Eng9 %s, no depth limit\n", think.name);
        const auto start = std::chrono::steady_clock::now();
        eng.eng9(records.game.data());
        const long milliseconds = long(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
        if (milliseconds >= SlowThinkMilliseconds)
            std::fprintf(stderr, "scenario: Eng9 on '%s' took %ld ms; its reports may depend on the time\n",
                         think.name, milliseconds);
        std::fprintf(out, "Eng4 %d\n", int(eng.eng4()));
    }

    std::fprintf(out, "Eng2 %d\n", int(eng.eng2()));
    std::fprintf(out, "Eng5 %d\n", int(eng.eng5()));
    std::fprintf(out, "Eng2 again %d\n", int(eng.eng2()));
    registerSink(nullptr, nullptr);
}

namespace {

int32_t countNotification(void* context, int32_t, int32_t, int32_t, void*) {
    *static_cast<long*>(context) += 1;
    return 0;
}

const Think TimedThinks[] = {
    {"initial position", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", {}, 6},
    {"middlegame", "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -", {}, 4},
    {"tactics", "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - -", {}, 5},
    {"rook endgame", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", {}, 7},
};

} // namespace

void runTimingRun(const EngineEntries& eng, RegisterSink registerSink, std::FILE* out) {
    Records records;
    long notifications = 0;
    registerSink(countNotification, &notifications);
    eng.eng1(records.best.data(), records.current.data(), records.depth.data(), 0, nullptr);
    long total = 0;
    for (const Think& think : TimedThinks) {
        fillGame(records.game.data(), think);
        const auto start = std::chrono::steady_clock::now();
        eng.eng9(records.game.data());
        const long milliseconds = long(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
        total += milliseconds;
        std::fprintf(out, "%-18s depth %d  %6ld ms\n", think.name, int(think.depth), milliseconds);
    }
    std::fprintf(out, "total %ld ms, %ld notifications\n", total, notifications);
    eng.eng2();
    registerSink(nullptr, nullptr);
}
