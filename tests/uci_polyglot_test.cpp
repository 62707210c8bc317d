// korvane-uci behind polyglot, the adapter that xboard uses for UCI engines: a few plies of a game in
// xboard's protocol, each of the engine's replies legal on the host's board.
#include "host/chess/board.h"
#include "support/child_process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

using std::chrono::milliseconds;

namespace {

// The next line that starts with the prefix; every line read is kept in the transcript.
std::optional<std::string> awaitLine(ChildProcess& process, const std::string& prefix, std::string& transcript) {
    while (const std::optional<std::string> line = process.readLine(milliseconds(20000))) {
        transcript += *line + "\n";
        if (line->rfind(prefix, 0) == 0) return line;
    }
    return std::nullopt;
}

} // namespace

TEST(UciThroughPolyglot, PlaysLegalMovesInXboardMode) {
    const std::string polyglot = POLYGLOT_PATH;
    ASSERT_FALSE(polyglot.empty()) << "polyglot is not installed (scripts/install-deps.sh installs it)";
    // polyglot keeps its settings under HOME; give it a folder of its own.
    const std::filesystem::path home = std::filesystem::temp_directory_path() / "korvane-polyglot-test";
    std::filesystem::create_directories(home);
    ChildProcess adapter({polyglot, "-noini", "-ec", KORVANE_UCI_PATH}, {"HOME=" + home.string()});
    std::string transcript;

    adapter.send("xboard");
    adapter.send("protover 2");
    ASSERT_TRUE(awaitLine(adapter, "feature done=1", transcript)) << transcript;
    adapter.send("new");
    adapter.send("sd 3");

    chess::Board board;
    const char* ours[] = {"e2e4", "g1f3", "f1c4", "d2d3", "b1c3"};
    for (const char* wanted : ours) {
        // Our move if it is legal here, else the first legal one.
        std::string move = wanted;
        try {
            board.parseUciMove(move);
        } catch (const chess::MoveError&) {
            ASSERT_FALSE(board.legalMoves().empty());
            move = chess::moveToUci(board.legalMoves().front());
        }
        board.apply(board.parseUciMove(move));
        adapter.send("usermove " + move);

        const std::optional<std::string> reply = awaitLine(adapter, "move ", transcript);
        ASSERT_TRUE(reply) << "no reply to " << move << "\n" << transcript;
        const std::string theirs = reply->substr(5);
        chess::Move parsed;
        ASSERT_NO_THROW(parsed = board.parseUciMove(theirs)) << transcript;
        board.apply(parsed);
    }
    EXPECT_EQ(transcript.find("Illegal"), std::string::npos) << transcript;
    adapter.send("quit");
    adapter.closeInput();
    EXPECT_EQ(adapter.wait(milliseconds(10000)).value_or(-1), 0);
    std::filesystem::remove_all(home);
}
