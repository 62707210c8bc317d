// Scripted xboard sessions through the real korvane-uci program, checked the way xboard checks an
// engine: it moves only when it is on move and only legally, thinking lines are `ply score time 0 pv`
// with a legal first move, analysis never moves, ping is answered promptly, and the program exits
// cleanly.
#include "host/chess/game_record.h"
#include "support/child_process.h"
#include "support/session_script.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <thread>

namespace {

using std::chrono::milliseconds;

struct Step {
    enum Kind { Send, OurMove, Expect, Pause, ExpectExit } kind;
    std::string text;
    int limitMs = 0;
};

Step send(std::string line) { return {Step::Send, std::move(line)}; }
// `usermove` with the first of the moves (separated by spaces) that is legal on the referee's board.
Step ourMove(std::string candidates) { return {Step::OurMove, std::move(candidates)}; }
// Reads lines until one matches one of the patterns (separated by '|', each as in matchesPattern).
Step expect(std::string patterns, int limitMs = 10000) { return {Step::Expect, std::move(patterns), limitMs}; }
Step pause(int ms) { return {Step::Pause, "", ms}; }
// Closes the input and expects a clean exit, with a line matching the pattern on the way if one is given.
Step expectExit(int limitMs, std::string pattern = "") { return {Step::ExpectExit, std::move(pattern), limitMs}; }

bool matches(const std::string& line, const std::string& patterns) {
    size_t start = 0;
    for (size_t bar = patterns.find('|'); ; bar = patterns.find('|', start)) {
        if (matchesPattern(line, patterns.substr(start, bar - start))) return true;
        if (bar == std::string::npos) return false;
        start = bar + 1;
    }
}

// Follows the game with the host's own board as xboard does, and checks every line the engine prints.
class Referee {
public:
    void sent(const std::string& line) {
        const std::vector<std::string> tokens = words(line);
        if (tokens.empty()) return;
        const std::string& command = tokens[0];
        // Every command that changes the game or the engine's role ends its thinking without a move.
        if (command == "new") {
            game_ = chess::playGame(chess::InitialFen, {});
            force_ = analysing_ = thinking_ = false;
            engineBlack_ = true;
        } else if (command == "force" || command == "result") {
            force_ = true;
            thinking_ = false;
        } else if (command == "go") {
            force_ = analysing_ = false;
            engineBlack_ = game_.current.blackToMove();
            think();
        } else if (command == "playother") {
            force_ = thinking_ = false;
            engineBlack_ = !game_.current.blackToMove();
        } else if (command == "analyze") {
            analysing_ = true;
            thinking_ = false;
            think();
        } else if (command == "exit") {
            analysing_ = false;
        } else if ((command == "usermove" && tokens.size() == 2) || (tokens.size() == 1 && isMove(command))) {
            thinking_ = false;
            play(tokens.back());
            think();
        } else if (command == "setboard") {
            thinking_ = false;
            std::string fen;
            for (size_t i = 1; i < tokens.size(); ++i) fen += tokens[i] + " ";
            try {
                game_ = chess::playGame(fen, {});
            } catch (const std::exception&) {
            }
            think();
        } else if ((command == "undo" || command == "remove") && game_.moves.size() >= (command == "undo" ? 1u : 2u)) {
            thinking_ = false;
            game_.moves.resize(game_.moves.size() - (command == "undo" ? 1 : 2));
            game_.current = game_.start;
            for (const chess::Move& move : game_.moves) game_.current.apply(move);
            think();
        }
    }

