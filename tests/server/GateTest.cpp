// Slots and the bounded queue in front of them.
#include <gtest/gtest.h>

#include <thread>

#include "Gate.h"

namespace zl::recnetd {
namespace {

TEST(Gate, AdmitsUpToTheSlotsThenQueuesOrTurnsAway) {
    Gate gate(2, 1);
    EXPECT_EQ(gate.Enter(0), Gate::Result::Entered);
    EXPECT_EQ(gate.Enter(0), Gate::Result::Entered);
    EXPECT_EQ(gate.Running(), 2);
    EXPECT_EQ(gate.Enter(0), Gate::Result::Full);  // no waiting allowed
    EXPECT_EQ(gate.Enter(20), Gate::Result::TimedOut);

    // One waits; a second caller finds the queue full and is turned away at once.
    Gate::Result waited = Gate::Result::Full;
    std::thread waiter([&] { waited = gate.Enter(10000); });
    while (gate.Waiting() == 0) std::this_thread::yield();
    EXPECT_EQ(gate.Enter(10000), Gate::Result::Full);
    gate.Leave();
    waiter.join();
    EXPECT_EQ(waited, Gate::Result::Entered);
    EXPECT_EQ(gate.Running(), 2);
    gate.Leave();
    gate.Leave();
    EXPECT_EQ(gate.Running(), 0);
}

TEST(Gate, PassLeavesOnlyWhenItEntered) {
    Gate gate(1, 0);
    {
        Gate::Pass first(gate, 0);
        EXPECT_EQ(first.result(), Gate::Result::Entered);
        Gate::Pass second(gate, 0);
        EXPECT_EQ(second.result(), Gate::Result::Full);
    }
    EXPECT_EQ(gate.Running(), 0);
}

}  // namespace
}  // namespace zl::recnetd

namespace zl::recnetd {
namespace {

TEST(Gate, OneKeyKeepsToItsShareWhileOthersWait) {
    Gate gate(4, 8, Gate::PerKey{3, 2});
    for (int i = 0; i < 3; ++i) EXPECT_EQ(gate.Enter(0, "hog"), Gate::Result::Entered);
    EXPECT_EQ(gate.Enter(0, "hog"), Gate::Result::Full);  // its most running
    EXPECT_EQ(gate.Enter(0, "other"), Gate::Result::Entered);
    // The hog keeps at most two waiting; a third is turned away at once.
    Gate::Result hogWaited[2] = {Gate::Result::Full, Gate::Result::Full};
    std::thread hogWaiters[2];
    for (int i = 0; i < 2; ++i)
        hogWaiters[i] = std::thread([&, i] { hogWaited[i] = gate.Enter(3000, "hog"); });
    while (gate.Waiting() < 2) std::this_thread::yield();
    EXPECT_EQ(gate.Enter(10000, "hog"), Gate::Result::KeyFull);
    // Another key waits too; when the hog frees a slot, the other key takes it: the hog holds
    // more than its share (4 slots / 2 keys) while others wait.
    Gate::Result otherWaited = Gate::Result::Full;
    std::thread otherWaiter([&] { otherWaited = gate.Enter(10000, "other"); });
    while (gate.Waiting() < 3) std::this_thread::yield();
    gate.Leave("hog");
    otherWaiter.join();
    EXPECT_EQ(otherWaited, Gate::Result::Entered);
    EXPECT_EQ(gate.RunningOf("other"), 2);
    for (std::thread& t : hogWaiters) t.join();
    for (Gate::Result r : hogWaited) EXPECT_EQ(r, Gate::Result::TimedOut);
    // Closing sends everyone away.
    gate.Close();
    EXPECT_EQ(gate.Enter(1000, "late"), Gate::Result::Closed);
}

}  // namespace
}  // namespace zl::recnetd
