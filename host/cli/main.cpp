// korvane: the project's command-line tool.
#include "commands.h"
#include "options.h"

#include "host/module/engine_module.h"
#include "host/uci/uci.h"

#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

void printUsage() {
    std::puts("usage: korvane [--module PATH] COMMAND [OPTIONS]\n"
              "  think [--fen FEN] [--moves ...] [--depth N | --clock S [--inc S] [--movestogo N] | --unlimited]\n"
              "                       load Korvane.eng as a host does and print its thinking\n"
              "  info                 load Korvane.eng and print its name, author and country\n"
              "  perft N [--fen FEN] [--moves ...] [--divide]\n"
              "                       leaves of the legal move tree, from the engine's own generator\n"
              "  perft-suite [--file EPD] [--max-leaves N] [--depth N]\n"
              "                       check an EPD file of published perft counts\n"
              "  uci                  speak UCI on standard input and output (as korvane-uci does)\n"
              "  bench [--depth N]    search a fixed set of positions (each at its own depth unless --depth);\n"
              "                       the total node count signs the search\n"
              "  --version            print the version");
}

int runInfo(const std::string& modulePath) {
    EngineModule module(modulePath);
    const EngineEntries& eng = module.entries();
    std::printf("name    %s\nauthor  %s\ncountry %s\n", eng.eng7(), eng.eng6(), eng.eng18());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string modulePath = defaultModulePath();
    if (args.size() >= 2 && args[0] == "--module") {
        modulePath = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty()) {
        printUsage();
        return 2;
    }
    const std::string command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    try {
        if (command == "think") return runThink(modulePath, rest);
        if (command == "info") return runInfo(modulePath);
        if (command == "perft") return runPerft(rest);
        if (command == "perft-suite") return runPerftSuite(rest);
        if (command == "bench") return runBench(rest);
        if (command == "uci") return runUci(std::cin, std::cout, modulePath);
        if (command == "--version") {
            std::printf("korvane %s\n", KORVANE_VERSION);
            return 0;
        }
        if (command == "help" || command == "--help" || command == "-h") {
            printUsage();
            return 0;
        }
        std::fprintf(stderr, "korvane: unknown command '%s'\n", command.c_str());
        printUsage();
        return 2;
    } catch (const UsageError& error) {
        std::fprintf(stderr, "korvane: %s\n", error.what());
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "korvane: %s\n", error.what());
        return 1;
    }
}
