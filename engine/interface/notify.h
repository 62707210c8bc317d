// Notifications to the host through Func3.
#pragma once

#include <cstdint>

constexpr int32_t NOTIFY_BEST_MOVE = 340;
constexpr int32_t NOTIFY_START = 341;
constexpr int32_t NOTIFY_CURRENT_MOVE = 342;
constexpr int32_t NOTIFY_DEPTH = 344;

// Sends one notification with the record's two header words, read just before the call.
void notifyHost(int32_t code, uint8_t* record);
