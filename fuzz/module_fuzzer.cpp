// Fuzzes the engine through its entry points, linked in-process: the input supplies every byte of the
// game records and chooses the order of the calls. The harness is the host: it owns the records (each
// in a buffer of exactly its length, so a write past its end is caught), supplies Func3 and a fake
// GetTickCount, and checks what the engine reports against the root moves of the position it was given;
// when the record holds a legal game, those root moves must be the legal moves of the host's own board.
//
// Input layout:
//   byte 0       record misalignment (low two bits)
//   byte 1       milliseconds the fake clock advances on every read
//   byte 2       deepest iteration allowed before the host stops the search (1 to 4)
//   byte 3       clock reads allowed per think call before the host stops it (times 8)
//   bytes 4-15   twelve calls, each byte % 8 (see runCall)
//   then         game records of 2166 bytes each; each think call takes the next one, a short last
//                one is padded with zeros, and when none are left the last one is used again.

#include "board/position.h"
#include "host/chess/game_record.h"
#include "interface/engine_state.h"
#include "interface/entry_points.h"
#include "interface/host_records.h"
#include "interface/import_position.h"
#include "interface/notify.h"
#include "movegen/attacks.h"
#include "movegen/generator.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr size_t HeaderLength = 16;
constexpr size_t CallCount = 12;
constexpr size_t RecordLength = HostRecord::Game::MinimumLength;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "module fuzzer: %s\n", what);
    std::abort();
}

#define CHECK(condition)                                                                                  \
    do {                                                                                                 \
        if (!(condition)) fail(#condition);                                                             \
    } while (0)

// A host record in a heap block of exactly its length plus the misalignment.
struct Record {
    std::unique_ptr<uint8_t[]> storage;
    uint8_t* data = nullptr;
    void allocate(size_t length, size_t misalignment) {
        storage = std::make_unique<uint8_t[]>(length + misalignment);
        std::memset(storage.get(), 0, length + misalignment);
        data = storage.get() + misalignment;
    }
};

struct HostMove {
    uint8_t bytes[4];
    bool operator==(const HostMove& other) const { return std::memcmp(bytes, other.bytes, 4) == 0; }
};

struct Harness {
    // Set per input.
    uint32_t clockStep = 0;
    int32_t depthCap = 1;
    uint32_t readCap = 64;

    // The clock and the host's stop.
    uint32_t now = 1000;
    uint32_t reads = 0;
    bool thinking = false;
    bool hostStopped = false;
    bool stoppedByReads = false;

    // What the current think call may report.
    std::vector<HostMove> rootMoves;
    int32_t lastDepth = 0;
    int32_t bestMoves = 0;
    int32_t starts = 0;
    int32_t notifications = 0;

    Record best, current, depth, status;
};

Harness H;

HostMove hostMoveAt(const uint8_t* record, int32_t offset) {
    HostMove m;
    std::memcpy(m.bytes, record + offset, 4);
    return m;
}

bool isRootMove(const HostMove& move) {
    for (const HostMove& m : H.rootMoves)
        if (m == move) return true;
    return false;
}

void hostStop() {
    H.hostStopped = true;
    Eng3();
}

} // namespace

extern "C" __attribute__((visibility("default"))) uint32_t GetTickCount(void) {
    H.now += H.clockStep;
    if (H.thinking && ++H.reads > H.readCap && !H.hostStopped) {
        H.stoppedByReads = true;
        hostStop();
    }
    return H.now;
}

extern "C" __attribute__((visibility("default"))) int32_t Func3(int32_t code, int32_t, int32_t, void* pointer) {
    CHECK(H.thinking);
    ++H.notifications;
    const uint8_t* record = static_cast<const uint8_t*>(pointer);
    switch (code) {
    case NOTIFY_START:
        CHECK(record == H.best.data);
        CHECK(++H.starts == 1);
        CHECK(H.notifications == 1);
        break;
    case NOTIFY_DEPTH: {
        CHECK(record == H.depth.data);
        CHECK(Eng4() == 1);
        const int32_t d = HostRecord::readI16(record, HostRecord::Depth::DepthValue);
        CHECK(d == H.lastDepth + 1);
        H.lastDepth = d;
        if (d > H.depthCap && !H.hostStopped) hostStop();
        break;
    }
    case NOTIFY_CURRENT_MOVE: {
        CHECK(record == H.current.data);
        CHECK(Eng4() == 1);
        const int32_t number = HostRecord::readI16(record, HostRecord::CurrentMove::RootMoveNumber);
        const int32_t count = HostRecord::readI16(record, HostRecord::CurrentMove::RootMoveCount);
        CHECK(count == int32_t(H.rootMoves.size()));
        CHECK(number >= 1 && number <= count);
        // Each iteration puts its best move first, so only membership is fixed.
        CHECK(isRootMove(hostMoveAt(record, HostRecord::CurrentMove::RootMove)));
        break;
    }
    case NOTIFY_BEST_MOVE: {
        CHECK(record == H.best.data);
        CHECK(Eng4() == 1);
        CHECK(H.lastDepth >= 1);
        CHECK(HostRecord::readU16(record, HostRecord::BestMove::LineLength) == 1);
        CHECK(isRootMove(hostMoveAt(record, HostRecord::BestMove::Line)));
        const uint16_t kind = HostRecord::readU16(record, HostRecord::BestMove::ScoreKind);
        CHECK(kind == 1 || kind == 2);
        ++H.bestMoves;
        break;
    }
    default:
        fail("unknown notification code");
    }
    return 0;
}

