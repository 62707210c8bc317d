#include "options.h"

#include <cerrno>
#include <cstdlib>

std::string optionText(const std::vector<std::string>& args, size_t& i) {
    if (i + 1 >= args.size()) throw UsageError(args[i] + " needs a value");
    return args[++i];
}

long optionNumber(const std::vector<std::string>& args, size_t& i, long low, long high) {
    const std::string option = args[i];
    return parseNumber(option, optionText(args, i), low, high);
}

long parseNumber(const std::string& what, const std::string& text, long low, long high) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < low || value > high)
        throw UsageError(what + " takes a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not '" + text + "'");
    return value;
}
