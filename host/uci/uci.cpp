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

// One `go`: the record handed to Eng9 and what the notifications leave behind. Touched only by the
// search thread while it runs, and by the command thread once it has been joined.
struct Search {
    chess::Board board;
    chess::GameRecord record;
    uci::SearchPlan plan;
    Clock::time_point start;
    int lastDepth = 0;
    bool reported = false;
    chess::Move best;
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
    void runPerft(int64_t depth);
    void newGame();

    bool searching();
    bool stopping();
    void startSearch(std::unique_ptr<Search> search);
    void requestStop();
    void waitForSearch();
    void searchThread();
    void supervisorThread();
    void receive(int32_t code, int32_t hostParam1, int32_t hostParam2, void* record);
    static int32_t onNotification(void* context, int32_t code, int32_t hostParam1, int32_t hostParam2,
                                  void* record);

    Output out_;
    EngineModule module_;
    const EngineEntries& eng_;
    std::vector<uint8_t> bestRecord_, currentRecord_, depthRecord_, statusRecord_;
    chess::Game game_;
    int64_t moveOverheadMs_ = uci::DefaultMoveOverheadMs;

    std::unique_ptr<Search> search_;
    std::thread searchThread_;
    std::thread supervisor_;
    std::mutex stateMutex_;
    std::condition_variable stateChanged_;
    bool searchDone_ = true;
    bool stopWanted_ = false;
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
    requestStop();
    waitForSearch();
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
        else if (command == "stop") requestStop();
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
    out_.line(std::string("id name ") + eng_.eng7());
    out_.line(std::string("id author ") + eng_.eng6());
    out_.line("option name Move Overhead type spin default " + std::to_string(uci::DefaultMoveOverheadMs) +
              " min 0 max " + std::to_string(uci::MaxMoveOverheadMs));
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
    // After a stop the running search ends at once, and GUIs often send the next go without waiting
    // for its bestmove; a go into a search nobody stopped is refused.
    if (stopping()) waitForSearch();
    if (searching()) {
        out_.info("a search is already running; go ignored");
        return;
    }
    std::vector<std::string> warnings;
    const uci::GoParameters go = uci::parseGo(tokens, at, warnings);
    for (const std::string& warning : warnings) out_.info(warning);
    if (go.perft) {
        runPerft(*go.perft);
        return;
    }
    const bool black = game_.current.blackToMove();
    if ((black ? !go.blackTime : !go.whiteTime) && (go.whiteTime || go.blackTime) && !go.depth && !go.moveTime)
        out_.info("no time given for the side to move; searching until stop");
    auto search = std::make_unique<Search>(Search{game_.current, chess::GameRecord(game_), {}, {}, 0, false, {}});
    search->plan = uci::planSearch(go, black, moveOverheadMs_);
    const uci::SearchPlan& plan = search->plan;
    search->record.setTimeMode(plan.timeMode);
    search->record.setRemainingSeconds(plan.remainingSeconds);
    search->record.setIncrementSeconds(plan.incrementSeconds);
    search->record.setMovesToGo(plan.movesToGo);
    search->record.setFixedDepth(plan.fixedDepth);
    startSearch(std::move(search));
}

void Session::runPerft(int64_t depth) {
    if (depth < 1) {
        out_.info("go perft needs a depth of at least 1");
        return;
    }
    uint64_t total = 0;
    for (const auto& [move, count] : chess::perftDivide(game_.current, int(std::min<int64_t>(depth, 64)))) {
        out_.line(chess::moveToUci(move) + ": " + std::to_string(count));
        total += count;
    }
    out_.line("");
    out_.line("Nodes searched: " + std::to_string(total));
}

void Session::newGame() {
    requestStop();
    waitForSearch();
    // A new game starts with fresh history counts.
    eng_.eng2();
    eng_.eng1(bestRecord_.data(), currentRecord_.data(), depthRecord_.data(), 0, statusRecord_.data());
    game_ = chess::playGame(chess::InitialFen, {});
}

void Session::endOfInput() {
    if (search_ && search_->plan.untilStop) requestStop();
    waitForSearch();
}

bool Session::searching() {
    std::lock_guard<std::mutex> lock(stateMutex_);
    return !searchDone_;
}

bool Session::stopping() {
    std::lock_guard<std::mutex> lock(stateMutex_);
    return !searchDone_ && stopWanted_;
}

void Session::startSearch(std::unique_ptr<Search> search) {
    waitForSearch();
    search_ = std::move(search);
    search_->start = Clock::now();
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        searchDone_ = false;
        stopWanted_ = false;
    }
    searchThread_ = std::thread(&Session::searchThread, this);
    supervisor_ = std::thread(&Session::supervisorThread, this);
}

void Session::requestStop() {
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        if (searchDone_) return;
        stopWanted_ = true;
    }
    stateChanged_.notify_all();
}

void Session::waitForSearch() {
    if (searchThread_.joinable()) searchThread_.join();
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
    // Done before the bestmove goes out, so that a `go` sent straight after it is not refused; that go
    // joins this thread before it starts the next search.
    {
        std::lock_guard<std::mutex> lock(stateMutex_);
        searchDone_ = true;
    }
    stateChanged_.notify_all();
    out_.line("bestmove " + bestmove);
}

void Session::supervisorThread() {
    const bool timed = search_->plan.stopAfterMs.has_value();
    const Clock::time_point deadline =
        timed ? search_->start + std::chrono::milliseconds(*search_->plan.stopAfterMs) : Clock::time_point::max();
    std::unique_lock<std::mutex> lock(stateMutex_);
    const auto wake = [this] { return searchDone_ || stopWanted_; };
    while (!searchDone_) {
        if (stopWanted_ || (timed && Clock::now() >= deadline)) {
            lock.unlock();
            eng_.eng3();
            lock.lock();
            stateChanged_.wait_for(lock, StopRepeat, [this] { return searchDone_; });
        } else if (timed) {
            stateChanged_.wait_until(lock, deadline, wake);
        } else {
            stateChanged_.wait(lock, wake);
        }
    }
}

void Session::receive(int32_t code, int32_t hostParam1, int32_t hostParam2, void* record) {
    if (!search_) return;
    Search& search = *search_;
    const Notification n = decodeNotification(code, hostParam1, hostParam2, static_cast<const uint8_t*>(record));
    const int64_t elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - search.start).count();
    if (const std::optional<std::string> text = uci::infoLine(n, search.lastDepth, elapsed)) out_.line(*text);
    if (n.code == NOTIFY_DEPTH) search.lastDepth = n.depth;
    if (n.code == NOTIFY_BEST_MOVE) {
        search.reported = true;
        search.best = chess::Move{n.line.from, n.line.to, n.line.flags, n.line.promotion};
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
