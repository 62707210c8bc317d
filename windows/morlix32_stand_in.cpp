#include "morlix32_stand_in.h"

#include <atomic>

namespace {
std::atomic<MorlixNotificationHandler> registeredHandler{nullptr};
std::atomic<void*> registeredContext{nullptr};
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
