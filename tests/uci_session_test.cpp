// Scripted UCI sessions through the real korvane-uci program, checked the way match tools check an
// engine: every go gets exactly one bestmove, legal in the position searched (0000 only when there is
// no legal move), the last PV starts with the bestmove, no mate score of 0, isready and stop are
// answered promptly, and the program exits cleanly.
#include "host/chess/game_record.h"
#include "support/child_process.h"
#include "support/session_script.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <deque>
#include <iostream>
#include <sstream>
#include <thread>

namespace {

using std::chrono::milliseconds;

struct Step {
    enum Kind { Send, Expect, Pause, ExpectExit } kind;
    std::string text;
    int limitMs = 0;
};

Step send(std::string line) { return {Step::Send, std::move(line)}; }
// Reads lines until one matches the pattern (see matchesPattern).
Step expect(std::string pattern, int limitMs = 10000) { return {Step::Expect, std::move(pattern), limitMs}; }
Step pause(int ms) { return {Step::Pause, "", ms}; }
// Closes the input and expects a clean exit, with a line matching the pattern on the way if one is given.
Step expectExit(int limitMs, std::string pattern = "") { return {Step::ExpectExit, std::move(pattern), limitMs}; }

// Follows the commands sent with the host's own board and checks every line the engine prints.
class Referee {
public:
    void sent(const std::string& line) {
        const std::vector<std::string> tokens = words(line);
        if (tokens.empty()) return;
        if (tokens[0] == "position") {
            // The front end keeps the previous position when a command is refused; so does the referee.
            std::string fen;
            size_t i = 1;
            if (i < tokens.size() && tokens[i] == "startpos") {
                fen = chess::InitialFen;
                ++i;
            } else if (i < tokens.size() && tokens[i] == "fen") {
                const size_t start = ++i;
                while (i < tokens.size() && tokens[i] != "moves") ++i;
                for (size_t k = start; k < i; ++k) fen += tokens[k] + " ";
            } else {
                return;
            }
            if (i < tokens.size() && tokens[i] != "moves") return;
            try {
                current_ = chess::playGame(fen, {tokens.begin() + long(std::min(i + 1, tokens.size())), tokens.end()})
                               .current;
            } catch (const std::exception&) {
            }
        } else if (tokens[0] == "go" && std::find(tokens.begin(), tokens.end(), "perft") == tokens.end()) {
            searches_.push_back(current_);
        } else if (tokens[0] == "ucinewgame") {
            current_ = chess::Board();
        }
    }

    void received(const std::string& line) {
        transcript_ += line + "\n";
        const std::vector<std::string> tokens = words(line);
        if (tokens.empty()) return;
        if (line.find("is not legal here") != std::string::npos) fault("the engine's move was refused: " + line);
        if (tokens[0] == "bestmove") {
            if (searches_.empty()) return fault("bestmove without a go: " + line);
            const chess::Board board = searches_.front();
            searches_.pop_front();
            const std::string move = tokens.size() > 1 ? tokens[1] : "";
            if (board.legalMoves().empty()) {
                if (move != "0000") fault("bestmove " + move + " where there is no legal move");
            } else {
                checkLegal(board, move, line);
                if (!lastPv_.empty() && lastPv_ != move) fault("last pv " + lastPv_ + " but " + line);
            }
            lastPv_.clear();
            return;
        }
        if (tokens[0] != "info") return;
        const auto pv = std::find(tokens.begin(), tokens.end(), "pv");
        if (pv != tokens.end() && pv + 1 != tokens.end()) {
            if (searches_.empty()) return fault("pv outside a search: " + line);
            checkLegal(searches_.front(), *(pv + 1), line);
            lastPv_ = *(pv + 1);
        }
        const auto mate = std::find(tokens.begin(), tokens.end(), "mate");
        if (mate != tokens.end() && (mate + 1 == tokens.end() || *(mate + 1) == "0")) fault("bad mate score: " + line);
    }

