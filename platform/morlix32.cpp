#include "morlix32.h"

#include <atomic>
#include <ctime>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {
std::atomic<MorlixNotificationHandler> registeredHandler{nullptr};
std::atomic<void*> registeredContext{nullptr};
std::atomic<MorlixTickCounter> registeredCounter{nullptr};
std::atomic<void*> counterContext{nullptr};

uint32_t realTickCount() {
#if defined(_WIN32)
    return ::GetTickCount();
#else
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t milliseconds = uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u;
    return uint32_t(milliseconds);
#endif
}

uint32_t registeredOrRealTickCount() {
    const MorlixTickCounter counter = registeredCounter.load();
    if (counter != nullptr) return counter(counterContext.load());
    return realTickCount();
}
} // namespace

void morlixSetNotificationHandler(MorlixNotificationHandler handler, void* context) {
    registeredContext.store(context);
    registeredHandler.store(handler);
}

int32_t Func3(int32_t code, int32_t hostParam1, int32_t hostParam2, void* record) {
    const MorlixNotificationHandler handler = registeredHandler.load();
    if (handler == nullptr) return 0;
    return handler(registeredContext.load(), code, hostParam1, hostParam2, record);
}

void morlixSetTickCounter(MorlixTickCounter counter, void* context) {
    counterContext.store(context);
    registeredCounter.store(counter);
}

#if defined(_WIN32)
uint32_t morlixTickCount(void) { return registeredOrRealTickCount(); }
#else
uint32_t GetTickCount(void) { return registeredOrRealTickCount(); }
#endif
