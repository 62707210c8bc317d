// korvane-uci: Korvane for UCI GUIs and match tools. Loads Korvane.eng from beside this program, or
// from the path given with --module, and speaks UCI on standard input and output.
#include "host/module/engine_module.h"
#include "uci.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

int run(const std::vector<std::string>& arguments) {
    std::string modulePath = moduleBesideExecutable();
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (arg == "--module" && i + 1 < arguments.size()) {
            modulePath = arguments[++i];
        } else {
            std::fprintf(stderr, "usage: korvane-uci [--module PATH]\n");
            return arg == "--help" || arg == "-h" ? 0 : 2;
        }
    }
    return runUci(std::cin, std::cout, modulePath);
}

} // namespace

#if defined(_WIN32)
int wmain(int argc, wchar_t** argv) { return run(utf8Arguments(argc, argv)); }
#else
int main(int argc, char** argv) { return run(std::vector<std::string>(argv, argv + argc)); }
#endif
