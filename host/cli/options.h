// Small helpers for reading the tool's command-line options.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A whole number in [low, high]; what names it in the error message.
long parseNumber(const std::string& what, const std::string& text, long low, long high);
// The integer after an option such as --depth; throws UsageError when missing or not a number in range.
long optionNumber(const std::vector<std::string>& args, size_t& i, long low, long high);
// The text after an option.
std::string optionText(const std::vector<std::string>& args, size_t& i);