namespace {

struct Model {
    bool initialised = false;
    bool recordsComplete = false; // Eng1 was given all three notification records
};

// The record's position on the host's own board, when the record holds a legal position and a legal
// game from it: then the engine's root moves must be exactly the host's legal moves.
std::optional<std::vector<HostMove>> hostLegalMoves(const uint8_t* game) {
    using namespace HostRecord;
    static const char Letters[] = " KQNBRP?";
    std::string fen;
    for (int rank = 7; rank >= 0; --rank) {
        int empty = 0;
        for (int file = 0; file < 8; ++file) {
            const uint8_t code = game[Game::StartBoard + file * 8 + rank];
            if (code == 0) {
                ++empty;
                continue;
            }
            if ((code & 7) == 0 || (code & 7) == 7 || code > 15) return std::nullopt;
            if (empty > 0) fen += char('0' + empty);
            empty = 0;
            const char letter = Letters[code & 7];
            fen += code & 8 ? char(letter - 'A' + 'a') : letter;
        }
        if (empty > 0) fen += char('0' + empty);
        if (rank > 0) fen += '/';
    }
    const bool black = game[Game::BlackToMove] != 0;
    fen += black ? " b " : " w ";
    const uint8_t castling = game[Game::CastlingRights];
    if ((castling & 0x0F) == 0) fen += '-';
    if (castling & 0x02) fen += 'K';
    if (castling & 0x01) fen += 'Q';
    if (castling & 0x08) fen += 'k';
    if (castling & 0x04) fen += 'q';
    const int epFile = int(game[Game::EnPassantFile]) - 1;
    if (epFile > 7) return std::nullopt;
    fen += epFile < 0 ? std::string(" -") : std::string(" ") + char('a' + epFile) + (black ? '3' : '6');
    fen += " 0 1";
    try {
        chess::Board board = chess::Board::fromFen(fen);
        const int count = std::min<int>(readI16(game, Game::GameMoveCount), Game::MaxGameMoves);
        for (int i = 0; i < count; ++i) {
            const uint8_t* m = game + Game::GameMoves + i * HostMoveSize;
            const chess::Move move{m[0], m[1], m[2], m[3]};
            const auto legal = board.legalMoves();
            if (std::find(legal.begin(), legal.end(), move) == legal.end()) return std::nullopt;
            board.apply(move);
        }
        std::vector<HostMove> moves;
        for (const chess::Move& move : board.legalMoves()) moves.push_back({{move.from, move.to, move.flags, move.promotion}});
        return moves;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool sameMoveSet(std::vector<HostMove> a, std::vector<HostMove> b) {
    auto less = [](const HostMove& x, const HostMove& y) { return std::memcmp(x.bytes, y.bytes, 4) < 0; };
    std::sort(a.begin(), a.end(), less);
    std::sort(b.begin(), b.end(), less);
    return a == b;
}

// The engine's own root list for the record, as its root search builds it.
void computeRootMoves(const uint8_t* game) {
    importPosition(game);
    rebuildPosition();
    MoveCount = 0;
    Pos.ply = 0;
    generateMoves();
    filterLegalRootMoves();
    H.rootMoves.clear();
    for (int32_t i = 0; i < MoveCount; ++i) {
        HostMove m;
        std::memcpy(m.bytes, &MoveStack[i], 4);
        H.rootMoves.push_back(m);
    }
    MoveCount = 0;
    if (const auto legal = hostLegalMoves(game)) CHECK(sameMoveSet(*legal, H.rootMoves));
}

void think(Model& model, uint8_t* game, bool stopFirst) {
    if (model.initialised && model.recordsComplete) computeRootMoves(game);
    if (stopFirst) Eng3();
    H.thinking = true;
    H.hostStopped = false;
    H.stoppedByReads = false;
    H.reads = 0;
    H.lastDepth = 0;
    H.bestMoves = 0;
    H.starts = 0;
    H.notifications = 0;
    CHECK(Eng9(game) == 0);
    H.thinking = false;
    CHECK(Eng4() == 0);
    if (!model.initialised || !model.recordsComplete) {
        CHECK(H.notifications == 0);
        return;
    }
    CHECK(H.starts == 1);
    // With a still clock only the host's stops end a search; one that reached its second iteration has
    // finished the first, which always reports a move.
    const int16_t timeMode = HostRecord::readI16(game, HostRecord::Game::TimeMode);
    const int16_t fixedDepth = HostRecord::readI16(game, HostRecord::Game::FixedDepth);
    const bool searches = !H.rootMoves.empty() && (timeMode != 2 || fixedDepth >= 1);
    if (searches && H.clockStep == 0 && (!H.stoppedByReads || H.lastDepth >= 2)) CHECK(H.bestMoves >= 1);
    if (H.rootMoves.empty()) CHECK(H.lastDepth == 0);
}

void queries(const Model& model) {
    CHECK(Eng4() == 0);
    CHECK(Eng5() == (model.initialised ? 1 : 0));
    CHECK(Eng6() != nullptr && Eng7() != nullptr && Eng18() != nullptr);
    CHECK(std::strlen(Eng6()) > 0 && std::strlen(Eng7()) > 0 && std::strlen(Eng18()) > 0);
    CHECK(Eng8() == 0 && Eng13() == 0);
    CHECK(Eng12() == 8208);
    Eng10();
    Eng11();
    Eng14();
}

void initialise(Model& model, bool withBest, bool withCurrent, bool withStatus) {
    const int32_t result = Eng1(withBest ? H.best.data : nullptr, withCurrent ? H.current.data : nullptr,
                                H.depth.data, 0, withStatus ? H.status.data : nullptr);
    if (model.initialised) {
        CHECK(result == 1);
        return;
    }
    CHECK(result == 0);
    model.initialised = true;
    model.recordsComplete = withBest && withCurrent;
    if (withStatus) {
        CHECK(HostRecord::readU32(H.status.data, HostRecord::Status::StatusWord1) == 0);
        CHECK(HostRecord::readU32(H.status.data, HostRecord::Status::StatusWord2) == 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < HeaderLength) return -1;
    const size_t misalignment = data[0] & 3;
    H.clockStep = data[1];
    H.depthCap = 1 + (data[2] & 3);
    H.readCap = 8u * (1u + data[3]);
    H.now = 1000;

    H.best.allocate(HostRecord::BestMove::MinimumLength, misalignment);
    H.current.allocate(HostRecord::CurrentMove::MinimumLength, misalignment);
    H.depth.allocate(HostRecord::Depth::MinimumLength, misalignment);
    H.status.allocate(HostRecord::Status::MinimumLength, misalignment);

    // The records, each in a block of its own.
    std::vector<Record> games;
    for (size_t offset = HeaderLength; offset < size; offset += RecordLength) {
        const size_t length = size - offset < RecordLength ? size - offset : RecordLength;
        Record& game = games.emplace_back();
        game.allocate(RecordLength, misalignment);
        std::memcpy(game.data, data + offset, length);
    }
    if (games.empty()) games.emplace_back().allocate(RecordLength, misalignment);
    size_t nextGame = 0;
    auto takeGame = [&]() -> uint8_t* {
        uint8_t* game = games[nextGame].data;
        if (nextGame + 1 < games.size()) ++nextGame;
        return game;
    };

    // Each input starts from an engine that is not initialised.
    Eng2();
    Model model;
    for (size_t i = 0; i < CallCount; ++i) {
        switch (data[4 + i] & 7) {
        case 0: initialise(model, true, true, true); break;
        case 1: initialise(model, true, true, false); break;
        case 2: think(model, takeGame(), false); break;
        case 3:
            CHECK(Eng2() == 0);
            model.initialised = false;
            break;
        case 4: queries(model); break;
        case 5: think(model, takeGame(), true); break;
        case 6: initialise(model, false, true, true); break;
        case 7: initialise(model, true, false, true); break;
        }
    }
    Eng2();
    return 0;
}
