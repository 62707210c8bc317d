#include "session_script.h"

#include <cstdlib>
#include <sstream>

std::vector<std::string> words(const std::string& text) {
    std::istringstream stream(text);
    std::vector<std::string> result;
    for (std::string word; stream >> word;) result.push_back(word);
    return result;
}

namespace {

bool wildcardMatch(const char* text, const char* pattern) {
    if (*pattern == '\0') return *text == '\0';
    if (*pattern == '*') return wildcardMatch(text, pattern + 1) || (*text != '\0' && wildcardMatch(text + 1, pattern));
    return *text == *pattern && wildcardMatch(text + 1, pattern + 1);
}

} // namespace

bool matchesPattern(const std::string& line, const std::string& pattern) {
    const bool anchoredStart = !pattern.empty() && pattern.front() == '^';
    const bool anchoredEnd = !pattern.empty() && pattern.back() == '$';
    std::string full(anchoredStart ? 0 : 1, '*');
    full.append(pattern, anchoredStart ? 1 : 0, std::string::npos);
    if (anchoredEnd) full.pop_back();
    else full.push_back('*');
    return wildcardMatch(line.c_str(), full.c_str());
}

std::vector<std::string> programUnderTest(const std::string& defaultPath) {
    const char* command = std::getenv("KORVANE_UCI_COMMAND");
    if (command == nullptr || words(command).empty()) return {defaultPath};
    return words(command);
}
