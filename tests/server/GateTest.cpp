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
