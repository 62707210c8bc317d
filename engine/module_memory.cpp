// The memory routines the compiler may call from the engine's code (a struct copy, a loop that shifts
// entries), defined inside Korvane.eng so that the module imports nothing from the C library: only
// Func3 and GetTickCount. Both the Linux and the Windows module link this file. In the Linux module they
// are hidden, so the engine's calls bind to them and nothing else sees them.
// This file is compiled without builtins, so these loops stay loops and never call themselves.
#include <cstddef>

extern "C" {

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
}
