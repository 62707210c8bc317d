#include "uci.h"

#include "host/chess/game_record.h"
#include "host/module/engine_module.h"
#include "host/module/notification.h"
#include "search_core.h"
#include "uci_protocol.h"
#include "xboard.h"

#include <algorithm>
#include <cctype>
#include <istream>
#include <ostream>
#include <stdexcept>
#include <vector>

namespace {

using uci::joinTokens;
using uci::lowercase;
using uci::splitTokens;

// Lines out, and the info strings that explain what the host did.
class UciOutput {
public:
    explicit UciOutput(frontend::Output& out) : out_(out) {}
    void line(const std::string& text) { out_.line(text); }
    void info(const std::string& text) { line("info string " + text); }

private:
    frontend::Output& out_;
};

// The UCI layer over the shared search core: commands become searches, the engine's notifications
// become info lines and each search's move a bestmove.
class Session : public frontend::SearchListener {
public:
    explicit Session(frontend::SearchCore& core);
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Returns false on quit.
    bool handleLine(const std::string& line);
    // The input has ended: a search that waits for `stop` is stopped, any other one finishes.
    void endOfInput() { core_.endOfInput(); }

    void searchNotification(const Notification& notification, int lastDepth, int64_t elapsedMs) override;
    void remark(const std::string& text) override { out_.info(text); }
    void searchFinished(const frontend::SearchOutcome& outcome) override;

private:
    bool dispatch(const std::vector<std::string>& tokens, size_t at);
    void handleUci();
    void handleSetOption(const std::vector<std::string>& tokens, size_t at);
    void handlePosition(const std::vector<std::string>& tokens, size_t at);
    void handleGo(const std::vector<std::string>& tokens, size_t at);
    void startPerft(int64_t depth);
    void newGame();
    void requestStop(bool force) { core_.requestStop(force); }
    void finishWork() { core_.finishWork(); }

    frontend::SearchCore& core_;
    UciOutput out_;
    const EngineEntries& eng_;
    chess::Game game_;
    int64_t moveOverheadMs_ = uci::DefaultMoveOverheadMs;
    uci::ClockRule clockRule_ = uci::ClockRule::Host;
    uci::ClockHistory clockHistory_;
    int64_t incrementSeen_ = 0;
    // Whether the running search plays by the clock: its time goes into the clock history.
    bool byClock_ = false;
};

Session::Session(frontend::SearchCore& core)
    : core_(core), out_(core.output()), eng_(core.entries()), game_(chess::playGame(chess::InitialFen, {})) {
    core_.setListener(this);
}

Session::~Session() {
    core_.requestStop(true);
    core_.waitForWork();
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
    byClock_ = byClock;
    uci::SearchPlan plan = uci::planSearch(planned, black, moveOverheadMs_, clockRule_);
    // Against the clock a forced move is searched to depth 1 only: well under a millisecond, and the
    // GUI still gets its info line with a score. The clock's watchdog stays.
    if (plan.hardMs && !plan.untilStop && !go.depth && game_.current.legalMoves().size() == 1) {
        out_.info("only one legal move; searched to depth 1 only");
        plan.timeMode = 2;
        plan.fixedDepth = 1;
    }
    core_.startSearch(game_, plan);
}

void Session::startPerft(int64_t depth) {
    if (depth < 1) {
        out_.info("go perft needs a depth of at least 1");
        return;
    }
    core_.startPerft(game_.current, int(std::min<int64_t>(depth, 64)));
}

void Session::newGame() {
    finishWork();
    clockHistory_.reset();
    // A new game starts with fresh history counts.
    core_.resetEngine();
    game_ = chess::playGame(chess::InitialFen, {});
}

void Session::searchNotification(const Notification& n, int lastDepth, int64_t elapsedMs) {
    if (const std::optional<std::string> text = uci::infoLine(n, lastDepth, elapsedMs)) out_.line(*text);
}

void Session::searchFinished(const frontend::SearchOutcome& outcome) {
    // Read by the next go, which waits for the search first.
    if (byClock_) clockHistory_.spent(outcome.elapsedMs);
    out_.line("bestmove " + (outcome.move ? chess::moveToUci(*outcome.move) : std::string("0000")));
}

} // namespace

int runUci(std::istream& in, std::ostream& out, const std::string& modulePath) {
    try {
        frontend::SearchCore core(out, modulePath);
        // The first command chooses the protocol: xboard's, or UCI for anything else.
        std::string line;
        std::vector<std::string> first;
        while (first.empty() && std::getline(in, line)) first = splitTokens(line);
        if (first.empty()) return 0;
        if (first.front() == "xboard") return runXboard(core, in);
        Session session(core);
        do {
            if (!session.handleLine(line)) return 0;
        } while (std::getline(in, line));
        session.endOfInput();
        return 0;
    } catch (const std::exception& error) {
        out << "info string " << error.what() << std::endl;
        return 1;
    }
}
