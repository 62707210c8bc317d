// Fuzzes the UCI front end with whole sessions through runUci, the module loaded as korvane-uci loads
// it. The input is the session's text; the harness keeps searches short and makes the position
// observable, then checks the output:
// - every `go` line is rewritten with its numbers clamped (depth at most 2, a few milliseconds of clock
//   or move time) and, unless it has a depth, followed by `stop`;
// - after a line that is a `position` or `ucinewgame` command come `stop` and `go perft 1`, whose
//   listing must be the legal moves of the position the harness expects: the new one, or the old one
//   when the front end said "position not changed" (and it must say so exactly when the position is
//   bad);
// - every line is followed by a marker (an unknown command) that splits the reader's output by
//   command; searches and perfts run one after another on the worker thread, so their lines form a
//   stream of jobs, each ended by its bestmove or its perft total (or the note that it was stopped);
// - every `go` that is not refused for a bad perft depth starts exactly one job: a search answers
//   with one bestmove, legal in its position, and its info lines name legal moves; a perft lists only
//   legal moves.
// In raw mode the numbers of `go` reach the front end as they are (huge and negative clocks and move
// times included; only perft depths are clamped) and every `go` is followed by `stop`. An input whose
// first line is `#raw` runs in raw mode (that line is not sent), and KORVANE_FUZZ_RAW_GO=1 in the
// environment puts every input in raw mode.
#include "host/chess/game_record.h"
#include "host/uci/uci.h"
#include "host/uci/uci_protocol.h"

#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

using uci::joinTokens;
using uci::splitTokens;

constexpr size_t MaxLines = 24;
constexpr int MaxGoLines = 8;
const std::string Marker = "zzfuzzmark";

bool alwaysRaw = false;
bool rawGo = false;

std::string sessionText;
std::string outputText;

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "uci fuzzer: %s\n--- session\n%s--- output\n%s---\n", what.c_str(), sessionText.c_str(),
                 outputText.c_str());
    std::abort();
}

bool startsWith(const std::string& text, const std::string& prefix) { return text.compare(0, prefix.size(), prefix) == 0; }

// The command a line carries: its first token that is a command, as the front end reads it.
size_t commandIndex(const std::vector<std::string>& tokens) {
    static const std::set<std::string> Commands = {"uci",  "isready", "setoption", "ucinewgame", "position", "go",
                                                   "stop", "quit",    "debug",     "register",   "ponderhit"};
    for (size_t i = 0; i < tokens.size(); ++i)
        if (Commands.count(tokens[i])) return i;
    return tokens.size();
}

std::set<std::string> legalTexts(const chess::Board& board) {
    std::set<std::string> texts;
    for (const chess::Move& move : board.legalMoves()) texts.insert(chess::moveToUci(move));
    return texts;
}

// The go line with every number clamped to keep the search short.
std::string rewriteGo(const std::vector<std::string>& tokens, size_t at) {
    std::string line = "go";
    for (size_t i = at + 1; i < tokens.size(); ++i) {
        std::string token = tokens[i];
        int64_t value = 0;
        const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
        if (i > at + 1 && error == std::errc() && end == token.data() + token.size()) {
            const std::string& key = tokens[i - 1];
            if (rawGo && key != "perft") {
                line += " " + token;
                continue;
            }
            int64_t low = -100, high = 100;
            if (key == "depth") low = -1, high = 2;
            else if (key == "perft") low = -1, high = 2;
            else if (key == "movetime") low = -5, high = 20;
            else if (key == "wtime" || key == "btime") low = -100, high = 300;
            else if (key == "movestogo") low = -5, high = 40;
            token = std::to_string(std::clamp(value, low, high));
        }
        line += " " + token;
    }
    return line;
}

// What the harness expects of each command it sends.
enum class Kind { Other, Position, Perft, Go };

struct Sent {
    Kind kind = Kind::Other;
    bool refused = false;           // Position: the harness's board rejects it
    std::set<std::string> legal;    // Perft and Go: the legal moves where it runs
};