    size_t unanswered() const { return searches_.size(); }
    const std::string& transcript() const { return transcript_; }
    const std::vector<std::string>& faults() const { return faults_; }

private:
    void fault(const std::string& text) { faults_.push_back(text); }
    void checkLegal(const chess::Board& board, const std::string& move, const std::string& line) {
        try {
            board.parseUciMove(move);
        } catch (const std::exception& error) {
            fault(std::string(error.what()) + " in: " + line);
        }
    }

    chess::Board current_;
    std::deque<chess::Board> searches_;
    std::string lastPv_;
    std::string transcript_;
    std::vector<std::string> faults_;
};

struct Script {
    std::string name;
    std::vector<Step> steps;
};

void PrintTo(const Script& script, std::ostream* out) { *out << script.name; }

// Whether a script's output depends on timing: it pauses, searches by the clock or until stop, or
// sends a command (the closing quit too) before the bestmove of the search it started has been read.
bool timed(const Script& script) {
    bool searching = false;
    for (const Step& step : script.steps) {
        const std::vector<std::string> tokens = words(step.text);
        const auto has = [&](const char* word) {
            return std::find(tokens.begin(), tokens.end(), word) != tokens.end();
        };
        if (step.kind == Step::Pause || (step.kind == Step::Send && searching)) return true;
        if (step.kind == Step::Send && !tokens.empty() && tokens[0] == "go" && !has("perft")) {
            if (!has("depth")) return true;
            searching = true;
        }
        if (step.kind == Step::Expect && step.text.rfind("^bestmove", 0) == 0) searching = false;
        if (step.kind == Step::ExpectExit) return false;
    }
    return searching;
}

// The transcript with the times of info lines replaced by T, the one part that differs between runs.
std::string withoutTimes(const std::string& transcript) {
    std::istringstream lines(transcript);
    std::string result;
    for (std::string line; std::getline(lines, line);) {
        size_t copied = 0;
        for (size_t at = line.find(" time "); line.rfind("info ", 0) == 0 && at != std::string::npos;
             at = line.find(" time ", at + 1)) {
            const size_t digits = at + 6;
            const size_t end = std::min(line.find(' ', digits), line.size());
            if (end == digits || line.find_first_not_of("0123456789", digits) < end) continue;
            result.append(line, copied, digits - copied).push_back('T');
            copied = end;
        }
        result.append(line, copied).push_back('\n');
    }
    return result;
}

// Runs the script and returns everything the program printed.
std::string play(const Script& script, const std::vector<std::string>& program) {
    SCOPED_TRACE(script.name);
    ChildProcess engine(program);
    Referee referee;
    bool exited = false;
    for (const Step& step : script.steps) {
        switch (step.kind) {
        case Step::Send:
            referee.sent(step.text);
            engine.send(step.text);
            break;
        case Step::Pause: std::this_thread::sleep_for(milliseconds(step.limitMs)); break;
        case Step::Expect: {
            const auto deadline = std::chrono::steady_clock::now() + milliseconds(step.limitMs);
            bool found = false;
            while (!found) {
                const auto left = std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
                const std::optional<std::string> line = engine.readLine(std::max(left, milliseconds(0)));
                if (!line) break;
                referee.received(*line);
                found = matchesPattern(*line, step.text);
            }
            if (!found) ADD_FAILURE() << "no line matching '" << step.text << "' within " << step.limitMs << " ms";
            break;
        }
        case Step::ExpectExit: {
            engine.closeInput();
            bool found = step.text.empty();
            while (const std::optional<std::string> line = engine.readLine(milliseconds(step.limitMs))) {
                referee.received(*line);
                found = found || matchesPattern(*line, step.text);
            }
            if (!found) ADD_FAILURE() << "no line matching '" << step.text << "' before the exit";
            const std::optional<int> status = engine.wait(milliseconds(step.limitMs));
            EXPECT_EQ(status.value_or(-1), 0) << "exit within " << step.limitMs << " ms";
            exited = true;
            break;
        }
        }
    }
    if (!exited) {
        engine.send("quit");
        engine.closeInput();
        while (const std::optional<std::string> line = engine.readLine(milliseconds(10000))) referee.received(*line);
        EXPECT_EQ(engine.wait(milliseconds(10000)).value_or(-1), 0);
    }
    EXPECT_EQ(referee.unanswered(), 0u) << "go commands without a bestmove";
    for (const std::string& fault : referee.faults()) ADD_FAILURE() << fault;
    if (testing::Test::HasFailure()) std::cerr << "transcript of " << script.name << ":\n" << referee.transcript();
    return referee.transcript();
}

// A game of many plies: the knights go out and back.
std::string longGame(int plies) {
    const char* shuffle[4] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    std::string moves = "position startpos moves";
    for (int i = 0; i < plies; ++i) moves += std::string(" ") + shuffle[i % 4];
    return moves;
}

} // namespace

