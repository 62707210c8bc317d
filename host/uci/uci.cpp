#include "uci.h"

#include "engine/interface/host_records.h"
#include "engine/interface/notify.h"
#include "host/chess/game_record.h"
#include "host/module/engine_module.h"
#include "host/module/notification.h"
#include "platform/morlix32.h"
#include "uci_protocol.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <istream>
#include <memory>
#include <mutex>
#include <ostream>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// How often the host repeats Eng3 until the search has returned: a stop that lands before Eng9 has
// cleared its flag would otherwise be lost.
constexpr auto StopRepeat = std::chrono::milliseconds(5);

std::vector<std::string> splitTokens(const std::string& line) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        const size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        if (i > start) tokens.push_back(line.substr(start, i - start));
    }
    return tokens;
}

std::string lowercase(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string joinTokens(const std::vector<std::string>& tokens, size_t first, size_t last) {
    std::string text;
    for (size_t i = first; i < last; ++i) text += (i > first ? " " : "") + tokens[i];
    return text;
}

// Whole lines, flushed one by one, from the command thread and the search thread alike.
class Output {
public:
    explicit Output(std::ostream& out) : out_(out) {}
    void line(const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex_);
        out_ << text << '\n' << std::flush;
    }
    void info(const std::string& text) { line("info string " + text); }

private:
    std::ostream& out_;
    std::mutex mutex_;
};

// One `go`: the record handed to Eng9 and what the notifications leave behind. Touched by the search
// thread while it runs (reported also by the supervisor, under the state mutex), and by the command
// thread once both have been joined.
struct Search {
    chess::Board board;
    chess::GameRecord record;
    uci::SearchPlan plan;
    Clock::time_point start;
    int lastDepth = 0;
    bool reported = false;
    chess::Move best;
    // Elapsed milliseconds at which each iteration began.
    std::vector<int64_t> iterationStarts;
    // Played by the clock: its time goes into the clock history.
    bool byClock = false;
};

class Session {
public:
    Session(std::ostream& out, const std::string& modulePath);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Returns false on quit.
    bool handleLine(const std::string& line);
    // The input has ended: a search that waits for `stop` is stopped, any other one finishes.
    void endOfInput();

private:
    bool dispatch(const std::vector<std::string>& tokens, size_t at);
    void handleUci();
    void handleSetOption(const std::vector<std::string>& tokens, size_t at);
    void handlePosition(const std::vector<std::string>& tokens, size_t at);
    void handleGo(const std::vector<std::string>& tokens, size_t at);
    void startPerft(int64_t depth);
    void newGame();

    void startSearch(std::unique_ptr<Search> search);
    // Asks a running search to stop; it still waits for depth 1 to report unless force is set or the
    // GUI's clock runs out. A running perft is stopped at once.
    void requestStop(bool force);
    // Makes way for a new command: a running search is stopped and answers with its bestmove; a
    // running perft is finished.
    void finishWork();
    void waitForWork();
    void searchThread();
    void supervisorThread();
    void perftThread(chess::Board board, int depth);
    void receive(int32_t code, int32_t hostParam1, int32_t hostParam2, void* record);
    static int32_t onNotification(void* context, int32_t code, int32_t hostParam1, int32_t hostParam2,
                                  void* record);

    Output out_;
    EngineModule module_;
    const EngineEntries& eng_;
    std::vector<uint8_t> bestRecord_, currentRecord_, depthRecord_, statusRecord_;
    chess::Game game_;
    int64_t moveOverheadMs_ = uci::DefaultMoveOverheadMs;
    uci::ClockRule clockRule_ = uci::ClockRule::Host;
    uci::ClockHistory clockHistory_;
    int64_t incrementSeen_ = 0;

    // The work running on the worker thread: a search (with its supervisor) or a perft.
    std::unique_ptr<Search> search_;
    std::thread worker_;
    std::thread supervisor_;
    std::atomic<bool> perftStop_{false};
    std::mutex stateMutex_;
    std::condition_variable stateChanged_;
    bool workDone_ = true;
    bool perftRunning_ = false;
    // Stop requests for the running search: by `stop` and the like, by the host's time rule at the
    // start of an iteration, and at once whatever was reported.
    bool stopWanted_ = false;
    bool hostStop_ = false;
    bool forceStop_ = false;
};

std::atomic<bool> sessionActive{false};

