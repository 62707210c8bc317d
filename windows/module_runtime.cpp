// What Korvane.eng needs in place of a C runtime: its load entry and the constructors of its static
// objects; the memory routines the compiler may call come from engine/module_memory.cpp, as in the
// Linux module. Linking no runtime at all keeps the module's imports to Func3 and GetTickCount and
// leaves nothing for the user to copy beside it.
#include <cstddef>
#include <cstdint>

extern "C" {

// Laid out by the linker: a count or -1, the constructors' addresses, then a null entry.
using StaticConstructor = void (*)();
extern StaticConstructor __CTOR_LIST__[];

// The module's load entry. Loading does no engine work: it runs the static constructors, if the engine
// has any, when the module is attached to the process, and reports success for every reason.
int __stdcall KorvaneModuleEntry(void* /*instance*/, uint32_t reason, void* /*reserved*/) {
    constexpr uint32_t ProcessAttach = 1;
    if (reason == ProcessAttach) {
        size_t count = reinterpret_cast<size_t>(__CTOR_LIST__[0]);
        if (count == size_t(-1)) {
            count = 0;
            while (__CTOR_LIST__[count + 1] != nullptr) ++count;
        }
        // Constructors run in the reverse of their order in the list, as the tool chain's own start-up does.
        for (size_t i = count; i >= 1; --i) __CTOR_LIST__[i]();
    }
    return 1;
}
}
