// korvane_test_host.exe: drives Korvane.eng as the host application does. It loads the module (beside
// this program, or the path given) with LoadLibrary, binds the fifteen entries with GetProcAddress,
// receives notifications through the host library stand-in and runs the shared scenario, or with
// --time a fixed-depth speed run.
#include "platform/morlix32.h"
#include "windows/scenario/scenario.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

namespace {

template <typename Function>
bool bind(HMODULE module, const char* name, Function& slot) {
    const FARPROC address = GetProcAddress(module, name);
    if (address == nullptr) {
        std::fprintf(stderr, "korvane_test_host: entry point %s not found\n", name);
        return false;
    }
    slot = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
    return true;
}

bool bindAll(HMODULE module, EngineEntries& eng) {
    return bind(module, "Eng1", eng.eng1) && bind(module, "Eng2", eng.eng2) && bind(module, "Eng3", eng.eng3) &&
           bind(module, "Eng4", eng.eng4) && bind(module, "Eng5", eng.eng5) && bind(module, "Eng6", eng.eng6) &&
           bind(module, "Eng7", eng.eng7) && bind(module, "Eng8", eng.eng8) && bind(module, "Eng9", eng.eng9) &&
           bind(module, "Eng10", eng.eng10) && bind(module, "Eng11", eng.eng11) &&
           bind(module, "Eng12", eng.eng12) && bind(module, "Eng13", eng.eng13) &&
           bind(module, "Eng14", eng.eng14) && bind(module, "Eng18", eng.eng18);
}

} // namespace

// The Windows form of the host side's lookup.
std::string moduleBesideExecutable() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length == MAX_PATH) return "Korvane.eng";
    std::string exe(path, length);
    const size_t slash = exe.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : exe.substr(0, slash + 1)) + "Korvane.eng";
}

int main(int argc, char** argv) {
    // Plain line ends, so the output compares byte for byte with the Linux host's.
    _setmode(_fileno(stdout), _O_BINARY);
    // --time [module]: the speed run instead of the scenario.
    const bool timing = argc > 1 && std::string(argv[1]) == "--time";
    const int pathArgument = timing ? 2 : 1;
    const std::string path = argc > pathArgument ? argv[pathArgument] : moduleBesideExecutable();
    const HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) {
        std::fprintf(stderr, "korvane_test_host: cannot load %s: error %lu\n", path.c_str(),
                     static_cast<unsigned long>(GetLastError()));
        return 1;
    }
    EngineEntries eng;
    if (!bindAll(module, eng)) {
        FreeLibrary(module);
        return 1;
    }
    if (timing) runTimingRun(eng, morlixSetNotificationHandler, stdout);
    else runScenario(eng, morlixSetNotificationHandler, stdout);
    std::fflush(stdout);
    FreeLibrary(module);
    return 0;
}
