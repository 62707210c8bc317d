// korvane: the project's command-line tool. It loads Korvane.eng as a host application does.
#include "host/module/engine_module.h"
#include "host/module/notification.h"
#include "platform/morlix32.h"

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

void printUsage() {
    std::puts("usage: korvane [--module PATH] info\n"
              "  info   load the engine and print its name, author and country");
}

int runInfo(const EngineModule& module) {
    const EngineEntries& eng = module.entries();
    std::printf("name    %s\nauthor  %s\ncountry %s\n", eng.eng7(), eng.eng6(), eng.eng18());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string modulePath = moduleBesideExecutable();
    if (args.size() >= 2 && args[0] == "--module") {
        modulePath = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    const std::string command = args.empty() ? "info" : args[0];
    try {
        if (command == "info") {
            EngineModule module(modulePath);
            return runInfo(module);
        }
        if (command == "help" || command == "--help" || command == "-h") {
            printUsage();
            return 0;
        }
        std::fprintf(stderr, "korvane: unknown command '%s'\n", command.c_str());
        printUsage();
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "korvane: %s\n", error.what());
        return 1;
    }
}
