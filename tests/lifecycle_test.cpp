// The entry points' lifecycle and the answers of the query entries, through the built module.
#include "host/test_host/test_host.h"
#include "interface/host_records.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class Lifecycle : public ::testing::Test {
protected:
    void SetUp() override {
        TestHost::clock.reset(1000);
        // A depth-1 search keeps every think call short.
        HostRecord::writeU16(host.game(), HostRecord::Game::TimeMode, 2);
        HostRecord::writeU16(host.game(), HostRecord::Game::FixedDepth, 1);
    }
    TestHost host;
};

} // namespace

TEST_F(Lifecycle, InitialisedFlagFollowsEng1AndEng2) {
    EXPECT_EQ(host.eng().eng5(), 0);
    EXPECT_EQ(host.eng().eng2(), 0); // releasing an engine that is not initialised does nothing
    EXPECT_EQ(host.initialise(), 0);
    EXPECT_EQ(host.eng().eng5(), 1);
    EXPECT_EQ(host.initialise(), 1); // already initialised
    EXPECT_EQ(host.eng().eng5(), 1);
    EXPECT_EQ(host.eng().eng2(), 0);
    EXPECT_EQ(host.eng().eng5(), 0);
    EXPECT_EQ(host.initialise(), 0); // starts afresh after Eng2
    EXPECT_EQ(host.eng().eng5(), 1);
}

TEST_F(Lifecycle, SecondEng1KeepsTheFirstRecords) {
    ASSERT_EQ(host.initialise(), 0);
    std::vector<uint8_t> otherBest(HostRecord::BestMove::MinimumLength), otherCurrent(64), otherDepth(64);
    EXPECT_EQ(host.eng().eng1(otherBest.data(), otherCurrent.data(), otherDepth.data(), 0, nullptr), 1);
    host.think();
    ASSERT_FALSE(host.notifications.empty());
    EXPECT_EQ(host.notifications.front().record, host.best());
}

TEST_F(Lifecycle, Eng1ClearsTheStatusWordsOnly) {
    std::memset(host.status(), 0xAB, HostRecord::Status::MinimumLength);
    ASSERT_EQ(host.initialise(true), 0);
    EXPECT_EQ(HostRecord::readU32(host.status(), HostRecord::Status::StatusWord1), 0u);
    EXPECT_EQ(HostRecord::readU32(host.status(), HostRecord::Status::StatusWord2), 0u);
    for (int32_t i = 0; i < 20; ++i) EXPECT_EQ(host.status()[i], 0xAB) << "byte " << i;
}

TEST_F(Lifecycle, Eng1AcceptsANullStatusRecord) {
    std::memset(host.status(), 0xAB, HostRecord::Status::MinimumLength);
    EXPECT_EQ(host.initialise(false), 0);
    EXPECT_EQ(host.status()[20], 0xAB);
}

TEST_F(Lifecycle, QueryEntriesAnswerTheSameOnEveryCall) {
    const EngineEntries& eng = host.eng();
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(eng.eng12(), 8208);
        EXPECT_EQ(eng.eng8(), 0);
        EXPECT_EQ(eng.eng13(), 0);
        eng.eng10();
        eng.eng11();
        eng.eng14();
        EXPECT_STREQ(eng.eng6(), "Edrin Vaskolt");
        EXPECT_STREQ(eng.eng7(), "Korvane");
        EXPECT_STREQ(eng.eng18(), "GER");
        if (round == 0) host.initialise();
    }
    EXPECT_EQ(eng.eng6(), eng.eng6());
    EXPECT_EQ(eng.eng7(), eng.eng7());
    EXPECT_EQ(eng.eng18(), eng.eng18());
}

TEST_F(Lifecycle, ThinkWithoutInitialisationDoesNothing) {
    EXPECT_EQ(host.think(), 0); // before Eng1
    ASSERT_EQ(host.initialise(), 0);
    ASSERT_EQ(host.eng().eng2(), 0);
    EXPECT_EQ(host.think(), 0); // after Eng2
    EXPECT_TRUE(host.notifications.empty());
    EXPECT_EQ(TestHost::clock.reads.load(), 0u);
}

TEST_F(Lifecycle, ThinkWithANullRecordBoundDoesNothing) {
    ASSERT_EQ(host.eng().eng1(host.best(), nullptr, host.depth(), 0, nullptr), 0);
    EXPECT_EQ(host.think(), 0);
    ASSERT_EQ(host.eng().eng2(), 0);
    ASSERT_EQ(host.eng().eng1(nullptr, host.current(), host.depth(), 0, nullptr), 0);
    EXPECT_EQ(host.think(), 0);
    EXPECT_TRUE(host.notifications.empty());
}

TEST_F(Lifecycle, ThinkStartsWithTheStartNotificationThroughTheHostsOwnFunc3) {
    HostRecord::writeU32(host.best(), HostRecord::HostParam1, 0x11223344);
    HostRecord::writeU32(host.best(), HostRecord::HostParam2, 0x55667788);
    ASSERT_EQ(host.initialise(), 0);
    int32_t runningDuringStart = -1;
    host.onNotification = [&](const Notification& n) {
        if (n.code == 341) runningDuringStart = host.eng().eng4();
    };
    const uint32_t callsBefore = TestHost::func3Calls.load();
    host.think();
    ASSERT_FALSE(host.notifications.empty());
    const Notification& start = host.notifications.front();
    EXPECT_EQ(start.code, 341);
    EXPECT_EQ(start.hostParam1, 0x11223344);
    EXPECT_EQ(start.hostParam2, 0x55667788);
    EXPECT_EQ(start.record, host.best());
    EXPECT_EQ(runningDuringStart, 0); // the running flag is raised only after the start notification
    EXPECT_EQ(host.eng().eng4(), 0);
    EXPECT_GT(TestHost::func3Calls.load(), callsBefore);
    EXPECT_GE(TestHost::clock.reads.load(), 1u); // the module reads the test's own clock
}

TEST(LifecycleMisaligned, RecordsAtOddAddressesWork) {
    TestHost::clock.reset(1000);
    TestHost host(TestHost::defaultModulePath(), 3);
    HostRecord::writeU32(host.best(), HostRecord::HostParam1, 7);
    HostRecord::writeU16(host.game(), HostRecord::Game::TimeMode, 2);
    HostRecord::writeU16(host.game(), HostRecord::Game::FixedDepth, 1);
    std::memset(host.status(), 0xAB, HostRecord::Status::MinimumLength);
    ASSERT_EQ(host.initialise(), 0);
    EXPECT_EQ(HostRecord::readU32(host.status(), HostRecord::Status::StatusWord2), 0u);
    host.think();
    ASSERT_FALSE(host.notifications.empty());
    EXPECT_EQ(host.notifications.front().hostParam1, 7);
}