Session::Session(std::ostream& out, const std::string& modulePath)
    : out_(out),
      module_(modulePath),
      eng_(module_.entries()),
      bestRecord_(size_t(HostRecord::BestMove::MinimumLength)),
      currentRecord_(size_t(HostRecord::CurrentMove::MinimumLength)),
      depthRecord_(size_t(HostRecord::Depth::MinimumLength)),
      statusRecord_(size_t(HostRecord::Status::MinimumLength)),
      game_(chess::playGame(chess::InitialFen, {})) {
    if (sessionActive.exchange(true)) throw std::logic_error("a UCI front end is already running in this process");
    morlixSetNotificationHandler(&Session::onNotification, this);
    eng_.eng1(bestRecord_.data(), currentRecord_.data(), depthRecord_.data(), 0, statusRecord_.data());
}

Session::~Session() {
    requestStop(true);
    waitForWork();
    eng_.eng2();
    morlixSetNotificationHandler(nullptr, nullptr);
    sessionActive.store(false);
}

bool Session::handleLine(const std::string& line) {
    const std::vector<std::string> tokens = splitTokens(line);
    return dispatch(tokens, 0);
}

bool Session::dispatch(const std::vector<std::string>& tokens, size_t at) {
    // An unknown token is reported and skipped; the rest of the line is read as a command.
    for (; at < tokens.size(); ++at) {
        const std::string& command = tokens[at];
        if (command == "uci") handleUci();
        else if (command == "isready") out_.line("readyok");
        else if (command == "setoption") handleSetOption(tokens, at + 1);
        else if (command == "ucinewgame") newGame();
        else if (command == "position") handlePosition(tokens, at + 1);
        else if (command == "go") handleGo(tokens, at + 1);
        else if (command == "stop") requestStop(false);
        else if (command == "quit") return false;
        else if (command == "debug" || command == "register") {
        } else if (command == "ponderhit") out_.info("ponder is not supported; ponderhit ignored");
        else {
            out_.info("unknown command '" + command + "' ignored");
            continue;
        }
        return true;
    }
    return true;
}

void Session::handleUci() {
    // The program's version tells releases apart in rating lists and PGN headers.
    out_.line(std::string("id name ") + eng_.eng7() + " " + KORVANE_VERSION);
    out_.line(std::string("id author ") + eng_.eng6());
    out_.line("option name Move Overhead type spin default " + std::to_string(uci::DefaultMoveOverheadMs) +
              " min 0 max " + std::to_string(uci::MaxMoveOverheadMs));
    out_.line("option name Clock type combo default Host var Host var Engine");
    out_.line("uciok");
}

void Session::handleSetOption(const std::vector<std::string>& tokens, size_t at) {
    // setoption name <words> [value <words>]
    if (at >= tokens.size() || tokens[at] != "name") {
        out_.info("setoption: expected 'name'");
        return;
    }
    const auto valueAt = std::find(tokens.begin() + long(at), tokens.end(), "value");
    const size_t valueIndex = size_t(valueAt - tokens.begin());
    const std::string name = joinTokens(tokens, at + 1, valueIndex);
    const std::string value = valueIndex < tokens.size() ? joinTokens(tokens, valueIndex + 1, tokens.size()) : "";
    if (lowercase(name) == "clock") {
        if (lowercase(value) == "host") clockRule_ = uci::ClockRule::Host;
        else if (lowercase(value) == "engine") clockRule_ = uci::ClockRule::Engine;
        else out_.info("Clock: '" + value + "' is neither Host nor Engine");
        return;
    }
    if (lowercase(name) != "move overhead") {
        out_.info("unknown option '" + name + "' ignored");
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
        out_.info("Move Overhead: '" + value + "' is not a number from 0 to " +
                  std::to_string(uci::MaxMoveOverheadMs));
        return;
    }
    moveOverheadMs_ = milliseconds;
}

void Session::handlePosition(const std::vector<std::string>& tokens, size_t at) {
    finishWork();
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
        out_.info("position: expected 'startpos' or 'fen'; position not changed");
        return;
    }
    if (i < tokens.size() && tokens[i] != "moves") {
        out_.info("position: unexpected '" + tokens[i] + "' after the position; position not changed");
        return;
    }
    const std::vector<std::string> moves(tokens.begin() + long(std::min(i + 1, tokens.size())), tokens.end());
    try {
        game_ = chess::playGame(fen, moves);
    } catch (const std::exception& error) {
        out_.info(std::string(error.what()) + "; position not changed");
    }
}

