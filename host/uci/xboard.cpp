#include "xboard.h"

#include "engine/interface/notify.h"
#include "uci_protocol.h"
#include "xboard_protocol.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <istream>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;
using uci::splitTokens;

// The time control xboard starts with until it sends `level`: 40 moves in 5 minutes.
constexpr xboard::Level DefaultLevel{40, 300000, 0};

std::string joinTokens(const std::vector<std::string>& tokens, size_t first) {
    std::string text;
    for (size_t i = first; i < tokens.size(); ++i) text += (i > first ? " " : "") + tokens[i];
    return text;
}

// Coordinate text such as e2e4 or e7e8q: what xboard may send as a move without `usermove`.
bool looksLikeMove(const std::string& text) {
    const auto square = [&](size_t at) {
        return text[at] >= 'a' && text[at] <= 'h' && text[at + 1] >= '1' && text[at + 1] <= '8';
    };
    return (text.size() == 4 || text.size() == 5) && square(0) && square(2);
}

class XboardSession : public frontend::SearchListener {
public:
    explicit XboardSession(frontend::SearchCore& core)
        : core_(core), out_(core.output()), game_(chess::playGame(chess::InitialFen, {})) {
        core_.setListener(this);
    }
    ~XboardSession() override { core_.abandon(); }
    XboardSession(const XboardSession&) = delete;
    XboardSession& operator=(const XboardSession&) = delete;

    // Returns false on quit.
    bool handleLine(const std::string& line);
    // A move being thought about is still played; analysis ends.
    void endOfInput() { core_.endOfInput(); }

    void searchNotification(const Notification& notification, int lastDepth, int64_t elapsedMs) override;
    void remark(const std::string& text) override { out_.line("# " + text); }
    void searchFinished(const frontend::SearchOutcome& outcome) override;

private:
    enum class Kind { Think, Analyse };

    // The engine's name and the program's version in `myname`, as in UCI's `id name`.
    std::string engineName() const { return std::string(core_.entries().eng7()) + " " + KORVANE_VERSION; }
    void error(const std::string& kind, const std::string& command) {
        out_.line("Error (" + kind + "): " + command);
    }
    // Ends a running search without playing its move. Every command that changes the game or the
    // engine's role calls it first; the search thread does not touch the game after it.
    void stopSearch() { core_.abandon(); }
    // Starts thinking when the engine is to move, or analysing in analysis mode.
    void resume();
    void think();
    void analyse();
    void userMove(const std::string& text);
    void takeBack(size_t plies, const std::string& command);
    void setBoard(const std::string& fen, const std::string& command);
    void setLevel(const std::vector<std::string>& tokens, const std::string& command);
    void status();
    std::optional<int64_t> number(const std::vector<std::string>& tokens, const std::string& command);

    frontend::SearchCore& core_;
    frontend::Output& out_;
    chess::Game game_;
    bool force_ = false;
    bool engineBlack_ = true;
    bool analysing_ = false;
    std::atomic<bool> post_{false};
    xboard::Level level_ = DefaultLevel;
    std::optional<int64_t> moveTimeMs_;
    std::optional<int64_t> depth_;
    std::optional<int64_t> clockMs_, otherClockMs_;
    // Set before a search starts, read by the search thread.
    Kind kind_ = Kind::Think;
    Clock::time_point started_;
    // What the running search is at, for the `.` status line of analysis mode.
    std::mutex statusMutex_;
    int statusDepth_ = 0;
    int statusMoveNumber_ = 0;
    int statusMoveCount_ = 0;
    std::string statusMove_;
};

