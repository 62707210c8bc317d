// think: the engine thinks on one position, loaded as a host application loads it, and every
// notification is printed as it arrives.
#include "commands.h"
#include "options.h"

#include "host/chess/game_record.h"
#include "host/module/engine_module.h"
#include "host/module/notification.h"
#include "interface/host_records.h"
#include "interface/notify.h"
#include "platform/morlix32.h"

#include <chrono>
#include <cstdio>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;

struct ThinkState {
    Clock::time_point start = Clock::now();
    int depth = 0;
    std::optional<Notification> best;

    long elapsedMs() const {
        return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
    }
};

std::string scoreText(const Notification& n) {
    char text[32];
    if (n.scoreKind == 2) {
        std::snprintf(text, sizeof text, n.scoreValue > 0 ? "mate in %d" : "mated in %d",
                      n.scoreValue > 0 ? n.scoreValue : -n.scoreValue);
    } else {
        std::snprintf(text, sizeof text, "%+.2f", n.scoreValue / 100.0);
    }
    return text;
}

int32_t printNotification(void* context, int32_t code, int32_t hostParam1, int32_t hostParam2, void* record) {
    auto& state = *static_cast<ThinkState*>(context);
    const Notification n = decodeNotification(code, hostParam1, hostParam2, static_cast<const uint8_t*>(record));
    switch (code) {
    case NOTIFY_START:
        std::printf("thinking\n");
        break;
    case NOTIFY_DEPTH:
        state.depth = n.depth;
        std::printf("depth %d\n", n.depth);
        break;
    case NOTIFY_CURRENT_MOVE:
        std::printf("  depth %d  move %d/%d %s\n", state.depth, n.rootMoveNumber, n.rootMoveCount,
                    moveText(n.rootMove).c_str());
        break;
    case NOTIFY_BEST_MOVE:
        state.best = n;
        std::printf("  depth %d  best %s  score %s  time %u s (%ld ms)\n", state.depth, moveText(n.line).c_str(),
                    scoreText(n).c_str(), unsigned(n.elapsedSeconds), state.elapsedMs());
        break;
    default:
        std::printf("notification %d\n", code);
        break;
    }
    std::fflush(stdout);
    return 0;
}

void printUsage() {
    std::puts("usage: korvane think [--fen FEN] [--moves M1 M2 ...] [--depth N | --clock SECONDS [--inc SECONDS]\n"
              "                     [--movestogo N] | --unlimited]\n"
              "  Searches the position (the initial position by default) to depth 6 unless told otherwise.");
}

} // namespace

int runThink(const std::string& modulePath, const std::vector<std::string>& args) {
    std::string fen(chess::InitialFen);
    std::vector<std::string> moves;
    int16_t timeMode = 2, depth = 6, movesToGo = chess::MovesToGoNone;
    int32_t clockSeconds = 0, incrementSeconds = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--fen") fen = optionText(args, i);
        else if (arg == "--moves") {
            while (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) moves.push_back(args[++i]);
        } else if (arg == "--depth") {
            timeMode = 2;
            depth = int16_t(optionNumber(args, i, 0, 63));
        } else if (arg == "--clock") {
            timeMode = 1;
            clockSeconds = int32_t(optionNumber(args, i, 0, 1000000));
        } else if (arg == "--inc") {
            incrementSeconds = int32_t(optionNumber(args, i, 0, 100000));
        } else if (arg == "--movestogo") {
            movesToGo = int16_t(optionNumber(args, i, 1, 1000));
        } else if (arg == "--unlimited") {
            timeMode = 0;
        } else if (arg == "--help") {
            printUsage();
            return 0;
        } else {
            throw UsageError("think: unknown argument '" + arg + "'");
        }
    }

    const chess::Game game = chess::playGame(fen, moves);
    chess::GameRecord record(game);
    record.setTimeMode(timeMode);
    record.setFixedDepth(depth);
    record.setRemainingSeconds(clockSeconds);
    record.setIncrementSeconds(incrementSeconds);
    record.setMovesToGo(movesToGo);

    EngineModule module(modulePath);
    const EngineEntries& eng = module.entries();
    std::vector<uint8_t> best(HostRecord::BestMove::MinimumLength), current(HostRecord::CurrentMove::MinimumLength),
        depthRecord(HostRecord::Depth::MinimumLength), status(HostRecord::Status::MinimumLength);

    std::printf("%s %s by %s\nposition %s\n", eng.eng7(), eng.eng18(), eng.eng6(), game.current.fen().c_str());
    ThinkState state;
    morlixSetNotificationHandler(printNotification, &state);
    eng.eng1(best.data(), current.data(), depthRecord.data(), 0, status.data());
    state.start = Clock::now();
    eng.eng9(record.data());
    const long elapsed = state.elapsedMs();
    eng.eng2();
    morlixSetNotificationHandler(nullptr, nullptr);

    if (state.best) {
        std::printf("bestmove %s  score %s  (%ld ms)\n", moveText(state.best->line).c_str(),
                    scoreText(*state.best).c_str(), elapsed);
    } else if (game.current.legalMoves().empty()) {
        std::printf("no legal move: %s\n", game.current.inCheck() ? "checkmate" : "stalemate");
    } else {
        std::printf("no best move reported (depth %d)\n", int(depth));
    }
    return 0;
}