void Session::handleGo(const std::vector<std::string>& tokens, size_t at) {
    // A go during a search ends that search first, with its own bestmove, so that every go is answered.
    finishWork();
    std::vector<std::string> warnings;
    const uci::GoParameters go = uci::parseGo(tokens, at, warnings);
    for (const std::string& warning : warnings) out_.info(warning);
    if (go.perft) {
        startPerft(*go.perft);
        return;
    }
    const bool black = game_.current.blackToMove();
    if ((black ? !go.blackTime : !go.whiteTime) && (go.whiteTime || go.blackTime) && !go.depth && !go.moveTime)
        out_.info("no time given for the side to move; searching until stop");
    const std::optional<int64_t>& clock = black ? go.blackTime : go.whiteTime;
    const bool byClock = clock && !go.infinite && !go.depth && !go.moveTime;
    uci::GoParameters planned = go;
    if (byClock) {
        const int ply = (game_.current.fullmoveNumber() - 1) * 2 + (black ? 1 : 0);
        const std::optional<int64_t> seen = clockHistory_.observe(ply, *clock);
        std::optional<int64_t>& increment = black ? planned.blackIncrement : planned.whiteIncrement;
        if (!increment && !go.movesToGo && seen) {
            increment = *seen;
            if (*seen != incrementSeen_)
                out_.info("no increment given; the clock gains " + std::to_string(*seen) + " ms a move");
            incrementSeen_ = *seen;
        }
    } else {
        clockHistory_.reset();
    }
    auto search = std::make_unique<Search>(
        Search{game_.current, chess::GameRecord(game_), {}, {}, 0, false, {}, {}, byClock});
    search->plan = uci::planSearch(planned, black, moveOverheadMs_, clockRule_);
    const uci::SearchPlan& plan = search->plan;
    // Against the clock a forced move is searched to depth 1 only: well under a millisecond, and the
    // GUI still gets its info line with a score. The clock's watchdog stays.
    if (plan.hardMs && !plan.untilStop && !go.depth && game_.current.legalMoves().size() == 1) {
        out_.info("only one legal move; searched to depth 1 only");
        search->plan.timeMode = 2;
        search->plan.fixedDepth = 1;
    }
    search->record.setTimeMode(plan.timeMode);
    search->record.setRemainingSeconds(plan.remainingSeconds);
    search->record.setIncrementSeconds(plan.incrementSeconds);
    search->record.setMovesToGo(plan.movesToGo);
    search->record.setFixedDepth(plan.fixedDepth);
    search->iterationStarts.reserve(64);
    startSearch(std::move(search));
}

void Session::startPerft(int64_t depth) {
    if (depth < 1) {
        out_.info("go perft needs a depth of at least 1");
        return;
    }
    waitForWork();
    perftStop_.store(false);
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        workDone_ = false;
        perftRunning_ = true;
    }
    worker_ = std::thread(&Session::perftThread, this, game_.current, int(std::min<int64_t>(depth, 64)));
}

void Session::perftThread(chess::Board board, int depth) {
    // Each move's count goes out as soon as it is known, so a stopped perft has printed what it counted.
    const std::vector<chess::Move> moves = board.legalMoves();
    uint64_t total = 0;
    size_t counted = 0;
    for (const chess::Move& move : moves) {
        chess::Board next = board;
        next.apply(move);
        const uint64_t count = chess::perft(next, depth - 1, perftStop_);
        if (perftStop_.load()) break;
        out_.line(chess::moveToUci(move) + ": " + std::to_string(count));
        total += count;
        ++counted;
    }
    if (counted < moves.size()) {
        out_.info("perft stopped after " + std::to_string(counted) + " of " + std::to_string(moves.size()) +
                  " moves; " + std::to_string(total) + " nodes counted");
    } else {
        out_.line("");
        out_.line("Nodes searched: " + std::to_string(total));
    }
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        workDone_ = true;
    }
    stateChanged_.notify_all();
}

void Session::newGame() {
    finishWork();
    clockHistory_.reset();
    // A new game starts with fresh history counts.
    eng_.eng2();
    eng_.eng1(bestRecord_.data(), currentRecord_.data(), depthRecord_.data(), 0, statusRecord_.data());
    game_ = chess::playGame(chess::InitialFen, {});
}

void Session::endOfInput() {
    // Nobody is left to send stop: a search that waits for it is stopped; other work, a perft too, is
    // finished.
    bool perft = false;
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        perft = perftRunning_;
    }
    if (!perft && search_ && search_->plan.untilStop) requestStop(false);
    waitForWork();
}

void Session::startSearch(std::unique_ptr<Search> search) {
    waitForWork();
    search_ = std::move(search);
    search_->start = Clock::now();
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        workDone_ = false;
        perftRunning_ = false;
        stopWanted_ = false;
        hostStop_ = false;
        forceStop_ = false;
    }
    worker_ = std::thread(&Session::searchThread, this);
    supervisor_ = std::thread(&Session::supervisorThread, this);
}

void Session::requestStop(bool force) {
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        if (workDone_) return;
        if (perftRunning_) {
            perftStop_.store(true);
            return;
        }
        stopWanted_ = true;
        forceStop_ = forceStop_ || force;
    }
    stateChanged_.notify_all();
}

