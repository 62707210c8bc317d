// The two functions the engine imports from its platform: the host library's notification entry and
// the millisecond tick counter. The module leaves both undefined; the loader binds them.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define PLATFORM_IMPORT extern "C"
#define PLATFORM_SYSTEM_CALL __stdcall // KERNEL32's functions use the stdcall convention
#else
#define PLATFORM_IMPORT extern "C" __attribute__((visibility("default")))
#define PLATFORM_SYSTEM_CALL
#endif

PLATFORM_IMPORT int32_t Func3(int32_t code, int32_t hostParam1, int32_t hostParam2, void* record);
PLATFORM_IMPORT uint32_t PLATFORM_SYSTEM_CALL GetTickCount(void);
