// Stand-in for the host library: the notification entry Func3 and the tick counter.
// A host registers the handler that receives each notification; without one, notifications are dropped.
#pragma once

#include <cstdint>

extern "C" {

using MorlixNotificationHandler = int32_t (*)(void* context, int32_t code, int32_t hostParam1,
                                              int32_t hostParam2, void* record);

// Registers the handler (null removes it) and the context pointer handed back to it on every call.
__attribute__((visibility("default"))) void morlixSetNotificationHandler(MorlixNotificationHandler handler,
                                                                         void* context);

__attribute__((visibility("default"))) int32_t Func3(int32_t code, int32_t hostParam1, int32_t hostParam2,
                                                     void* record);

// Replaces the tick counter with the program's own (null restores the real clock); the bench uses it
// for a clock that advances by one tick per read, so that its searches do not depend on the machine.
using MorlixTickCounter = uint32_t (*)(void* context);
__attribute__((visibility("default"))) void morlixSetTickCounter(MorlixTickCounter counter, void* context);

#if defined(_WIN32)
// The tick counter: the registered one, or KERNEL32's GetTickCount. Korvane.eng itself always imports
// KERNEL32's; a program that links the engine in-process binds the engine's GetTickCount to this.
uint32_t morlixTickCount(void);
#else
// Monotonic milliseconds cut to 32 bits, or the registered counter's value. The Linux Korvane.eng
// imports it from here.
__attribute__((visibility("default"))) uint32_t GetTickCount(void);
#endif
}
