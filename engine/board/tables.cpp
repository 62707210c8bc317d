#include "board/tables.h"

#include "board/bitboards.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

uint8_t RanksAboveMask[64];
uint8_t RanksBelowMask[64];
uint8_t BitCount[256];

void initTables() {
    for (int32_t s = 0; s < 64; ++s) {
        const int32_t rank = s & 7;
        RanksAboveMask[s] = uint8_t((0xFF << (rank + 1)) & 0xFF);
        RanksBelowMask[s] = uint8_t((1 << rank) - 1);
    }
    for (int32_t v = 0; v < 256; ++v) {
        uint8_t count = 0;
        for (int32_t bits = v; bits != 0; bits >>= 1) count = uint8_t(count + (bits & 1));
        BitCount[v] = count;
    }
}

bool processorHasPopCount() {
#if defined(__i386__) || defined(__x86_64__)
    unsigned int a = 0, b = 0, c = 0, d = 0;
    return __get_cpuid(1, &a, &b, &c, &d) != 0 && (c & bit_POPCNT) != 0;
#else
    return false;
#endif
}