bool XboardSession::handleLine(const std::string& line) {
    const std::vector<std::string> tokens = splitTokens(line);
    if (tokens.empty()) return true;
    const std::string& command = tokens[0];
    const std::string text = joinTokens(tokens, 0);
    if (command == "quit") return false;
    if (command == "protover") {
        out_.line("feature myname=\"" + engineName() +
                  "\" setboard=1 usermove=1 ping=1 time=1 colors=0 sigint=0 sigterm=0 reuse=1 analyze=1 name=1");
        out_.line("feature done=1");
    } else if (command == "ping") {
        // Answered at once, also while thinking: the commands before it have all been carried out.
        out_.line("pong" + (tokens.size() > 1 ? " " + tokens[1] : std::string()));
    } else if (command == "new") {
        stopSearch();
        core_.resetEngine();
        game_ = chess::playGame(chess::InitialFen, {});
        force_ = false;
        analysing_ = false;
        engineBlack_ = true;
        depth_.reset();
        clockMs_.reset();
        otherClockMs_.reset();
    } else if (command == "force") {
        if (!analysing_) stopSearch();
        force_ = true;
    } else if (command == "go") {
        stopSearch();
        force_ = false;
        analysing_ = false;
        engineBlack_ = game_.current.blackToMove();
        think();
    } else if (command == "playother") {
        stopSearch();
        force_ = false;
        engineBlack_ = !game_.current.blackToMove();
    } else if (command == "usermove") {
        if (tokens.size() != 2) error("usermove needs one move", text);
        else userMove(tokens[1]);
    } else if (command == "setboard") {
        setBoard(joinTokens(tokens, 1), text);
    } else if (command == "undo") {
        takeBack(1, text);
    } else if (command == "remove") {
        takeBack(2, text);
    } else if (command == "result") {
        // The game is over: nothing more is played until `new`.
        stopSearch();
        force_ = true;
    } else if (command == "?") {
        if (!analysing_) core_.requestStop(false);
    } else if (command == "analyze") {
        stopSearch();
        analysing_ = true;
        analyse();
    } else if (command == "exit") {
        if (analysing_) {
            stopSearch();
            analysing_ = false;
        }
    } else if (command == ".") {
        if (analysing_) status();
    } else if (command == "level") {
        setLevel(tokens, text);
    } else if (command == "st") {
        if (const std::optional<int64_t> seconds = number(tokens, text))
            moveTimeMs_ = std::clamp<int64_t>(*seconds, 0, uci::MaxPlanMs / 1000) * 1000;
    } else if (command == "sd") {
        if (const std::optional<int64_t> plies = number(tokens, text)) depth_ = std::max<int64_t>(*plies, 1);
    } else if (command == "time" || command == "otim") {
        // Centiseconds; a negative time (the flag has fallen) counts as none left.
        if (const std::optional<int64_t> centiseconds = number(tokens, text)) {
            const int64_t ms = std::clamp<int64_t>(*centiseconds, 0, uci::MaxPlanMs / 10) * 10;
            (command == "time" ? clockMs_ : otherClockMs_) = ms;
        }
    } else if (command == "post") {
        post_.store(true);
    } else if (command == "nopost") {
        post_.store(false);
    } else if (command == "xboard" || command == "accepted" || command == "rejected" || command == "easy" ||
               command == "hard" || command == "random" || command == "computer" || command == "name" ||
               command == "draw" || command == "hint" || command == "bk" || command == "ics") {
        // Nothing to do: no pondering, no book, no draw offers, the opponent's name is not used.
    } else if (tokens.size() == 1 && looksLikeMove(command)) {
        userMove(command);
    } else {
        error("unknown command", text);
    }
    return true;
}

std::optional<int64_t> XboardSession::number(const std::vector<std::string>& tokens, const std::string& command) {
    const std::optional<int64_t> value = tokens.size() == 2 ? xboard::parseInteger(tokens[1]) : std::nullopt;
    if (!value) error("expected one whole number", command);
    return value;
}

void XboardSession::setLevel(const std::vector<std::string>& tokens, const std::string& command) {
    const std::optional<xboard::Level> level = xboard::parseLevel({tokens.begin() + 1, tokens.end()});
    if (!level) return error("expected level MOVES MINUTES[:SECONDS] INCREMENT", command);
    level_ = *level;
    moveTimeMs_.reset();
}

void XboardSession::userMove(const std::string& text) {
    stopSearch();
    chess::Move move;
    try {
        move = game_.current.parseUciMove(text);
    } catch (const chess::MoveError&) {
        out_.line("Illegal move: " + text);
        resume();
        return;
    }
    game_.current.apply(move);
    game_.moves.push_back(move);
    resume();
}

void XboardSession::takeBack(size_t plies, const std::string& command) {
    stopSearch();
    if (game_.moves.size() < plies) {
        error(plies == 1 ? "no move to undo" : "no two moves to remove", command);
        resume();
        return;
    }
    game_.moves.resize(game_.moves.size() - plies);
    game_.current = game_.start;
    for (const chess::Move& move : game_.moves) game_.current.apply(move);
    resume();
}

