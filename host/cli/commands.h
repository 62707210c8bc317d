// The subcommands of the korvane tool.
#pragma once

#include <string>
#include <vector>

// Each takes the arguments after its name and returns the process exit code.
int runThink(const std::string& modulePath, const std::vector<std::string>& args);
int runPerft(const std::vector<std::string>& args);
int runPerftSuite(const std::vector<std::string>& args);
int runBench(const std::vector<std::string>& args);
