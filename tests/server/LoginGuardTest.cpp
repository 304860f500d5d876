// Back-off after failed logins.
#include <gtest/gtest.h>

#include "LoginGuard.h"

namespace zl::recnetd {
namespace {

TEST(LoginGuard, LocksAUserAfterTheThresholdAndDoublesTheWait) {
    LoginGuard guard(3, 100, 1000, 5000);
    int64_t now = 100000;
    for (int i = 0; i < 2; ++i) guard.Failure("bob", "10.0.0.1", now);
    EXPECT_EQ(guard.WaitMs("bob", "10.0.0.1", now), 0);
    const struct {
        int64_t expected;
    } waits[] = {{1000}, {2000}, {4000}, {5000}, {5000}};  // up to the maximum
    for (const auto& wait : waits) {
        guard.Failure("bob", "10.0.0.1", now);
        EXPECT_EQ(guard.WaitMs("bob", "10.0.0.1", now), wait.expected);
        // Per user at an address: the same user elsewhere is not locked out.
        EXPECT_EQ(guard.WaitMs("bob", "10.0.0.9", now), 0);
        EXPECT_EQ(guard.WaitMs("carol", "10.0.0.1", now), 0);
    }
    EXPECT_EQ(guard.WaitMs("bob", "10.0.0.1", now + 4000), 1000);
    EXPECT_EQ(guard.WaitMs("bob", "10.0.0.1", now + 5000), 0);
}

TEST(LoginGuard, LocksAnAddressAcrossUserNames) {
    LoginGuard guard(100, 4, 500, 60000);
    const int64_t now = 5000;
    for (int i = 0; i < 4; ++i) guard.Failure("user" + std::to_string(i), "10.0.0.7", now);
    EXPECT_EQ(guard.WaitMs("someone", "10.0.0.7", now), 500);
    EXPECT_EQ(guard.WaitMs("someone", "10.0.0.8", now), 0);
}

TEST(LoginGuard, SuccessClearsAndSweepForgets) {
    LoginGuard guard(1, 5, 1000, 2000);
    guard.Failure("bob", "a", 0);
    EXPECT_GT(guard.WaitMs("bob", "a", 0), 0);
    guard.Success("bob", "a");
    EXPECT_EQ(guard.WaitMs("bob", "a", 0), 0);
    guard.Failure("bob", "a", 0);
    guard.Sweep(3000);
    EXPECT_EQ(guard.KeyCount(), 2u);
    guard.Sweep(4001);
    EXPECT_EQ(guard.KeyCount(), 0u);
}

TEST(LoginGuard, CountsAnAttemptFromItsStart) {
    LoginGuard guard(3, 100, 1000, 60000, 2);
    // A burst: threshold + 2 attempts start before any check ends; the next is refused.
    for (int i = 0; i < 5; ++i) EXPECT_EQ(guard.Begin("bob", "10.0.0.1", 0), 0);
    EXPECT_GT(guard.Begin("bob", "10.0.0.1", 0), 0);
    // The right password from another address is looked at.
    EXPECT_EQ(guard.Begin("bob", "10.0.0.2", 0), 0);
    guard.End("bob", "10.0.0.2", LoginGuard::Outcome::Succeeded, 10);
    EXPECT_EQ(guard.WaitMs("bob", "10.0.0.2", 10), 0);
    // An attempt that found no slot for its check is taken back; failures lock from their end.
    guard.End("bob", "10.0.0.1", LoginGuard::Outcome::NotChecked, 500);
    for (int i = 0; i < 4; ++i) guard.End("bob", "10.0.0.1", LoginGuard::Outcome::Failed, 500);
    EXPECT_EQ(guard.WaitMs("bob", "10.0.0.1", 500), 2000);
    // Past the lock-out one attempt at a time.
    EXPECT_EQ(guard.Begin("bob", "10.0.0.1", 2500), 0);
    EXPECT_GT(guard.Begin("bob", "10.0.0.1", 2500), 0);
    guard.End("bob", "10.0.0.1", LoginGuard::Outcome::Failed, 2600);
    EXPECT_EQ(guard.WaitMs("bob", "10.0.0.1", 2600), 4000);
    EXPECT_EQ(guard.WaitMs("bob", "10.0.0.2", 2600), 0);
}

TEST(LoginGuard, AKnownPasswordDoesNotClearTheAddress) {
    LoginGuard guard(100, 3, 1000, 60000);
    for (int i = 0; i < 2; ++i) guard.Failure("guess" + std::to_string(i), "10.0.0.1", 0);
    ASSERT_EQ(guard.Begin("mallory", "10.0.0.1", 0), 0);
    EXPECT_EQ(guard.KeyCount(), 4u);
    guard.End("mallory", "10.0.0.1", LoginGuard::Outcome::Succeeded, 0);
    guard.Failure("guess2", "10.0.0.1", 0);
    EXPECT_EQ(guard.WaitMs("anyone", "10.0.0.1", 0), 1000);
}

TEST(LoginGuard, MemoryStaysBounded) {
    LoginGuard guard(5, 5, 1000, 2000);
    for (int i = 0; i < 10200; ++i)
        guard.Failure("u" + std::to_string(i), "a" + std::to_string(i), i);
    EXPECT_LE(guard.KeyCount(), 20000u);
}

}  // namespace
}  // namespace zl::recnetd
