// The fixed scenario that the Windows test host and its Linux counterpart both run on Korvane.eng: the
// lifecycle entries, the queries, Eng9 on a few positions at fixed depths, and one search that the host
// stops with Eng3. Each step and each notification becomes one line, so the two outputs can be compared
// line for line.
#pragma once

#include "host/module/engine_module.h"

#include <cstdint>
#include <cstdio>

// The host library stand-in's handler type and its registration routine, the same on both systems.
using ScenarioSink = int32_t (*)(void* context, int32_t code, int32_t hostParam1, int32_t hostParam2,
                                 void* record);
using RegisterSink = void (*)(ScenarioSink sink, void* context);

// Runs the scenario on the bound entries and prints its lines to out. A think call slow enough for the
// engine's 500 ms rules to change what it reports is named on stderr, since the two outputs may then differ.
void runScenario(const EngineEntries& eng, RegisterSink registerSink, std::FILE* out);

// Searches a few positions to fixed depths and prints each one's time and the total: a speed run, not a
// test. The entries must not be initialised yet.
void runTimingRun(const EngineEntries& eng, RegisterSink registerSink, std::FILE* out);
