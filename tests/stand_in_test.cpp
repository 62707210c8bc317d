// A host that defines no Func3 or GetTickCount of its own: the module binds to the host library
// stand-in, which hands notifications to the handler the host registers.
#include "host/module/engine_module.h"
#include "interface/host_records.h"
#include "platform/morlix32.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Received {
    int32_t code;
    int32_t hostParam1;
    int32_t hostParam2;
    void* record;
};

int32_t collect(void* context, int32_t code, int32_t hostParam1, int32_t hostParam2, void* record) {
    static_cast<std::vector<Received>*>(context)->push_back({code, hostParam1, hostParam2, record});
    return 0;
}

} // namespace

TEST(HostLibraryStandIn, DeliversNotificationsToTheRegisteredHandler) {
    EngineModule module(KORVANE_MODULE_PATH);
    const EngineEntries& eng = module.entries();
    std::vector<uint8_t> best(HostRecord::BestMove::MinimumLength), current(HostRecord::CurrentMove::MinimumLength),
        depth(HostRecord::Depth::MinimumLength), game(HostRecord::Game::MinimumLength);
    HostRecord::writeU32(best.data(), HostRecord::HostParam1, 111);
    HostRecord::writeU32(best.data(), HostRecord::HostParam2, 222);
    HostRecord::writeU16(game.data(), HostRecord::Game::TimeMode, 2);
    HostRecord::writeU16(game.data(), HostRecord::Game::FixedDepth, 1);

    ASSERT_EQ(eng.eng1(best.data(), current.data(), depth.data(), 0, nullptr), 0);

    // Without a handler the notification is dropped.
    morlixSetNotificationHandler(nullptr, nullptr);
    eng.eng9(game.data());

    std::vector<Received> received;
    morlixSetNotificationHandler(collect, &received);
    eng.eng9(game.data());
    morlixSetNotificationHandler(nullptr, nullptr);
    eng.eng2();

    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.front().code, 341);
    EXPECT_EQ(received.front().hostParam1, 111);
    EXPECT_EQ(received.front().hostParam2, 222);
    EXPECT_EQ(received.front().record, best.data());
}

TEST(HostLibraryStandIn, TickCounterIsMonotonicMilliseconds) {
    const uint32_t first = GetTickCount();
    const uint32_t second = GetTickCount();
    EXPECT_LE(uint32_t(second - first), 1000u);
}
