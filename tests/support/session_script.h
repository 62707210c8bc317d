// What the scripted sessions of korvane-uci share: the words of a line, the patterns their expected
// lines are written in, and the program they run.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> words(const std::string& text);

// '*' stands for any text; the pattern is found anywhere in the line unless it starts with '^' or ends
// with '$'.
bool matchesPattern(const std::string& line, const std::string& pattern);

// The program the sessions run: defaultPath, or the command in KORVANE_UCI_COMMAND (words split at
// spaces, the first an absolute path), e.g. "/usr/bin/wine /path/korvane-uci.exe".
std::vector<std::string> programUnderTest(const std::string& defaultPath);
