// The bench: a fixed set of positions searched to fixed depths by the engine linked into the program,
// with a clock that advances one tick per read. Its node count and behaviour signature change only
// when the engine's behaviour changes, on every platform the engine is built for.
#pragma once

#include <cstdint>

// Searches every bench position (each to its own depth, or to depthOverride when it is above 0) and
// prints a line for each, then the totals and the signature, on standard output.
void runBenchSearches(int16_t depthOverride);
