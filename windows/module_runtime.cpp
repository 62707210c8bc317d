// What Korvane.eng needs in place of a C runtime: its load entry, the constructors of its static objects
// and the memory routines the compiler may call. Linking no runtime at all keeps the module's imports to
// Func3 and GetTickCount and leaves nothing for the user to copy beside it.
#include <cstddef>
#include <cstdint>

extern "C" {

// Laid out by the linker: a count or -1, the constructors' addresses, then a null entry.
using StaticConstructor = void (*)();
extern StaticConstructor __CTOR_LIST__[];

// This file is compiled without builtins, so these loops stay loops and never call themselves.
void* memset(void* destination, int value, size_t count) {
    unsigned char* d = static_cast<unsigned char*>(destination);
    for (size_t i = 0; i < count; ++i) d[i] = static_cast<unsigned char>(value);
    return destination;
}

void* memcpy(void* destination, const void* source, size_t count) {
    unsigned char* d = static_cast<unsigned char*>(destination);
    const unsigned char* s = static_cast<const unsigned char*>(source);
    for (size_t i = 0; i < count; ++i) d[i] = s[i];
    return destination;
}

void* memmove(void* destination, const void* source, size_t count) {
    unsigned char* d = static_cast<unsigned char*>(destination);
    const unsigned char* s = static_cast<const unsigned char*>(source);
    if (d < s) {
        for (size_t i = 0; i < count; ++i) d[i] = s[i];
    } else {
        for (size_t i = count; i > 0; --i) d[i - 1] = s[i - 1];
    }
    return destination;
}

int memcmp(const void* left, const void* right, size_t count) {
    const unsigned char* l = static_cast<const unsigned char*>(left);
    const unsigned char* r = static_cast<const unsigned char*>(right);
    for (size_t i = 0; i < count; ++i) {
        if (l[i] != r[i]) return l[i] < r[i] ? -1 : 1;
    }
    return 0;
}

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
