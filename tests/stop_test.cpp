// A stop asked for from another thread while the engine thinks. Also run under ThreadSanitizer.
#include "host/chess/game_record.h"
#include "host/test_host/test_host.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

TEST(Stop, StopFromAnotherThreadEndsTheSearchAtItsNextPoll) {
    TestHost::clock.reset(1000);
    TestHost host;
    ASSERT_EQ(host.initialise(), 0);
    host.setGame(std::string(chess::InitialFen));
    host.setUnlimited();
    std::atomic<int> phase{0}; // 1: depth 4 started; 2: the other thread has asked for the stop
    std::atomic<int32_t> runningSeen{-1};
    host.onNotification = [&](const Notification& n) {
        if (n.code == 344 && n.depth == 4) {
            phase = 1;
            while (phase.load() != 2) std::this_thread::yield();
        }
    };
    std::thread thinker([&] { host.think(); });
    while (phase.load() != 1) std::this_thread::yield();
    runningSeen = host.eng().eng4();
    host.eng().eng3();
    phase = 2;
    thinker.join();
    EXPECT_EQ(runningSeen.load(), 1);
    EXPECT_EQ(host.eng().eng4(), 0);
    EXPECT_EQ(host.received(344).size(), 4u);
    EXPECT_EQ(host.notifications.back().code, 344); // nothing after the stop
}


TEST(Stop, StopWhileTheSearchRunsFreely) {
    TestHost::clock.reset(1000);
    TestHost host;
    ASSERT_EQ(host.initialise(), 0);
    host.setGame(std::string(chess::InitialFen));
    host.setUnlimited();
    std::thread thinker([&] { host.think(); });
    while (host.eng().eng4() == 0) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(host.eng().eng4(), 1);
    host.eng().eng3();
    thinker.join(); // an unlimited search returns only because of the stop
    EXPECT_EQ(host.eng().eng4(), 0);
    EXPECT_LT(host.received(344).size(), 63u);
}
