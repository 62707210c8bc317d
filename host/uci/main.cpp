// korvane-uci: Korvane for UCI GUIs and match tools. Loads Korvane.eng from beside this program, or
// from the path given with --module, and speaks UCI on standard input and output.
#include "host/module/engine_module.h"
#include "uci.h"

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    std::string modulePath = moduleBesideExecutable();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--module" && i + 1 < argc) {
            modulePath = argv[++i];
        } else {
            std::fprintf(stderr, "usage: korvane-uci [--module PATH]\n");
            return arg == "--help" || arg == "-h" ? 0 : 2;
        }
    }
    return runUci(std::cin, std::cout, modulePath);
}
