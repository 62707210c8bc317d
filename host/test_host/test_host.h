// A host for tests: drives the built Korvane.eng as a host application does, owns the five records,
// supplies its own Func3 and GetTickCount (the test executable exports them, so the module binds to
// them in place of the host library's) and records every notification with its record fields.
#pragma once

#include "host/module/engine_module.h"
#include "host/module/notification.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

// The clock the module reads through GetTickCount. A test sets it, or lets it advance by a fixed step on
// every read or on every notification of a given code.
struct FakeClock {
    std::atomic<uint32_t> now{1000};
    std::atomic<uint32_t> stepPerRead{0};
    std::atomic<uint32_t> reads{0};
    std::map<int32_t, uint32_t> stepOnNotification; // code -> milliseconds added when it arrives

    void reset(uint32_t start);
    uint32_t read();
};

// A record owned by the host: a zero-filled byte buffer whose start may be placed off alignment.
class RecordBuffer {
public:
    RecordBuffer(size_t length, size_t misalignment);
    uint8_t* data() { return storage_.data() + offset_; }
    const uint8_t* data() const { return storage_.data() + offset_; }
    size_t size() const { return storage_.size() - offset_; }

private:
    std::vector<uint8_t> storage_;
    size_t offset_;
};

class TestHost {
public:
    // Loads the module (the built Korvane.eng by default). misalignment shifts every record off an
    // aligned address by that many bytes.
    explicit TestHost(const std::string& modulePath = defaultModulePath(), size_t misalignment = 0);
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    static std::string defaultModulePath();

    const EngineEntries& eng() const { return module_.entries(); }

    // Eng1 with this host's records; withStatus false passes a null status record.
    int32_t initialise(bool withStatus = true);
    // Eng9 on this host's game record.
    int32_t think();

    // The game record, built as a real host builds it: from a FEN and moves in UCI notation, each
    // move's flags derived from the position. The clock fields keep their values.
    void setGame(const std::string& fen, const std::vector<std::string>& moves = {});
    void setFixedDepth(int16_t depth);                                       // timeMode 2
    void setClock(int32_t remainingSeconds, int32_t incrementSeconds, int16_t movesToGo); // timeMode 1
    void setUnlimited();                                                     // timeMode 0

    uint8_t* best() { return best_.data(); }
    uint8_t* current() { return current_.data(); }
    uint8_t* depth() { return depth_.data(); }
    uint8_t* status() { return status_.data(); }
    uint8_t* game() { return game_.data(); }

    std::vector<Notification> notifications;
    // Notifications of one code, in order.
    std::vector<Notification> received(int32_t code) const;
    // Called during Func3, on the engine's thread, after the notification has been recorded.
    std::function<void(const Notification&)> onNotification;
    // Each notification's text form, one line each.
    std::vector<std::string> transcript() const;

    static FakeClock clock;
    static std::atomic<uint32_t> func3Calls;

    // Called by the exported Func3.
    void receive(int32_t code, int32_t hostParam1, int32_t hostParam2, void* record);

private:
    EngineModule module_;
    RecordBuffer best_;
    RecordBuffer current_;
    RecordBuffer depth_;
    RecordBuffer status_;
    RecordBuffer game_;
};