void XboardSession::setBoard(const std::string& fen, const std::string& command) {
    stopSearch();
    try {
        game_ = chess::playGame(fen, {});
    } catch (const std::exception& problem) {
        error(problem.what(), command);
    }
    resume();
}

void XboardSession::resume() {
    if (analysing_) analyse();
    else think();
}

void XboardSession::think() {
    if (force_ || analysing_ || game_.current.blackToMove() != engineBlack_) return;
    const bool black = engineBlack_;
    const std::vector<chess::Move> legal = game_.current.legalMoves();
    if (legal.empty()) {
        const bool mated = game_.current.inCheck();
        out_.line(!mated ? "1/2-1/2 {Stalemate}" : black ? "1-0 {White mates}" : "0-1 {Black mates}");
        return;
    }
    uci::GoParameters go;
    // Our clock as xboard last sent it, else the full time of the control.
    const std::optional<int64_t> clock = clockMs_ ? clockMs_ : std::optional<int64_t>(level_.baseMs);
    (black ? go.blackTime : go.whiteTime) = clock;
    (black ? go.whiteTime : go.blackTime) = otherClockMs_.value_or(level_.baseMs);
    go.whiteIncrement = go.blackIncrement = level_.incrementMs;
    if (level_.movesPerControl > 0)
        go.movesToGo = level_.movesPerControl - (game_.current.fullmoveNumber() - 1) % level_.movesPerControl;
    go.depth = depth_;
    go.moveTime = moveTimeMs_;
    uci::SearchPlan plan = uci::planSearch(go, black, uci::DefaultMoveOverheadMs);
    // A forced move: depth 1 gives it, and the time is kept for later moves.
    if (legal.size() == 1 && plan.softMs) plan.softMs = 0;
    kind_ = Kind::Think;
    started_ = Clock::now();
    core_.startSearch(game_, plan);
}

void XboardSession::analyse() {
    uci::GoParameters go;
    go.infinite = true;
    kind_ = Kind::Analyse;
    started_ = Clock::now();
    {
        std::lock_guard<std::mutex> lock(statusMutex_);
        statusDepth_ = statusMoveNumber_ = statusMoveCount_ = 0;
        statusMove_.clear();
    }
    core_.startSearch(game_, uci::planSearch(go, game_.current.blackToMove(), uci::DefaultMoveOverheadMs));
}

void XboardSession::status() {
    const int64_t elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started_).count();
    std::lock_guard<std::mutex> lock(statusMutex_);
    if (statusMove_.empty()) return;
    out_.line("stat01: " + std::to_string(elapsed / 10) + " 0 " + std::to_string(statusDepth_) + " " +
              std::to_string(std::max(statusMoveCount_ - statusMoveNumber_, 0)) + " " +
              std::to_string(statusMoveCount_) + " " + statusMove_);
}

void XboardSession::searchNotification(const Notification& n, int lastDepth, int64_t elapsedMs) {
    if (n.code == NOTIFY_DEPTH || n.code == NOTIFY_CURRENT_MOVE) {
        std::lock_guard<std::mutex> lock(statusMutex_);
        if (n.code == NOTIFY_DEPTH) statusDepth_ = n.depth;
        else {
            statusMoveNumber_ = n.rootMoveNumber;
            statusMoveCount_ = n.rootMoveCount;
            statusMove_ = moveText(n.rootMove);
        }
    }
    if (n.code == NOTIFY_BEST_MOVE && (post_.load() || kind_ == Kind::Analyse))
        out_.line(xboard::thinkingLine(lastDepth, n, elapsedMs));
}

void XboardSession::searchFinished(const frontend::SearchOutcome& outcome) {
    if (kind_ != Kind::Think || outcome.abandoned || !outcome.move) return;
    // The command thread waits for this search before it reads the game again.
    game_.current.apply(*outcome.move);
    game_.moves.push_back(*outcome.move);
    out_.line("move " + chess::moveToUci(*outcome.move));
}

} // namespace

int runXboard(frontend::SearchCore& core, std::istream& in) {
    XboardSession session(core);
    std::string line;
    while (std::getline(in, line)) {
        if (!session.handleLine(line)) return 0;
    }
    session.endOfInput();
    return 0;
}
