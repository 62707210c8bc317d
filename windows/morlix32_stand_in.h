// Stand-in for the host library Morlix32.dll, for the Windows tests: the notification entry Func3 hands
// each notification to the handler that the test host registers; without one, notifications are dropped.
// The module's GetTickCount is KERNEL32's own.
#pragma once

#include <cstdint>

#if defined(MORLIX32_BUILDING)
#define MORLIX32_API extern "C" __declspec(dllexport)
#else
#define MORLIX32_API extern "C" __declspec(dllimport)
#endif

using MorlixNotificationHandler = int32_t (*)(void* context, int32_t code, int32_t hostParam1,
                                              int32_t hostParam2, void* record);

// Registers the handler (null removes it) and the context pointer handed back to it on every call.
MORLIX32_API void morlixSetNotificationHandler(MorlixNotificationHandler handler, void* context);

MORLIX32_API int32_t Func3(int32_t code, int32_t hostParam1, int32_t hostParam2, void* record);
