#include "test_host.h"

#include "host/chess/game_record.h"
#include "interface/host_records.h"

#include <algorithm>
#include <cstring>

#include <stdexcept>

namespace {
std::atomic<TestHost*> activeHost{nullptr};
} // namespace

FakeClock TestHost::clock;
std::atomic<uint32_t> TestHost::func3Calls{0};

// The platform functions the module imports. The test executables export them, so they take the place
// of the host library's when the module is loaded.
extern "C" __attribute__((visibility("default"))) int32_t Func3(int32_t code, int32_t hostParam1,
                                                                 int32_t hostParam2, void* record) {
    TestHost::func3Calls.fetch_add(1);
    if (TestHost* host = activeHost.load()) host->receive(code, hostParam1, hostParam2, record);
    return 0;
}

extern "C" __attribute__((visibility("default"))) uint32_t GetTickCount(void) { return TestHost::clock.read(); }

void FakeClock::reset(uint32_t start) {
    now = start;
    stepPerRead = 0;
    reads = 0;
    stepOnNotification.clear();
}

uint32_t FakeClock::read() {
    reads.fetch_add(1);
    return now.fetch_add(stepPerRead.load());
}

RecordBuffer::RecordBuffer(size_t length, size_t misalignment)
    : storage_(length + misalignment, 0), offset_(misalignment) {}

std::string TestHost::defaultModulePath() { return KORVANE_MODULE_PATH; }

TestHost::TestHost(const std::string& modulePath, size_t misalignment)
    : module_(modulePath),
      best_(HostRecord::BestMove::MinimumLength, misalignment),
      current_(HostRecord::CurrentMove::MinimumLength, misalignment),
      depth_(HostRecord::Depth::MinimumLength, misalignment),
      status_(HostRecord::Status::MinimumLength, misalignment),
      game_(HostRecord::Game::MinimumLength, misalignment) {
    TestHost* expected = nullptr;
    if (!activeHost.compare_exchange_strong(expected, this))
        throw std::logic_error("only one TestHost may be active at a time");
}

TestHost::~TestHost() {
    if (eng().eng5() == 1) eng().eng2();
    activeHost.store(nullptr);
}

int32_t TestHost::initialise(bool withStatus) {
    return eng().eng1(best(), current(), depth(), 0, withStatus ? status() : nullptr);
}

int32_t TestHost::think() { return eng().eng9(game()); }

void TestHost::setGame(const std::string& fen, const std::vector<std::string>& moves) {
    using namespace HostRecord;
    const chess::GameRecord record(chess::playGame(fen, moves));
    // Only the position fields: the clock fields stay as the test set them.
    std::memcpy(game() + Game::StartBoard, record.bytes().data() + Game::StartBoard,
                Game::GameMoveCount + 2 - Game::StartBoard);
}

void TestHost::setFixedDepth(int16_t depth) {
    HostRecord::writeU16(game(), HostRecord::Game::TimeMode, 2);
    HostRecord::writeU16(game(), HostRecord::Game::FixedDepth, uint16_t(depth));
}

void TestHost::setClock(int32_t remainingSeconds, int32_t incrementSeconds, int16_t movesToGo) {
    using namespace HostRecord;
    writeU16(game(), Game::TimeMode, 1);
    writeU32(game(), Game::RemainingSeconds, uint32_t(remainingSeconds));
    writeU32(game(), Game::IncrementSeconds, uint32_t(incrementSeconds));
    writeU16(game(), Game::MovesToGo, uint16_t(movesToGo));
}

void TestHost::setUnlimited() { HostRecord::writeU16(game(), HostRecord::Game::TimeMode, 0); }

std::vector<Notification> TestHost::received(int32_t code) const {
    std::vector<Notification> found;
    std::copy_if(notifications.begin(), notifications.end(), std::back_inserter(found),
                 [code](const Notification& n) { return n.code == code; });
    return found;
}

void TestHost::receive(int32_t code, int32_t hostParam1, int32_t hostParam2, void* record) {
    Notification n = decodeNotification(code, hostParam1, hostParam2, static_cast<const uint8_t*>(record));
    n.tick = clock.now.load();
    notifications.push_back(n);
    const auto step = clock.stepOnNotification.find(code);
    if (step != clock.stepOnNotification.end()) clock.now.fetch_add(step->second);
    if (onNotification) onNotification(n);
}

std::vector<std::string> TestHost::transcript() const {
    std::vector<std::string> lines;
    for (const Notification& n : notifications) lines.push_back(formatNotification(n));
    return lines;
}
