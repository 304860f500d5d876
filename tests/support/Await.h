// Waiting in tests: on a condition, never on a fixed time. The bounds are far above the normal
// time so a loaded machine passes; a check that fails releases what the test holds through
// ScopeExit, so the failure is reported at once instead of as a time-out.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

namespace zl::testsupport {

// Generous upper bound for "this happens soon" on a busy machine.
inline constexpr std::chrono::milliseconds kPatience{30000};

// A one-shot flag one thread sets and another waits for.
class Flag {
  public:
    void Set() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            set_ = true;
        }
        cv_.notify_all();
    }
    bool IsSet() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return set_;
    }
    // True when the flag was set within `limit`.
    bool WaitFor(std::chrono::milliseconds limit = kPatience) {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, limit, [this] { return set_; });
    }

  private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool set_ = false;
};

// Polls `condition` until it holds or `limit` has passed; true when it held. For state that
// has no notification of its own (another process, a socket, a file).
template <class Condition>
bool WaitUntil(Condition&& condition, std::chrono::milliseconds limit = kPatience,
               std::chrono::milliseconds poll = std::chrono::milliseconds(2)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end) return condition();
        std::this_thread::sleep_for(poll);
    }
    return true;
}

// Runs `f` when the scope ends, whichever way it ends (a failed ASSERT returns early).
template <class F>
class ScopeExit {
  public:
    explicit ScopeExit(F f) : f_(std::move(f)) {}
    ~ScopeExit() { f_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

  private:
    F f_;
};

}  // namespace zl::testsupport
