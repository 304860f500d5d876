// A deadline guard for blocking calls: Arm(deadline) and, unless Disarm() comes first, the
// action runs once on the guard's own thread when the deadline passes. Used to cut an HTTP
// exchange that trickles data slowly enough to beat every per-read time-out.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace zl {

class Watchdog {
  public:
    using Clock = std::chrono::steady_clock;

    explicit Watchdog(std::function<void()> action);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    void Arm(Clock::time_point deadline);
    // Returns true when the action ran since the last Arm. After Disarm returns the action
    // is not running and will not run until the next Arm.
    bool Disarm();

  private:
    void Run();

    std::function<void()> action_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool armed_ = false;
    bool fired_ = false;
    bool quit_ = false;
    Clock::time_point deadline_;
    std::thread thread_;
};

}  // namespace zl
