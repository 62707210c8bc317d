// The interface's process-wide state: the three flags shared with other threads, the host's records
// and the tick count taken when a think call began.
#pragma once

#include <atomic>
#include <cstdint>

struct EngineStateFields {
    // Shared with other threads; touched only by single relaxed loads and stores.
    std::atomic<int32_t> initialised;
    std::atomic<int32_t> searchRunning;
    std::atomic<int32_t> stopRequested;
    // Owned by the host, bound by Eng1 and released by Eng2.
    uint8_t* bestMoveRecord;
    uint8_t* currentMoveRecord;
    uint8_t* depthRecord;
    uint32_t thinkStart;
};

extern EngineStateFields EngineState;

inline int32_t loadFlag(const std::atomic<int32_t>& flag) { return flag.load(std::memory_order_relaxed); }
inline void storeFlag(std::atomic<int32_t>& flag, int32_t value) { flag.store(value, std::memory_order_relaxed); }
