#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "threadkit/ZCritSec.h"
#include "threadkit/ZEvent.h"
#include "threadkit/ZUnknown.h"

namespace zl {

using namespace zl;
using namespace std::chrono_literals;

TEST(ZEvent, ManualAndAutoReset) {
    ZEvent manual;  // default: manual reset
    EXPECT_EQ(manual.Check(), 0);
    manual.Set();
    EXPECT_EQ(manual.Wait(0), 1);
    EXPECT_EQ(manual.Wait(10), 1);  // stays signalled
    manual.Reset();
    EXPECT_EQ(manual.Wait(10), 0);

    ZEvent autoReset(false);
    autoReset.Set();
    EXPECT_EQ(autoReset.Check(), 1);
    EXPECT_EQ(autoReset.Check(), 0);  // the wait took the signal

    std::thread setter([&] {
        std::this_thread::sleep_for(20ms);
        autoReset.Set();
    });
    EXPECT_EQ(autoReset.Wait(kInfinite), 1);
    setter.join();
}

TEST(ZCritSec, HeldFlagReentryAndExclusion) {
    ZCritSec cs;
    EXPECT_EQ(cs.IsHeld(), 0);
    {
        ZAutoLock lock(cs);
        EXPECT_EQ(cs.IsHeld(), 1);
        ZAutoLock again(&cs);  // re-entrant for the owner
    }
    EXPECT_EQ(cs.IsHeld(), 0);

    int counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                ZAutoLock lock(cs);
                ++counter;
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(counter, 40000);
}

TEST(ZMsgCritSec, PumpRunsWhileWaiting) {
    std::atomic<int> pumped{0};
    ZMsgCritSec cs([&] { pumped++; });
    ZEvent locked;
    ZEvent release;
    std::thread holder([&] {
        ZAutoLock lock(cs);
        locked.Set();
        release.Wait(kInfinite);
    });
    locked.Wait(kInfinite);
    std::thread releaser([&] {
        while (pumped.load() < 3) std::this_thread::yield();
        release.Set();
    });
    {
        ZAutoLock lock(cs);  // through the virtual Lock of ZMsgCritSec
        EXPECT_EQ(cs.IsHeld(), 1);
    }
    EXPECT_GE(pumped.load(), 3);
    holder.join();
    releaser.join();
}

TEST(ZMsgCritSec, WithoutPumpWaitsWithoutBurningTheProcessor) {
    ZMsgCritSec cs;
    ZEvent locked;
    std::thread holder([&] {
        ZAutoLock lock(cs);
        locked.Set();
        std::this_thread::sleep_for(100ms);
    });
    locked.Wait(kInfinite);
    const std::clock_t before = std::clock();
    cs.Lock();
    const double cpu = double(std::clock() - before) / CLOCKS_PER_SEC;
    cs.Unlock();
    holder.join();
    EXPECT_LT(cpu, 0.08);  // far less than the 0.1 s a busy loop would take
}

namespace {
struct Counted : ZUnknown {
    explicit Counted(std::atomic<int>* d) : destroyed(d) {}
    ~Counted() override { (*destroyed)++; }
    std::atomic<int>* destroyed;
};
}  // namespace

TEST(ZUnknown, ReferenceCountingAndInterfaces) {
    std::atomic<int> destroyed{0};
    auto* obj = new Counted(&destroyed);
    EXPECT_EQ(obj->AddRef(), 1u);
    EXPECT_EQ(obj->AddRef(), 2u);
    void* out = nullptr;
    EXPECT_EQ(obj->QueryInterface(IID_IUnknown, &out), kS_OK);
    EXPECT_EQ(out, static_cast<ZUnknown*>(obj));
    EXPECT_EQ(obj->RefCount(), 2);  // no reference added
    const ZGuid other = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    EXPECT_EQ(obj->QueryInterface(other, &out), kE_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(obj->QueryInterface(IID_IUnknown, nullptr), kE_POINTER);
    Counted copy(*obj);
    EXPECT_EQ(copy.RefCount(), 2);
    EXPECT_EQ(obj->Release(), 1u);
    EXPECT_EQ(destroyed.load(), 0);
    EXPECT_EQ(obj->Release(), 0u);
    EXPECT_EQ(destroyed.load(), 1);
}

}  // namespace zl
