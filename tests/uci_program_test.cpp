// korvane-uci's own command line: the version, the help, and the bench, which must be the very bench
// of the korvane tool (same node count and signature).
#include "support/child_process.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using std::chrono::milliseconds;

struct ProgramRun {
    int status = -1;
    std::vector<std::string> lines;
};

ProgramRun runProgram(const std::vector<std::string>& argv) {
    ChildProcess child(argv);
    child.closeInput();
    ProgramRun run;
    while (const std::optional<std::string> line = child.readLine(milliseconds(60000))) run.lines.push_back(*line);
    run.status = child.wait(milliseconds(10000)).value_or(-1);
    return run;
}

// The first line that starts with prefix, or an empty text.
std::string lineStarting(const ProgramRun& run, const std::string& prefix) {
    const auto found = std::find_if(run.lines.begin(), run.lines.end(),
                                    [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
    return found == run.lines.end() ? "" : *found;
}

struct ArgumentCase {
    std::vector<std::string> arguments;
    int status;
    std::string firstLine; // expected start of the first line on standard output, if any
};

TEST(UciProgram, CommandLine) {
    const ArgumentCase cases[] = {
        {{"--version"}, 0, "korvane-uci " KORVANE_VERSION},
        {{"--help"}, 0, "usage: korvane-uci"},
        {{"--bogus"}, 2, ""},
        {{"--module"}, 2, ""},
        {{"bench", "--depth"}, 2, ""},
        {{"bench", "--depth", "0"}, 2, ""},
        {{"bench", "--depth", "2x"}, 2, ""},
        {{"bench", "--nodes", "5"}, 2, ""},
    };
    for (const ArgumentCase& c : cases) {
        std::vector<std::string> argv{KORVANE_UCI_PATH};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        const ProgramRun run = runProgram(argv);
        SCOPED_TRACE(c.arguments.front() + (c.arguments.size() > 1 ? " " + c.arguments[1] : ""));
        EXPECT_EQ(run.status, c.status);
        if (!c.firstLine.empty()) {
            ASSERT_FALSE(run.lines.empty());
            EXPECT_EQ(run.lines.front().rfind(c.firstLine, 0), 0u) << run.lines.front();
        } else {
            EXPECT_TRUE(run.lines.empty()) << run.lines.front();
        }
    }
}

TEST(UciProgram, BenchIsTheToolsBench) {
    const ProgramRun uci = runProgram({KORVANE_UCI_PATH, "bench", "--depth", "3"});
    const ProgramRun tool = runProgram({KORVANE_TOOL_PATH, "bench", "--depth", "3"});
    ASSERT_EQ(uci.status, 0);
    ASSERT_EQ(tool.status, 0);
    for (const char* prefix : {"Nodes searched", "Signature"}) {
        EXPECT_NE(lineStarting(uci, prefix), "") << prefix;
        EXPECT_EQ(lineStarting(uci, prefix), lineStarting(tool, prefix));
    }
    EXPECT_NE(lineStarting(uci, "Nodes/second"), "");
}

} // namespace