void Session::finishWork() {
    bool perft = false;
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        perft = perftRunning_;
    }
    if (!perft) requestStop(false);
    waitForWork();
}

void Session::waitForWork() {
    if (worker_.joinable()) worker_.join();
    if (supervisor_.joinable()) supervisor_.join();
}

void Session::searchThread() {
    Search& search = *search_;
    eng_.eng9(search.record.data());

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
            out_.info(search.reported ? "the engine's move " + chess::moveToUci(search.best) +
                                            " is not legal here; playing " + bestmove
                                      : "the engine reported no move; playing " + bestmove);
        }
    }
    // Read by the next go, which joins this thread first.
    if (search.byClock)
        clockHistory_.spent(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - search.start).count());
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        workDone_ = true;
    }
    stateChanged_.notify_all();
    out_.line("bestmove " + bestmove);
}

void Session::supervisorThread() {
    Search& search = *search_;
    const auto after = [&](const std::optional<int64_t>& ms) {
        return ms ? search.start + std::chrono::milliseconds(*ms) : Clock::time_point::max();
    };
    const Clock::time_point hard = after(search.plan.hardMs);
    const Clock::time_point lastResort = after(search.plan.lastResortMs);
    bool stopping = false;
    std::unique_lock<std::mutex> lock(stateMutex_);
    while (!workDone_) {
        const Clock::time_point now = Clock::now();
        if (!stopping) {
            // Stop once depth 1 has given a searched move, unless the GUI's clock is about to run out.
            const bool wanted = stopWanted_ || hostStop_ || now >= hard;
            stopping = forceStop_ || (wanted && search.reported) || now >= lastResort;
            if (stopping && !search.reported && !forceStop_)
                out_.info("no move reported yet, stopped with the clock about to run out");
            else if (stopping && !stopWanted_ && !hostStop_)
                out_.info("stopped at the hard limit of " + std::to_string(*search.plan.hardMs) + " ms");
        }
        if (stopping) {
            // Repeated until the search returns: a stop that lands before Eng9 has cleared its flag
            // would otherwise be lost.
            lock.unlock();
            eng_.eng3();
            lock.lock();
            stateChanged_.wait_for(lock, StopRepeat, [this] { return workDone_; });
        } else if (now < hard) {
            stateChanged_.wait_until(lock, hard);
        } else if (now < lastResort && lastResort != Clock::time_point::max()) {
            stateChanged_.wait_until(lock, lastResort);
        } else {
            stateChanged_.wait(lock);
        }
    }
}

void Session::receive(int32_t code, int32_t hostParam1, int32_t hostParam2, void* record) {
    if (!search_) return;
    Search& search = *search_;
    const Notification n = decodeNotification(code, hostParam1, hostParam2, static_cast<const uint8_t*>(record));
    const int64_t elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - search.start).count();
    if (n.code == NOTIFY_DEPTH) {
        search.iterationStarts.push_back(elapsed);
        if (const std::optional<std::string> why = uci::stopAtIteration(search.plan, search.iterationStarts)) {
            // No info depth line for an iteration that is stopped as it begins.
            search.lastDepth = n.depth;
            out_.info(*why);
            // Eng3 is a single store, safe from inside a notification: the search sees it at its next
            // poll, before it has spent anything on this iteration. The supervisor repeats it.
            eng_.eng3();
            {
                std::lock_guard<std::mutex> lock(stateMutex_);
                hostStop_ = true;
            }
            stateChanged_.notify_all();
            return;
        }
    }
    if (const std::optional<std::string> text = uci::infoLine(n, search.lastDepth, elapsed)) out_.line(*text);
    if (n.code == NOTIFY_DEPTH) search.lastDepth = n.depth;
    if (n.code == NOTIFY_BEST_MOVE) {
        search.best = chess::Move{n.line.from, n.line.to, n.line.flags, n.line.promotion};
        {
            std::lock_guard<std::mutex> lock(stateMutex_);
            search.reported = true;
        }
        stateChanged_.notify_all();
    }
}

int32_t Session::onNotification(void* context, int32_t code, int32_t hostParam1, int32_t hostParam2, void* record) {
    static_cast<Session*>(context)->receive(code, hostParam1, hostParam2, record);
    return 0;
}

} // namespace

int runUci(std::istream& in, std::ostream& out, const std::string& modulePath) {
    try {
        Session session(out, modulePath);
        std::string line;
        while (std::getline(in, line)) {
            if (!session.handleLine(line)) return 0;
        }
        session.endOfInput();
        return 0;
    } catch (const std::exception& error) {
        out << "info string " << error.what() << std::endl;
        return 1;
    }
}
