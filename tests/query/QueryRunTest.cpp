// The run handshake: a display that comes up after the worker ended is told so, a display up
// before the end is closed exactly once, and cancelling stops the worker at its next step.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include "query/QueryRun.h"

namespace zl {

namespace {

class CountingDisplay : public IProgressDisplay {
  public:
    std::atomic<int> steps{0};
    std::atomic<int> closes{0};
    void ShowStep(const char*) override { ++steps; }
    void CloseDisplay() override { ++closes; }
};

TEST(QueryRunHandshake, DisplayAfterTheEndIsRefused) {
    QueryRun run;
    run.Start([](QueryRun&) { return 7; });
    EXPECT_EQ(run.Wait(), 7);
    CountingDisplay display;
    EXPECT_FALSE(run.AttachDisplay(&display));
    EXPECT_EQ(display.closes, 0);
}

TEST(QueryRunHandshake, DisplayBeforeTheEndIsClosedOnce) {
    QueryRun run;
    std::atomic<bool> go{false};
    run.Start([&](QueryRun& self) {
        while (!go) std::this_thread::yield();
        self.Step();
        self.Close();  // the worker's own close, then the end of the run
        return 1;
    });
    CountingDisplay display;
    ASSERT_TRUE(run.AttachDisplay(&display));
    go = true;
    run.Wait();
    run.DetachDisplay();
    EXPECT_EQ(display.steps, 1);
    EXPECT_EQ(display.closes, 1);
}

// The race the handshake exists for: whatever the order of the worker's end and the display's
// arrival, the display either is refused or gets closed; it is never left open.
TEST(QueryRunHandshake, EndOfRunIsNeverLost) {
    std::mt19937 random(42);
    for (int i = 0; i < 2000; ++i) {
        const int workerSpin = static_cast<int>(random() % 200);
        const int displaySpin = static_cast<int>(random() % 200);
        QueryRun run;
        run.Start([workerSpin](QueryRun&) {
            std::atomic<int> k{0};
            while (k.fetch_add(1) < workerSpin) {
            }
            return 1;
        });
        std::atomic<int> k{0};
        while (k.fetch_add(1) < displaySpin) {
        }
        CountingDisplay display;
        const bool attached = run.AttachDisplay(&display);
        run.Wait();
        run.DetachDisplay();
        if (attached)
            ASSERT_EQ(display.closes, 1) << "iteration " << i;
        else
            ASSERT_EQ(display.closes, 0) << "iteration " << i;
    }
}

TEST(QueryRunHandshake, CancelStopsTheWorkerAtItsNextStep) {
    QueryRun run;
    std::atomic<int> steps{0};
    std::atomic<bool> started{false};
    run.Start([&](QueryRun& self) {
        started = true;
        while (self.Step()) {
            ++steps;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return self.Aborted() ? 0 : 1;
    });
    while (!started) std::this_thread::yield();
    run.Cancel();
    EXPECT_EQ(run.Wait(), 0);
    EXPECT_TRUE(run.CancelledByUser());
    EXPECT_TRUE(run.Aborted());
}

TEST(QueryRunHandshake, AbortFromTheWorkerClosesTheDisplayAndIsNotAUserCancel) {
    QueryRun run;
    CountingDisplay display;
    std::atomic<bool> go{false};
    run.Start([&](QueryRun& self) {
        while (!go) std::this_thread::yield();
        self.Abort();  // the user answered No
        return self.Step() ? 1 : 0;
    });
    ASSERT_TRUE(run.AttachDisplay(&display));
    go = true;
    EXPECT_EQ(run.Wait(), 0);
    EXPECT_EQ(display.closes, 1);  // once, though the end of the run follows
    EXPECT_FALSE(run.CancelledByUser());
}

TEST(QueryRunHandshake, CancelBeforeStartMakesTheFirstStepFail) {
    QueryRun run;
    run.Cancel();
    EXPECT_EQ(run.RunHere([](QueryRun& self) { return self.Step() ? 1 : 0; }), 0);
    EXPECT_EQ(run.Steps(), 0);
}

}  // namespace

}  // namespace zl
