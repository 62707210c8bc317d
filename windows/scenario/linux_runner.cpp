// korvane_scenario: the scenario on the Linux Korvane.eng (beside this program, or the path given), with
// notifications arriving through libMorlix32.so. Its output is what the Windows test host must print.
#include "host/module/engine_module.h"
#include "platform/morlix32.h"
#include "windows/scenario/scenario.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    try {
        EngineModule module(argc > 1 ? argv[1] : moduleBesideExecutable());
        runScenario(module.entries(), morlixSetNotificationHandler, stdout);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "korvane_scenario: %s\n", error.what());
        return 1;
    }
}
