// korvane-bench.exe [--depth N]: the bench of `korvane bench`, with the engine linked into this program
// and its clock replaced through Morlix32.dll, so that it prints the Linux bench's nodes and signature.
#include "host/bench/bench.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    int16_t depthOverride = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--depth" && i + 1 < argc) {
            char* end = nullptr;
            const long depth = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || depth < 1 || depth > 63) {
                std::fprintf(stderr, "korvane-bench: --depth takes a number from 1 to 63, not '%s'\n", argv[i]);
                return 2;
            }
            depthOverride = int16_t(depth);
        } else {
            std::fprintf(stderr, "usage: korvane-bench [--depth N]\n");
            return 2;
        }
    }
    runBenchSearches(depthOverride);
    std::fflush(stdout);
    return 0;
}
