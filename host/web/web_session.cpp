// korvane-uci's behaviour on the worker's only thread: the same commands, messages, time plan and
// stop rules as host/uci/uci.cpp, with the search and the perft run by the main loop instead of threads.
#include "web_session.h"

#include "engine/interface/entry_points.h"
#include "engine/interface/host_records.h"
#include "engine/interface/notify.h"
#include "host/bench/bench.h"
#include "host/chess/game_record.h"
#include "host/module/notification.h"
#include "host/uci/uci_protocol.h"
#include "platform/morlix32.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <deque>
#include <optional>
#include <stdexcept>
#include <vector>

namespace web {
namespace {

using Clock = std::chrono::steady_clock;
using uci::joinTokens;
using uci::lowercase;
using uci::splitTokens;

void say(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void info(const std::string& text) { say("info string " + text); }

int64_t millisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

struct Search {
    chess::Board board;
    chess::GameRecord record;
    uci::SearchPlan plan;
    Clock::time_point start;
    int lastDepth = 0;
    bool reported = false;
    chess::Move best;
    std::vector<int64_t> iterationStarts;
    bool byClock = false;
};

struct Session {
    std::vector<uint8_t> bestRecord = std::vector<uint8_t>(size_t(HostRecord::BestMove::MinimumLength));
    std::vector<uint8_t> currentRecord = std::vector<uint8_t>(size_t(HostRecord::CurrentMove::MinimumLength));
    std::vector<uint8_t> depthRecord = std::vector<uint8_t>(size_t(HostRecord::Depth::MinimumLength));
    std::vector<uint8_t> statusRecord = std::vector<uint8_t>(size_t(HostRecord::Status::MinimumLength));
    chess::Game game = chess::playGame(chess::InitialFen, {});
    int64_t moveOverheadMs = uci::DefaultMoveOverheadMs;
    uci::ClockRule clockRule = uci::ClockRule::Host;
    uci::ClockHistory clockHistory;
    int64_t incrementSeen = 0;

    std::deque<std::string> input;
    bool inputEnded = false;

    Next work = Next::Nothing;
    std::optional<Search> search;
    chess::Board perftBoard;
    int perftDepth = 0;
    bool perftStop = false;
    // Stop requests for the running search, as in korvane-uci's supervisor.
    bool stopWanted = false;
    bool hostStop = false;
    bool forceStop = false;
    bool stopping = false;
    bool failed = false;
};

Session* session = nullptr;

int32_t onNotification(void*, int32_t code, int32_t hostParam1, int32_t hostParam2, void* record);

void startEngine() {
    Session& s = *session;
    morlixSetNotificationHandler(onNotification, nullptr);
    Eng1(s.bestRecord.data(), s.currentRecord.data(), s.depthRecord.data(), 0, s.statusRecord.data());
}

void handleUci() {
#if defined(KORVANE_VERSION)
    say(std::string("id name ") + Eng7() + " " + KORVANE_VERSION);
#else
    say(std::string("id name ") + Eng7());
#endif
    say(std::string("id author ") + Eng6());
    say("option name Move Overhead type spin default " + std::to_string(uci::DefaultMoveOverheadMs) + " min 0 max " +
        std::to_string(uci::MaxMoveOverheadMs));
    say("option name Clock type combo default Host var Host var Engine");
    say("uciok");
}

void handleSetOption(const std::vector<std::string>& tokens, size_t at) {
    Session& s = *session;
    if (at >= tokens.size() || tokens[at] != "name") {
        info("setoption: expected 'name'");
        return;
    }
    const auto valueAt = std::find(tokens.begin() + long(at), tokens.end(), "value");
    const size_t valueIndex = size_t(valueAt - tokens.begin());
    const std::string name = joinTokens(tokens, at + 1, valueIndex);
    const std::string value = valueIndex < tokens.size() ? joinTokens(tokens, valueIndex + 1, tokens.size()) : "";
    if (lowercase(name) == "clock") {
        if (lowercase(value) == "host") s.clockRule = uci::ClockRule::Host;
        else if (lowercase(value) == "engine") s.clockRule = uci::ClockRule::Engine;
        else info("Clock: '" + value + "' is neither Host nor Engine");
        return;
    }
    if (lowercase(name) != "move overhead") {
        info("unknown option '" + name + "' ignored");
        return;
    }
    int64_t milliseconds = -1;
    try {
        size_t used = 0;
        milliseconds = std::stoll(value, &used);
        if (used != value.size()) milliseconds = -1;
    } catch (const std::exception&) {
    }
    if (milliseconds < 0 || milliseconds > uci::MaxMoveOverheadMs) {
        info("Move Overhead: '" + value + "' is not a number from 0 to " + std::to_string(uci::MaxMoveOverheadMs));
        return;
    }
    s.moveOverheadMs = milliseconds;
}

void handlePosition(const std::vector<std::string>& tokens, size_t at) {
    std::string fen;
    size_t i = at;
    if (i < tokens.size() && tokens[i] == "startpos") {
        fen = chess::InitialFen;
        ++i;
    } else if (i < tokens.size() && tokens[i] == "fen") {
        const size_t fenStart = ++i;
        while (i < tokens.size() && tokens[i] != "moves") ++i;
        fen = joinTokens(tokens, fenStart, i);
    } else {
        info("position: expected 'startpos' or 'fen'; position not changed");
        return;
    }
    if (i < tokens.size() && tokens[i] != "moves") {
        info("position: unexpected '" + tokens[i] + "' after the position; position not changed");
        return;
    }
    const std::vector<std::string> moves(tokens.begin() + long(std::min(i + 1, tokens.size())), tokens.end());
    try {
        session->game = chess::playGame(fen, moves);
    } catch (const std::exception& error) {
        info(std::string(error.what()) + "; position not changed");
    }
}

void newGame() {
    Session& s = *session;
    s.clockHistory.reset();
    // A new game starts with fresh history counts.
    Eng2();
    startEngine();
    s.game = chess::playGame(chess::InitialFen, {});
}

void handleGo(const std::vector<std::string>& tokens, size_t at) {
    Session& s = *session;
    std::vector<std::string> warnings;
    const uci::GoParameters go = uci::parseGo(tokens, at, warnings);
    for (const std::string& warning : warnings) info(warning);
    if (go.perft) {
        if (*go.perft < 1) {
            info("go perft needs a depth of at least 1");
            return;
        }
        s.perftBoard = s.game.current;
        s.perftDepth = int(std::min<int64_t>(*go.perft, 64));
        s.perftStop = false;
        s.work = Next::Perft;
        return;
    }
    const bool black = s.game.current.blackToMove();
    if ((black ? !go.blackTime : !go.whiteTime) && (go.whiteTime || go.blackTime) && !go.depth && !go.moveTime)
        info("no time given for the side to move; searching until stop");
    const std::optional<int64_t>& clock = black ? go.blackTime : go.whiteTime;
    const bool byClock = clock && !go.infinite && !go.depth && !go.moveTime;
    uci::GoParameters planned = go;
    if (byClock) {
        const int ply = (s.game.current.fullmoveNumber() - 1) * 2 + (black ? 1 : 0);
        const std::optional<int64_t> seen = s.clockHistory.observe(ply, *clock);
        std::optional<int64_t>& increment = black ? planned.blackIncrement : planned.whiteIncrement;
        if (!increment && !go.movesToGo && seen) {
            increment = *seen;
            if (*seen != s.incrementSeen)
                info("no increment given; the clock gains " + std::to_string(*seen) + " ms a move");
            s.incrementSeen = *seen;
        }
    } else {
        s.clockHistory.reset();
    }
    Search search{s.game.current, chess::GameRecord(s.game), {}, {}, 0, false, {}, {}, byClock};
    search.plan = uci::planSearch(planned, black, s.moveOverheadMs, s.clockRule);
    const uci::SearchPlan& plan = search.plan;
    // Against the clock a forced move is searched to depth 1 only: well under a millisecond, and the
    // GUI still gets its info line with a score. The clock's watchdog stays.
    if (plan.hardMs && !plan.untilStop && !go.depth && s.game.current.legalMoves().size() == 1) {
        info("only one legal move; searched to depth 1 only");
        search.plan.timeMode = 2;
        search.plan.fixedDepth = 1;
    }
    search.record.setTimeMode(plan.timeMode);
    search.record.setRemainingSeconds(plan.remainingSeconds);
    search.record.setIncrementSeconds(plan.incrementSeconds);
    search.record.setMovesToGo(plan.movesToGo);
    search.record.setFixedDepth(plan.fixedDepth);
    search.iterationStarts.reserve(64);
    s.search.emplace(std::move(search));
    s.work = Next::Search;
}

// Asks the running work to stop. A search still waits for depth 1 to report unless force is set or
// the GUI's clock runs out; a perft stops at once.
void requestStop(bool force) {
    Session& s = *session;
    if (s.work == Next::Perft) s.perftStop = true;
    if (s.work != Next::Search) return;
    s.stopWanted = true;
    s.forceStop = s.forceStop || force;
    onClock();
}

enum class Outcome { Done, Quit, Defer };

// One command of a line; an unknown token is reported and skipped. While work runs, the commands that
// wait for it (ucinewgame, position, go, bench, quit) are deferred: `at` then names the token to resume
// from.
Outcome dispatch(const std::vector<std::string>& tokens, size_t& at, bool busy) {
    for (; at < tokens.size(); ++at) {
        const std::string& command = tokens[at];
        if (busy && (command == "ucinewgame" || command == "position" || command == "go" || command == "bench" ||
                     command == "quit"))
            return Outcome::Defer;
        if (command == "uci") handleUci();
        else if (command == "isready") say("readyok");
        else if (command == "setoption") handleSetOption(tokens, at + 1);
        else if (command == "ucinewgame") newGame();
        else if (command == "position") handlePosition(tokens, at + 1);
        else if (command == "go") handleGo(tokens, at + 1);
        else if (command == "stop") requestStop(false);
        else if (command == "quit") return Outcome::Quit;
        else if (command == "bench") {
            // The bench of `korvane bench`, on this build: it replaces the engine's state and handlers.
            const std::optional<int64_t> depth =
                at + 1 < tokens.size() ? std::optional<int64_t>(std::atoll(tokens[at + 1].c_str())) : std::nullopt;
            Eng2();
            runBenchSearches(int16_t(std::clamp<int64_t>(depth.value_or(0), 0, 30)));
            startEngine();
        } else if (command == "debug" || command == "register") {
        } else if (command == "ponderhit") info("ponder is not supported; ponderhit ignored");
        else {
            info("unknown command '" + command + "' ignored");
            continue;
        }
        return Outcome::Done;
    }
    return Outcome::Done;
}

void receive(int32_t code, int32_t hostParam1, int32_t hostParam2, void* record) {
    if (!session->search) return;
    Search& search = *session->search;
    const Notification n = decodeNotification(code, hostParam1, hostParam2, static_cast<const uint8_t*>(record));
    const int64_t elapsed = millisecondsSince(search.start);
    if (n.code == NOTIFY_DEPTH) {
        search.iterationStarts.push_back(elapsed);
        if (const std::optional<std::string> why = uci::stopAtIteration(search.plan, search.iterationStarts)) {
            // No info depth line for an iteration that is stopped as it begins.
            search.lastDepth = n.depth;
            info(*why);
            Eng3();
            session->hostStop = true;
            return;
        }
    }
    if (const std::optional<std::string> text = uci::infoLine(n, search.lastDepth, elapsed)) say(*text);
    if (n.code == NOTIFY_DEPTH) search.lastDepth = n.depth;
    if (n.code == NOTIFY_BEST_MOVE) {
        search.best = chess::Move{n.line.from, n.line.to, n.line.flags, n.line.promotion};
        search.reported = true;
    }
}

int32_t onNotification(void*, int32_t code, int32_t hostParam1, int32_t hostParam2, void* record) {
    receive(code, hostParam1, hostParam2, record);
    return 0;
}

} // namespace

void startSession() {
    static Session instance;
    session = &instance;
    startEngine();
}

void endSession() {
    Eng2();
    morlixSetNotificationHandler(nullptr, nullptr);
}

void addInput(std::string line) { session->input.push_back(std::move(line)); }
void endInput() { session->inputEnded = true; }
bool hasInput() { return !session->input.empty(); }
bool inputEnded() { return session->inputEnded; }

Next handleNextLine() {
    Session& s = *session;
    if (s.input.empty()) return Next::Nothing;
    const std::vector<std::string> tokens = splitTokens(s.input.front());
    s.input.pop_front();
    size_t at = 0;
    try {
        if (dispatch(tokens, at, false) == Outcome::Quit) return Next::Quit;
    } catch (const std::exception& error) {
        // As korvane-uci does with an error it has no answer for: say what, and end with status 1.
        info(error.what());
        s.failed = true;
        return Next::Quit;
    }
    return s.work;
}

bool failed() { return session->failed; }

uint8_t* beginSearch() {
    Session& s = *session;
    s.stopWanted = s.hostStop = s.forceStop = s.stopping = false;
    s.search->start = Clock::now();
    return s.search->record.data();
}

void endSearch() {
    Session& s = *session;
    Search& search = *s.search;
    // Exactly one bestmove: the engine's last report if it is legal here, else a legal move all the
    // same, and 0000 only when there is none.
    const std::vector<chess::Move> legal = search.board.legalMoves();
    std::string bestmove = "0000";
    if (!legal.empty()) {
        const auto match = std::find_if(legal.begin(), legal.end(), [&](const chess::Move& move) {
            return search.reported && move.from == search.best.from && move.to == search.best.to &&
                   move.promotion == search.best.promotion;
        });
        if (match != legal.end()) {
            bestmove = chess::moveToUci(*match);
        } else {
            bestmove = chess::moveToUci(legal.front());
            info(search.reported ? "the engine's move " + chess::moveToUci(search.best) + " is not legal here; playing " +
                                       bestmove
                                 : "the engine reported no move; playing " + bestmove);
        }
    }
    if (search.byClock) s.clockHistory.spent(millisecondsSince(search.start));
    s.search.reset();
    s.work = Next::Nothing;
    say("bestmove " + bestmove);
}

const chess::Board& perftBoard() { return session->perftBoard; }
int perftDepth() { return session->perftDepth; }
bool perftStopped() { return session->perftStop; }

void perftCounted(const chess::Move& move, uint64_t count) { say(chess::moveToUci(move) + ": " + std::to_string(count)); }

void endPerft(size_t counted, size_t moves, uint64_t total) {
    if (counted < moves) {
        info("perft stopped after " + std::to_string(counted) + " of " + std::to_string(moves) + " moves; " +
             std::to_string(total) + " nodes counted");
    } else {
        say("");
        say("Nodes searched: " + std::to_string(total));
    }
    session->work = Next::Nothing;
}

void onClock() {
    Session& s = *session;
    if (s.work != Next::Search || s.stopping) {
        // Repeated until the search returns: a stop that lands before Eng9 has cleared its flag would
        // otherwise be lost.
        if (s.stopping) Eng3();
        return;
    }
    const Search& search = *s.search;
    const int64_t elapsed = millisecondsSince(search.start);
    const auto reached = [&](const std::optional<int64_t>& ms) { return ms && elapsed >= *ms; };
    // Stop once depth 1 has given a searched move, unless the GUI's clock is about to run out.
    const bool wanted = s.stopWanted || s.hostStop || reached(search.plan.hardMs);
    s.stopping = s.forceStop || (wanted && search.reported) || reached(search.plan.lastResortMs);
    if (!s.stopping) return;
    if (!search.reported && !s.forceStop) info("no move reported yet, stopped with the clock about to run out");
    else if (!s.stopWanted && !s.hostStop) info("stopped at the hard limit of " + std::to_string(*search.plan.hardMs) + " ms");
    Eng3();
}

void onPause() {
    Session& s = *session;
    while (!s.input.empty()) {
        const std::vector<std::string> tokens = splitTokens(s.input.front());
        size_t at = 0;
        if (dispatch(tokens, at, true) == Outcome::Defer) {
            // Carried out once the work has ended; a search is asked to stop (at once for quit), a perft
            // is finished (stopped for quit).
            s.input.front() = joinTokens(tokens, at, tokens.size());
            const bool quit = tokens[at] == "quit";
            if (s.work == Next::Search || quit) requestStop(quit);
            return;
        }
        s.input.pop_front();
    }
    // Nobody is left to send stop: a search that waits for it is stopped; other work is finished.
    if (s.inputEnded && s.work == Next::Search && s.search->plan.untilStop) requestStop(false);
}

} // namespace web
