#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>
#include <vector>

#include "threadkit/ZThread.h"

namespace zl {

using namespace zl;

namespace {

constexpr uint32_t kStop = 0xFFFFFFFFu;

// Answers each request with request * 2 + 1; kStop ends Run.
class Doubler : public ZThread {
  public:
    ~Doubler() override {
        if (ThreadExists()) CallWorker(kStop);
        Close();
    }
    unsigned Run() override {
        runs++;
        for (;;) {
            uint32_t r = GetRequest();
            if (r == kStop) {
                Reply(0);
                return 7;
            }
            std::this_thread::yield();  // let other callers pile up on the access lock
            Reply(r * 2 + 1);
        }
    }
    std::atomic<int> runs{0};
};

// Ends Run at once without answering anything.
class Quitter : public ZThread {
  public:
    ~Quitter() override { Close(); }
    unsigned Run() override { return 3; }
};

// Polls with CheckRequest.
class Poller : public ZThread {
  public:
    ~Poller() override {
        if (ThreadExists()) CallWorker(kStop);
        Close();
    }
    unsigned Run() override {
        for (;;) {
            uint32_t r = 0;
            if (!CheckRequest(&r)) {
                std::this_thread::yield();
                continue;
            }
            Reply(r + 100);
            if (r == kStop) return 0;
        }
    }
};

}  // namespace

TEST(ZThread, CallWorkerWithoutThreadFails) {
    Doubler t;
    EXPECT_EQ(t.ThreadExists(), 0);
    EXPECT_EQ(t.CallWorker(5), kE_FAIL);
}

TEST(ZThread, CreateTwiceMakesOneThread) {
    Doubler t;
    EXPECT_EQ(t.Create(), 1);
    EXPECT_EQ(t.Create(), 0);
    EXPECT_EQ(t.CallWorker(20), 41u);
    EXPECT_EQ(t.runs.load(), 1);
}

TEST(ZThread, CloseWithoutThreadAndCloseTwice) {
    Doubler t;
    t.Close();  // nothing to do
    ASSERT_EQ(t.Create(), 1);
    EXPECT_EQ(t.CallWorker(kStop), 0u);
    t.Close();
    EXPECT_EQ(t.ThreadExists(), 0);
    EXPECT_EQ(t.ExitCode(), 7u);
    t.Close();
    EXPECT_EQ(t.CallWorker(1), kE_FAIL);
    EXPECT_EQ(t.Create(), 1);  // a closed object can start again
    EXPECT_EQ(t.CallWorker(1), 3u);
}

TEST(ZThread, CloseFromSeveralThreadsWaitsOnce) {
    struct Sleeper : ZThread {
        ~Sleeper() override { Close(); }
        unsigned Run() override {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            return 1;
        }
    } t;
    ASSERT_EQ(t.Create(), 1);
    std::vector<std::thread> closers;
    for (int i = 0; i < 4; ++i) closers.emplace_back([&] { t.Close(); });
    for (auto& c : closers) c.join();
    EXPECT_EQ(t.ThreadExists(), 0);
    EXPECT_EQ(t.ExitCode(), 1u);
}

TEST(ZThread, EachCallerGetsItsOwnReplyUnderContention) {
    Doubler t;
    ASSERT_EQ(t.Create(), 1);
    EXPECT_EQ(t.CallWorker(1), 3u);
    EXPECT_EQ(t.CallWorker(2), 5u);  // never the first reply again
    constexpr int kThreads = 6, kCalls = 300;
    std::atomic<int> wrong{0};
    std::vector<std::thread> callers;
    for (int c = 0; c < kThreads; ++c) {
        callers.emplace_back([&, c] {
            for (uint32_t i = 0; i < kCalls; ++i) {
                uint32_t request = static_cast<uint32_t>(c) * 100000u + i;
                if (t.CallWorker(request) != request * 2 + 1) wrong++;
            }
        });
    }
    for (auto& c : callers) c.join();
    EXPECT_EQ(wrong.load(), 0);
}

TEST(ZThread, PollingWorker) {
    Poller t;
    ASSERT_EQ(t.Create(), 1);
    EXPECT_EQ(t.CallWorker(1), 101u);
    EXPECT_EQ(t.GetRequestParam(), 1u);
    EXPECT_EQ(t.GetRequestHandle()->Check(), 0);  // Reply cleared the request
}

TEST(ZThread, CallToAnEndedWorkerFailsInsteadOfHanging) {
    Quitter t;
    ASSERT_EQ(t.Create(), 1);
    EXPECT_EQ(t.CallWorker(9), kE_FAIL);
    EXPECT_EQ(t.CallWorker(9), kE_FAIL);
    t.Close();
    EXPECT_EQ(t.ExitCode(), 3u);
}

}  // namespace zl
