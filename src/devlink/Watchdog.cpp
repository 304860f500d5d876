#include "devlink/Watchdog.h"

namespace zl {

Watchdog::Watchdog(std::function<void()> action) : action_(std::move(action)) {}

Watchdog::~Watchdog() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void Watchdog::Arm(Clock::time_point deadline) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        armed_ = true;
        fired_ = false;
        deadline_ = deadline;
        // The thread starts on first use, so a link that is never used costs nothing.
        if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    }
    wake_.notify_all();
}

bool Watchdog::Disarm() {
    std::lock_guard<std::mutex> lock(mutex_);
    armed_ = false;
    return fired_;
}

void Watchdog::Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!quit_) {
        if (!armed_) {
            wake_.wait(lock);
            continue;
        }
        if (wake_.wait_until(lock, deadline_) == std::cv_status::timeout && armed_ &&
            Clock::now() >= deadline_) {
            armed_ = false;
            fired_ = true;
            // Runs under the lock, so Disarm waits for it to finish.
            action_();
        }
    }
}

}  // namespace zl