std::vector<Script> scripts() {
    return {
        {"handshake",
         {send("uci"), expect("^id name Korvane " KORVANE_VERSION "$"), expect("^id author Edrin Vaskolt$"),
          expect("^option name Move Overhead type spin default * min 0 max *$"),
          expect("^option name Clock type combo default Host var Host var Engine$"), expect("^uciok$"),
          send("isready"), expect("^readyok$")}},
        {"search from the start and after moves",
         {send("position startpos"), send("go depth 3"), expect("^bestmove "),
          send("position startpos moves e2e4 e7e5 g1f3"), send("go depth 3"), expect("^bestmove ")}},
        {"castling both ways in the moves, then a search",
         {send("position fen r3k2r/pppq1ppp/2npbn2/4p3/4P3/2NPBN2/PPPQ1PPP/R3K2R w KQkq - 0 1 moves e1g1 e8c8"),
          send("go depth 3"), expect("^bestmove ")}},
        {"en passant in the moves, then a search",
         {send("position startpos moves e2e4 g8f6 e4e5 d7d5 e5d6"), send("go depth 3"), expect("^bestmove "),
          send("position fen 4k3/8/8/8/3Pp3/8/8/4K3 b - d3 0 1"), send("go depth 3"), expect("^bestmove ")}},
        {"promotion found and promotion in the moves",
         {send("position fen 8/P6k/8/8/8/8/8/K7 w - - 0 1"), send("go depth 3"), expect("^bestmove a7a8q$"),
          send("position fen 8/P6k/8/8/8/8/8/K7 w - - 0 1 moves a7a8n h7g6"), send("go depth 3"),
          expect("^bestmove ")}},
        {"mate scores carry the right sign",
         {send("position fen 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1"), send("go depth 4"),
          expect("score mate 1 *pv a1a8$"), expect("^bestmove a1a8$"),
          send("position fen k7/8/1K6/8/8/8/8/7R b - - 0 1"), send("go depth 4"), expect("score mate -1 "),
          expect("^bestmove a8b8$")}},
        {"no legal move: checkmate and stalemate",
         {send("position fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1"), send("go depth 3"), expect("^bestmove 0000$"),
          send("position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"), send("go wtime 1000 btime 1000"),
          expect("^bestmove 0000$")}},
        {"bad FEN and bad moves leave the position as it was",
         {send("position startpos moves e2e4"),
          send("position fen 8/8/8/8/8/8/8/8 w - -"), expect("^info string FEN board: white has 0 kings"),
          send("position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e3 0 1"),
          expect("^info string FEN en passant: e3 with white to move"),
          send("position fen 4k3/8/8/8/8/8/8/4K3 w K - 0 1"), expect("^info string FEN castling: 'K' but no white rook"),
          send("position fen 4k3/4R3/8/8/8/8/8/4K3 w - - 0 1"), expect("^info string FEN: black is in check"),
          send("position startpos moves e2e4 e2e4"), expect("^info string move 2 'e2e4' is not legal"),
          send("position startpos moves e2e4 e7e8q"), expect("^info string move 2 'e7e8q'"),
          send("position startpos moves e2e4 xyz"), expect("^info string move 2 'xyz' is not a move"),
          send("position"), expect("^info string position: expected 'startpos' or 'fen'"),
          send("position startpos e2e4"), expect("^info string position: unexpected 'e2e4'"),
          // Still the position after e2e4: the bestmove must be black's.
          send("go depth 2"), expect("^bestmove "),
          send("position startpos moves"), send("go depth 1"), expect("^bestmove ")}},
        {"unknown commands, options and go parameters",
         {send("xyzzy plugh isready"), expect("^info string unknown command 'xyzzy'"),
          expect("^info string unknown command 'plugh'"), expect("^readyok$"),
          send("setoption name Hash value 16"), expect("^info string unknown option 'Hash'"),
          send("setoption name Move Overhead value -5"), expect("^info string Move Overhead: '-5'"),
          send("setoption name move overhead value 100"), send("setoption name Clock value Fast"),
          expect("^info string Clock: 'Fast' is neither Host nor Engine"), send("debug on"), send("isready"),
          expect("^readyok$"),
          send("position startpos"), send("go nodes 1000 depth 2"), expect("^info string go nodes is not supported"),
          expect("^bestmove "), send("go ponder depth 1"), expect("^info string go ponder is not supported"),
          expect("^bestmove ")}},
        {"stop during go infinite",
         {send("position startpos"), send("go infinite"), pause(300), send("stop"), expect("^bestmove ", 2000)}},
        {"stop at once after go infinite, and the next go without waiting",
         {send("position startpos"), send("go infinite"), send("stop"), expect("^bestmove ", 2000),
          send("go infinite"), pause(100), send("stop"), send("position startpos moves d2d4"), send("go depth 2"),
          expect("^bestmove ", 2000), expect("^bestmove ", 5000)}},
        {"isready while thinking",
         {send("position startpos"), send("go infinite"), pause(200), send("isready"), expect("^readyok$", 1000),
          send("stop"), expect("^bestmove ", 2000), send("isready"), expect("^readyok$", 1000)}},
        {"quit while thinking", {send("position startpos"), send("go infinite"), pause(200), send("quit"),
                                 expectExit(3000)}},
        {"go movetime 300", {send("position startpos"), send("go movetime 300"), expect("^bestmove ", 3000)}},
        {"by the clock, also with very little left",
         {send("position startpos"), send("go wtime 2000 btime 2000 winc 0 binc 0"), expect("^info depth 1 time "),
          expect("^bestmove ", 5000),
          send("position startpos moves e2e4"), send("go wtime 100 btime 60 winc 0 binc 0"),
          expect("^bestmove ", 2000),
          send("position startpos moves e2e4 e7e5"), send("go wtime 3000 btime 3000 movestogo 1"),
          expect("^bestmove ", 5000)}},
        {"by the clock under the engine's own rule",
         {send("setoption name Clock value Engine"), send("position startpos"),
          send("go wtime 2000 btime 2000 winc 0 binc 0"), expect("^bestmove ", 5000),
          send("go wtime 60 btime 60"), expect("^bestmove ", 2000)}},
        {"a single legal move is played at once",
         {send("position fen 1r5k/8/8/8/8/8/8/K7 w - - 0 1"), send("go wtime 100000 btime 100000"),
          expect("^info string only one legal move"), expect("^info depth 1 score * pv a1a2$"),
          expect("^bestmove a1a2$", 2000)}},
        // A clock that overflowed the host's arithmetic was taken for no time at all and answered at once.
        {"huge and negative times",
         {send("position startpos"), send("go movetime -9223372036854775808"), expect("^bestmove "),
          send("go wtime 9223372036854775807 btime 9223372036854775807"), pause(300), send("isready"),
          expect("^readyok$"), send("stop"), expect("^bestmove "),
          send("go movetime 9223372036854"), pause(300), send("isready"), expect("^readyok$"), send("stop"),
          expect("^bestmove "),
          send("go wtime 10000000000000"), pause(300), send("isready"), expect("^readyok$"), send("stop"),
          expect("^bestmove ")}},
        // Every go is answered: a search still running is stopped and answers first.
        {"go, position and ucinewgame during a search",
         {send("position startpos"), send("go infinite"), send("go depth 2"), expect("^bestmove "),
          expect("^bestmove "), send("go infinite"), send("position startpos moves e2e4"), send("go depth 2"),
          expect("^bestmove "), expect("^bestmove "), send("go infinite"), send("ucinewgame"),
          send("position startpos"), send("go infinite"), send("go perft 1"), expect("^Nodes searched: 20$"),
          send("go depth 1"), send("go depth 1"), send("go depth 1"), send("go depth 1"), send("go depth 1"),
          send("go depth 1"), send("go depth 1"), send("go depth 1"), send("isready"), expect("^readyok$")}},
        {"isready, stop and quit during a long perft",
         {send("position startpos"), send("go perft 64"), send("isready"), expect("^readyok$", 2000), send("stop"),
          expect("^info string perft stopped after ", 2000), send("go perft 1"), expect("^Nodes searched: 20$"),
          send("go perft 64"), pause(100), send("quit"), expectExit(3000)}},
        {"a new game, then go straight after the bestmove",
         {send("ucinewgame"), send("isready"), expect("^readyok$"), send("position startpos"), send("go depth 2"),
          expect("^bestmove "), send("go depth 2"), expect("^bestmove ")}},
        {"a game of thousands of plies", {send(longGame(3000)), send("go depth 3"), expect("^bestmove ")}},
        {"perft", {send("position startpos"), send("go perft 3"), expect("^e2e4: 600$"), expect("^Nodes searched: 8902$"),
                   send("position fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1"),
                   send("go perft 2"), expect("^Nodes searched: 2039$")}},
        {"CRLF line ends",
         {send("uci\r"), expect("^uciok$"), send("position startpos moves e2e4\r"), send("go depth 3\r"),
          expect("^bestmove ")}},
        {"end of input after a finite search", {send("position startpos"), send("go depth 3"), expectExit(10000)}},
        {"end of input during go infinite", {send("position startpos"), send("go infinite"), expectExit(3000)}},
        {"end of input lets a perft finish, after go infinite too",
         {send("position startpos"), send("go infinite"), send("stop"), expect("^bestmove "), send("go perft 4"),
          expectExit(20000, "^Nodes searched: 197281$")}},
    };
}

class UciSession : public testing::TestWithParam<Script> {};

// Another build of the front end (korvane-uci.exe under Wine) must also print what korvane-uci prints,
// line for line, wherever timing does not enter.
TEST_P(UciSession, Script) {
    const std::vector<std::string> program = programUnderTest(KORVANE_UCI_PATH);
    const std::string transcript = play(GetParam(), program);
    if (program == std::vector<std::string>{KORVANE_UCI_PATH} || timed(GetParam()) || testing::Test::HasFailure())
        return;
    const std::string reference = play(GetParam(), {KORVANE_UCI_PATH});
    EXPECT_EQ(withoutTimes(transcript), withoutTimes(reference)) << "compared with " << KORVANE_UCI_PATH;
}

INSTANTIATE_TEST_SUITE_P(Scripts, UciSession, testing::ValuesIn(scripts()),
                         [](const testing::TestParamInfo<Script>& param) {
                             std::string name;
                             bool upper = true;
                             for (const char c : param.param.name) {
                                 if (std::isalnum(static_cast<unsigned char>(c))) {
                                     name += upper ? char(std::toupper(static_cast<unsigned char>(c))) : c;
                                     upper = false;
                                 } else {
                                     upper = true;
                                 }
                             }
                             return name;
                         });
