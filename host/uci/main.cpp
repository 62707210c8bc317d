// korvane-uci: Korvane for UCI and xboard GUIs and match tools. Loads Korvane.eng from beside this
// program (or from the installation's own folder), or from the path given with --module, and speaks UCI
// on standard input and output, or the xboard protocol when the first command is xboard.
#include "host/module/engine_module.h"
#include "uci.h"

#if defined(KORVANE_UCI_BENCH)
#include "host/bench/bench.h"
#endif

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

void printUsage(std::FILE* to) {
    std::fprintf(to, "usage: korvane-uci [--module PATH]    speak UCI on standard input and output (the xboard\n"
                     "                                      protocol when the first command is xboard)\n"
#if defined(KORVANE_UCI_BENCH)
                     "       korvane-uci bench [--depth N]  search the fixed bench positions and print\n"
                     "                                      Nodes searched, Nodes/second and Signature\n"
#endif
                     "       korvane-uci --version          print the version\n"
                     "       korvane-uci --help             print this help\n");
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "korvane-uci: %s\n", message.c_str());
    printUsage(stderr);
    return 2;
}

#if defined(KORVANE_UCI_BENCH)
// bench [--depth N]: the same bench as `korvane bench`, with the engine linked into this program.
int runBench(const std::vector<std::string>& arguments) {
    int depth = 0;
    for (size_t i = 2; i < arguments.size(); ++i) {
        if (arguments[i] != "--depth") return usageError("bench: unknown argument '" + arguments[i] + "'");
        if (i + 1 >= arguments.size()) return usageError("bench: --depth needs a number");
        const std::string& text = arguments[++i];
        size_t used = 0;
        try {
            depth = std::stoi(text, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == 0 || used != text.size() || depth < 1 || depth > 63)
            return usageError("bench: --depth '" + text + "' is not a number from 1 to 63");
    }
    runBenchSearches(int16_t(depth));
    return 0;
}
#endif

int run(const std::vector<std::string>& arguments) {
#if defined(KORVANE_UCI_BENCH)
    if (arguments.size() >= 2 && arguments[1] == "bench") return runBench(arguments);
#endif
    std::string modulePath = defaultModulePath();
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (arg == "--module" && i + 1 < arguments.size()) {
            modulePath = arguments[++i];
        } else if (arg == "--help" || arg == "-h") {
            printUsage(stdout);
            return 0;
        } else if (arg == "--version") {
            std::printf("korvane-uci %s\n", KORVANE_VERSION);
            return 0;
        } else {
            return usageError("unknown argument '" + arg + "'");
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
