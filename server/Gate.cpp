#include "Gate.h"

#include <chrono>

namespace zl::recnetd {

Gate::Gate(int slots, int maxWaiting) : slots_(slots), maxWaiting_(maxWaiting) {}

Gate::Result Gate::Enter(int waitMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (running_ < slots_) {
        ++running_;
        return Result::Entered;
    }
    if (waiting_ >= maxWaiting_ || waitMs <= 0) return Result::Full;
    ++waiting_;
    const bool free = freed_.wait_for(lock, std::chrono::milliseconds(waitMs),
                                      [this] { return running_ < slots_; });
    --waiting_;
    if (!free) return Result::TimedOut;
    ++running_;
    return Result::Entered;
}

void Gate::Leave() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        --running_;
    }
    freed_.notify_one();
}

int Gate::Running() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return running_;
}

}  // namespace zl::recnetd

namespace zl::recnetd {

int Gate::Waiting() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return waiting_;
}

}  // namespace zl::recnetd
