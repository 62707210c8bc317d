// korvane bench [--depth N]: the bench searches, with an optional depth for every position.
#include "commands.h"
#include "options.h"

#include "host/bench/bench.h"

int runBench(const std::vector<std::string>& args) {
    int16_t depthOverride = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--depth") depthOverride = int16_t(optionNumber(args, i, 1, 63));
        else throw UsageError("bench: unknown argument '" + args[i] + "'");
    }
    runBenchSearches(depthOverride);
    return 0;
}