// A perft line: a move and the count below it.
bool isPerftCount(const std::string& line) {
    const size_t colon = line.find(": ");
    return (colon == 4 || colon == 5) && colon + 2 < line.size() &&
           std::all_of(line.begin() + long(colon) + 2, line.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool endsPerft(const std::string& line) {
    return startsWith(line, "Nodes searched: ") || startsWith(line, "info string perft stopped");
}

// A line the worker thread writes rather than the command reader.
bool fromWorker(const std::string& line) {
    return startsWith(line, "bestmove") || startsWith(line, "info depth") || startsWith(line, "info currmove") ||
           startsWith(line, "info string the engine") || line.empty() || isPerftCount(line) || endsPerft(line);
}

bool isPerftJob(const std::vector<std::string>& job) { return endsPerft(job.back()); }

// A perft job: every listed move is legal; a perft that ran to its end lists every legal move once and
// totals their counts; a depth-1 perft counts 1 below each move.
void checkPerftLines(const std::vector<std::string>& lines, const std::set<std::string>& legal, bool depthOne,
                     size_t command) {
    const std::string where = " (command " + std::to_string(command) + ")";
    std::set<std::string> listed;
    uint64_t total = 0;
    for (const std::string& l : lines) {
        if (!isPerftCount(l)) continue;
        const size_t colon = l.find(": ");
        const std::string move = l.substr(0, colon);
        if (!legal.count(move)) fail("perft lists an illegal move: " + l + where);
        if (!listed.insert(move).second) fail("perft lists a move twice: " + l + where);
        const uint64_t count = std::stoull(l.substr(colon + 2));
        if (depthOne && count != 1) fail("depth-1 perft counts more than 1: " + l + where);
        total += count;
    }
    if (startsWith(lines.back(), "Nodes searched: ")) {
        if (listed != legal) fail("perft listing differs from the legal moves" + where);
        if (lines.back() != "Nodes searched: " + std::to_string(total)) fail("perft total is not the sum" + where);
    }
}

void checkSearchLines(const std::vector<std::string>& lines, const std::set<std::string>& legal) {
    for (const std::string& line : lines) {
        const std::vector<std::string> tokens = splitTokens(line);
        if (startsWith(line, "info string the engine's move")) fail("engine reported an illegal move: " + line);
        if (isPerftCount(line) || line.empty()) fail("perft line inside a search: " + line);
        if (startsWith(line, "info currmove") && (tokens.size() < 3 || !legal.count(tokens[2])))
            fail("currmove not legal: " + line);
        const auto pv = std::find(tokens.begin(), tokens.end(), "pv");
        if (pv != tokens.end() && (pv + 1 == tokens.end() || !legal.count(*(pv + 1)))) fail("pv not legal: " + line);
    }
    const std::string& last = lines.back();
    const std::string move = last.substr(std::strlen("bestmove "));
    if (legal.empty() ? move != "0000" : !legal.count(move)) fail("bestmove not legal: " + last);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Held open for the whole run, so that each session's load and unload of the module is cheap and
    // its coverage counters stay in place.
    if (dlopen(KORVANE_MODULE_PATH, RTLD_NOW) == nullptr) {
        std::fprintf(stderr, "uci fuzzer: cannot load %s: %s\n", KORVANE_MODULE_PATH, dlerror());
        std::abort();
    }
    const char* raw = std::getenv("KORVANE_FUZZ_RAW_GO");
    alwaysRaw = raw != nullptr && std::string(raw) == "1";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<Sent> sent;
    sessionText.clear();
    auto send = [&](const std::string& line, Sent what) {
        sessionText += line + "\n";
        sent.push_back(std::move(what));
        sessionText += Marker + std::to_string(sent.size() - 1) + "\n";
    };

    chess::Board current = chess::Board::fromFen(chess::InitialFen);
    std::istringstream lines(input);
    std::string line;
    int goLines = 0;
    rawGo = alwaysRaw;
    if (startsWith(input, "#raw\n")) {
        rawGo = true;
        std::getline(lines, line);
    }
    for (size_t n = 0; n < MaxLines && std::getline(lines, line); ++n) {
        if (line.find(Marker) != std::string::npos) continue;
        const std::vector<std::string> tokens = splitTokens(line);
        // A session that opens with `xboard` speaks the other protocol; this harness checks UCI only.
        if (sessionText.empty() && !tokens.empty() && tokens.front() == "xboard") continue;
        const size_t at = commandIndex(tokens);
        const std::string command = at < tokens.size() ? tokens[at] : "";
        if (command == "go") {
            if (++goLines > MaxGoLines) continue;
            const std::string go = rewriteGo(tokens, at);
            send(go, {Kind::Go, false, legalTexts(current)});
            if (rawGo || std::find(tokens.begin() + long(at), tokens.end(), "depth") == tokens.end()) send("stop", {});
            continue;
        }
        if (command != "position" && command != "ucinewgame") {
            send(line, {});
            if (command == "quit") break;
            continue;
        }
        Sent what{Kind::Position, false, {}};
        if (command == "ucinewgame") {
            current = chess::Board::fromFen(chess::InitialFen);
        } else {
            // As the front end reads it: startpos or fen up to `moves`, then the moves.
            std::string fen;
            size_t i = at + 1;
            bool good = true;
            if (i < tokens.size() && tokens[i] == "startpos") {
                fen = chess::InitialFen;
                ++i;
            } else if (i < tokens.size() && tokens[i] == "fen") {
                const size_t fenStart = ++i;
                while (i < tokens.size() && tokens[i] != "moves") ++i;
                fen = joinTokens(tokens, fenStart, i);
            } else {
                good = false;
            }
            if (good && i < tokens.size() && tokens[i] != "moves") good = false;
            if (good) {
                const std::vector<std::string> moves(tokens.begin() + long(std::min(i + 1, tokens.size())),
                                                     tokens.end());
                try {
                    current = chess::playGame(fen, moves).current;
                } catch (const std::exception&) {
                    good = false;
                }
            }
            what.refused = !good;
        }
        send(line, what);
        send("stop", {});
        send("go perft 1", {Kind::Perft, false, legalTexts(current)});
    }

    std::istringstream in(sessionText);
    std::ostringstream out;
    const int result = runUci(in, out, KORVANE_MODULE_PATH);
    outputText = out.str();
    if (result != 0) fail("runUci returned " + std::to_string(result));

    // Split the output: the worker's lines by job, the reader's by marker.
    std::vector<std::vector<std::string>> jobs(1);
    std::vector<std::vector<std::string>> segments(1);
    std::istringstream output(outputText);
    while (std::getline(output, line)) {
        if (fromWorker(line)) {
            jobs.back().push_back(line);
            if (startsWith(line, "bestmove") || endsPerft(line)) jobs.emplace_back();
        } else if (startsWith(line, "info string unknown command '" + Marker)) {
            const std::string expected = "info string unknown command '" + Marker + std::to_string(segments.size() - 1) + "' ignored";
            if (line != expected) fail("marker out of order: " + line);
            segments.emplace_back();
        } else {
            segments.back().push_back(line);
        }
    }
    if (!jobs.back().empty()) fail("worker lines after the last bestmove or perft total");
    jobs.pop_back();
    // The reader may stop early (quit); every command it read left its marker.
    if (segments.size() - 1 > sent.size()) fail("more markers than commands");

    size_t job = 0;
    for (size_t k = 0; k + 1 < segments.size(); ++k) {
        const std::vector<std::string>& segment = segments[k];
        const Sent& what = sent[k];
        auto has = [&](const std::string& text) {
            return std::any_of(segment.begin(), segment.end(),
                               [&](const std::string& l) { return l.find(text) != std::string::npos; });
        };
        if (what.kind == Kind::Position && has("position not changed") != what.refused)
            fail(what.refused ? "bad position accepted (command " + std::to_string(k) + ")"
                              : "good position refused (command " + std::to_string(k) + ")");
        if (what.kind == Kind::Perft || what.kind == Kind::Go) {
            // A go with a bad perft depth is refused; every other go starts one job, and so does the
            // harness's perft.
            if (what.kind == Kind::Go && has("go perft needs a depth")) continue;
            if (job >= jobs.size()) fail("no bestmove or perft total for command " + std::to_string(k));
            const std::vector<std::string>& jobLines = jobs[job++];
            if (what.kind == Kind::Perft && !isPerftJob(jobLines))
                fail("go perft 1 answered by a search (command " + std::to_string(k) + ")");
            if (isPerftJob(jobLines)) checkPerftLines(jobLines, what.legal, what.kind == Kind::Perft, k);
            else checkSearchLines(jobLines, what.legal);
        }
    }
    if (job != jobs.size()) fail("more jobs than commands that start one");
    return 0;
}