    void received(const std::string& line) {
        transcript_ += line + "\n";
        const std::vector<std::string> tokens = words(line);
        if (tokens.empty()) return;
        if (line.find("reported no move") != std::string::npos || line.find("is not legal here") != std::string::npos)
            fault("a move without a search: " + line);
        if (tokens[0] == "move") {
            if (!thinking_) return fault("a move while not on move: " + line);
            thinking_ = false;
            if (tokens.size() != 2 || !play(tokens[1])) fault("not a legal move: " + line);
            return;
        }
        if (tokens[0] == "pong") {
            // Every search ended by the commands before the ping has printed all it will.
            searched_.clear();
            if (thinking_ || analysing_) searched_.push_back(game_.current);
            return;
        }
        if (tokens[0].find_first_not_of("0123456789") == std::string::npos) {
            // ply score time nodes pv
            if (tokens.size() != 5 || tokens[3] != "0") return fault("not a thinking line: " + line);
            const bool legal = std::any_of(searched_.begin(), searched_.end(), [&](const chess::Board& board) {
                try {
                    board.parseUciMove(tokens[4]);
                    return true;
                } catch (const std::exception&) {
                    return false;
                }
            });
            if (!legal) fault("the pv is not legal in any position searched lately: " + line);
        }
    }

    const chess::Board& board() const { return game_.current; }
    const std::string& transcript() const { return transcript_; }
    const std::vector<std::string>& faults() const { return faults_; }

private:
    void fault(const std::string& text) { faults_.push_back(text); }
    // After any change of the game or the engine's role: whether it thinks now, and the position it
    // searches. Until the next pong, lines of earlier searches may still arrive.
    void think() {
        thinking_ = !force_ && !analysing_ && game_.current.blackToMove() == engineBlack_ &&
                    !game_.current.legalMoves().empty();
        if (thinking_ || analysing_) searched_.push_back(game_.current);
    }
    bool isMove(const std::string& text) const {
        try {
            game_.current.parseUciMove(text);
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }
    bool play(const std::string& text) {
        try {
            const chess::Move move = game_.current.parseUciMove(text);
            game_.current.apply(move);
            game_.moves.push_back(move);
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }

    chess::Game game_ = chess::playGame(chess::InitialFen, {});
    bool force_ = false;
    bool engineBlack_ = true;
    bool analysing_ = false;
    bool thinking_ = false;
    std::vector<chess::Board> searched_;
    std::string transcript_;
    std::vector<std::string> faults_;
};

struct Script {
    std::string name;
    std::vector<Step> steps;
    // Patterns no line may match.
    std::vector<std::string> never = {};
};

void PrintTo(const Script& script, std::ostream* out) { *out << script.name; }

void play(const Script& script, const std::vector<std::string>& program) {
    ChildProcess engine(program);
    Referee referee;
    bool exited = false;
    const auto sendLine = [&](const std::string& line) {
        referee.sent(line);
        engine.send(line);
    };
    sendLine("xboard");
    for (const Step& step : script.steps) {
        switch (step.kind) {
        case Step::Send: sendLine(step.text); break;
        case Step::OurMove: {
            std::string chosen;
            for (const std::string& move : words(step.text)) {
                try {
                    referee.board().parseUciMove(move);
                    chosen = move;
                    break;
                } catch (const std::exception&) {
                }
            }
            if (chosen.empty()) ADD_FAILURE() << "none of " << step.text << " is legal";
            else sendLine("usermove " + chosen);
            break;
        }
        case Step::Pause: std::this_thread::sleep_for(milliseconds(step.limitMs)); break;
        case Step::Expect: {
            const auto deadline = std::chrono::steady_clock::now() + milliseconds(step.limitMs);
            bool found = false;
            while (!found) {
                const auto left = std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
                const std::optional<std::string> line = engine.readLine(std::max(left, milliseconds(0)));
                if (!line) break;
                referee.received(*line);
                found = matches(*line, step.text);
            }
            if (!found) ADD_FAILURE() << "no line matching '" << step.text << "' within " << step.limitMs << " ms";
            break;
        }
        case Step::ExpectExit: {
            engine.closeInput();
            bool found = step.text.empty();
            while (const std::optional<std::string> line = engine.readLine(milliseconds(step.limitMs))) {
                referee.received(*line);
                found = found || matches(*line, step.text);
            }
            if (!found) ADD_FAILURE() << "no line matching '" << step.text << "' before the exit";
            EXPECT_EQ(engine.wait(milliseconds(step.limitMs)).value_or(-1), 0) << "exit within " << step.limitMs << " ms";
            exited = true;
            break;
        }
        }
    }
    if (!exited) {
        sendLine("quit");
        engine.closeInput();
        while (const std::optional<std::string> line = engine.readLine(milliseconds(10000))) referee.received(*line);
        EXPECT_EQ(engine.wait(milliseconds(10000)).value_or(-1), 0);
    }
    for (const std::string& fault : referee.faults()) ADD_FAILURE() << fault;
    std::istringstream lines(referee.transcript());
    for (std::string line; std::getline(lines, line);)
        for (const std::string& pattern : script.never)
            if (matches(line, pattern)) ADD_FAILURE() << "unexpected line: " << line;
    if (testing::Test::HasFailure()) std::cerr << "transcript of " << script.name << ":\n" << referee.transcript();
}

// The opening of a game in which Korvane plays black, our moves chosen from what is legal.
std::vector<Step> gameAsWhite(std::vector<Step> steps) {
    const char* ours[] = {"e2e4 d2d4", "g1f3 b1c3 d2d3", "f1c4 f1e2 b1c3 a2a3", "e1g1 d2d3 b1c3 h2h3"};
    int centiseconds = 1000;
    for (const char* candidates : ours) {
        steps.push_back(send("time " + std::to_string(centiseconds)));
        steps.push_back(send("otim " + std::to_string(centiseconds)));
        centiseconds -= 50;
        steps.push_back(ourMove(candidates));
        steps.push_back(expect("^move ", 20000));
    }
    return steps;
}

const std::vector<std::string> NoErrors = {"^Error", "^Illegal move"};

} // namespace

std::vector<Script> scripts() {
    return {
        {"handshake and quiet commands",
         {send("protover 2"),
          expect("^feature myname=\"Korvane 1.0.0\" setboard=1 usermove=1 ping=1 time=1 colors=0 sigint=0 sigterm=0 reuse=1 "
                 "analyze=1 name=1$"),
          expect("^feature done=1$"), send("accepted setboard"), send("rejected foo"), send("easy"), send("hard"),
          send("random"), send("computer"), send("name Some Opponent"), send("post"), send("nopost"),
          send("ping 1"), expect("^pong 1$")},
         NoErrors},
        // The soft limit in the remark shows the clock was read in centiseconds and the increment's
        // fraction kept: (10000 - 50) / 30 + 3/4 of 100 ms; the hard limit is four times that.
        {"a game with level, time and otim",
         gameAsWhite({send("new"), send("post"), send("level 0 0:10 0.1")}),
         NoErrors},
        {"the clock rule in the planner's remarks",
         {send("new"), send("level 0 0:10 0.1"), send("time 1000"), send("otim 1000"), send("usermove e2e4"),
          expect("soft limit 406 ms$|hard limit of 1624 ms$"), expect("^move "),
          // Three moves in the control, at move 1 of it: (3000 - 50) / 4.
          send("new"), send("level 3 0:03 0"), send("time 300"), send("otim 300"), send("usermove e2e4"),
          expect("soft limit 737 ms$|hard limit of 1475 ms$"), expect("^move ")},
         NoErrors},
        {"force, undo and remove",
         {send("new"), send("force"), send("undo"), expect("^Error (no move to undo): undo$"),
          send("usermove e2e4"), send("usermove e7e5"), send("undo"), send("usermove e2e4"),
          expect("^Illegal move: e2e4$"), send("usermove d7d5"), send("sd 2"), send("go"), expect("^move "),
          // Back before d5: black to move, the engine plays white and waits.
          send("remove"), send("ping 2"), expect("^pong 2$"), send("usermove g8f6"), expect("^move "),
          send("remove"), send("remove"), expect("^Error (no two moves to remove): remove$"),
          send("playother"), send("usermove e7e5"), expect("^move ")}},
        {"setboard, good and bad",
         {send("new"), send("force"), send("setboard 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1"),
          send("setboard 8/8/8/8/8/8/8/8 w - - 0 1"),
          expect("^Error (FEN board: white has 0 kings*): setboard 8/8/8/8/8/8/8/8 w - - 0 1$"),
          send("setboard 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1 extra"), expect("^Error (*): setboard "),
          send("sd 3"), send("post"), send("go"), expect("^1 100001 * 0 a1a8$|^2 100001 * 0 a1a8$|^3 100001 * 0 a1a8$"),
          expect("^move a1a8$"),
          send("force"), send("setboard k7/8/1K6/8/8/8/8/7R b - - 0 1"), send("go"), expect(" -100001 * 0 a8b8$"),
          expect("^move a8b8$"),
          send("force"), send("setboard 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1"), send("go"), expect("^1-0 {White mates}$"),
          send("force"), send("setboard 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"), send("go"), expect("^1/2-1/2 {Stalemate}$"),
          send("setboard 8/P6k/8/8/8/8/8/K7 w - - 0 1"), send("go"), expect("^move a7a8q$")}},
        {"ping during a search, then the move",
         {send("ping 2"), expect("^pong 2$"), send("new"), send("level 0 1 0"), send("time 6000"), send("otim 6000"),
          send("usermove e2e4"), send("ping 3"), expect("^pong 3$", 1000), expect("^move ", 20000)}},
        // With ten minutes on the clock the move would take 20 s; ? ends it as soon as depth 1 is done.
        {"? moves now",
         {send("new"), send("level 0 10 0"), send("time 60000"), send("otim 60000"), send("usermove e2e4"),
          pause(300), send("?"), expect("^move ", 5000), ourMove("d2d4 g1f3"), send("?"), expect("^move ", 5000)},
         NoErrors},
        {"commands during a search end it without a move",
         {send("new"), send("level 0 10 0"), send("time 60000"), send("usermove e2e4"), pause(200), send("force"),
          send("ping 4"), expect("^pong 4$"), send("go"), pause(200), send("new"), send("ping 5"),
          expect("^pong 5$"), send("setboard r3k2r/pppq1ppp/2npbn2/4p3/4P3/2NPBN2/PPPQ1PPP/R3K2R w KQkq - 0 1"),
          send("go"), pause(200),
          send("result 1-0 {White mates}"), send("ping 6"), expect("^pong 6$")},
         {"^move "}},
        {"analysis",
         {send("new"), send("force"), send("usermove e2e4"), send("post"), send("analyze"), expect("^1 * * 0 *"),
          pause(200), send("."), expect("^stat01: * 0 * * * *"), send("usermove e7e5"), pause(200),
          expect("^1 * * 0 *"), send("undo"), pause(200), send("setboard 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1"),
          expect(" 100001 * 0 a1a8$"), send("exit"), send("ping 7"), expect("^pong 7$"), send("analyze"),
          pause(100), send("exit"), send("analyze"), pause(100), send("quit"), expectExit(3000)},
         {"^move ", "^Error"}},
        {"bad input",
         {send("xyzzy"), expect("^Error (unknown command): xyzzy$"), send("level 0 x 0"),
          expect("^Error (expected level MOVES MINUTES[:SECONDS] INCREMENT): level 0 x 0$"), send("level 40 5"),
          expect("^Error (*): level 40 5$"), send("time soon"), expect("^Error (expected one whole number): time soon$"),
          send("sd"), expect("^Error (expected one whole number): sd$"), send("usermove"),
          expect("^Error (usermove needs one move): usermove$"), send("usermove e2e5"),
          expect("^Illegal move: e2e5$"), send("usermove e1e2"), expect("^Illegal move: e1e2$"),
          // The game is as it was: the engine's reply to e2e4 is black's.
          send("sd 2"), send("usermove e2e4"), expect("^move ")}},
        {"moves without usermove, CRLF, and the end of the input while thinking",
         {send("new\r"), send("sd 3\r"), send("e2e4\r"), expect("^move "), send("d2d4"), expectExit(10000, "^move ")},
         NoErrors},
    };
}

class XboardSession : public testing::TestWithParam<Script> {};

TEST_P(XboardSession, Script) { play(GetParam(), programUnderTest(KORVANE_UCI_PATH)); }

INSTANTIATE_TEST_SUITE_P(Scripts, XboardSession, testing::ValuesIn(scripts()),
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
