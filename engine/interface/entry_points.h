// The module's exported entry points, called by the host with the cdecl convention.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define ENGINE_ENTRY extern "C"
#else
#define ENGINE_ENTRY extern "C" __attribute__((visibility("default")))
#endif

ENGINE_ENTRY int32_t Eng1(void* best, void* current, void* depth, int32_t unused, void* status);
ENGINE_ENTRY int32_t Eng2();
ENGINE_ENTRY void Eng3();
ENGINE_ENTRY int32_t Eng4();
ENGINE_ENTRY int32_t Eng5();
ENGINE_ENTRY const char* Eng6();
ENGINE_ENTRY const char* Eng7();
ENGINE_ENTRY int32_t Eng8();
ENGINE_ENTRY int32_t Eng9(void* game);
ENGINE_ENTRY void Eng10();
ENGINE_ENTRY void Eng11();
ENGINE_ENTRY int32_t Eng12();
ENGINE_ENTRY int32_t Eng13();
ENGINE_ENTRY void Eng14();
ENGINE_ENTRY const char* Eng18();
