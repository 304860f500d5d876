#include "Gate.h"

#include <algorithm>
#include <chrono>

namespace zl::recnetd {

Gate::Gate(int slots, int maxWaiting, PerKey perKey)
    : slots_(slots), maxWaiting_(maxWaiting), perKey_(perKey) {}

bool Gate::MayEnter(const std::string& key) const {
    if (closed_ || running_ >= slots_) return false;
    const auto it = keys_.find(key);
    const int mine = it == keys_.end() ? 0 : it->second.running;
    if (perKey_.maxRunning > 0 && mine >= perKey_.maxRunning) return false;
    const int myWaiting = it == keys_.end() ? 0 : it->second.waiting;
    const bool othersWait = waiting_ > myWaiting;
    if (!othersWait) return true;
    int active = 0;
    for (const auto& [name, count] : keys_)
        active += name == key || count.running > 0 || count.waiting > 0;
    active = std::max(active, 1);
    const int share = std::max(1, slots_ / active);
    return mine < share;
}

void Gate::Forget(const std::string& key) {
    const auto it = keys_.find(key);
    if (it != keys_.end() && it->second.running == 0 && it->second.waiting == 0) keys_.erase(it);
}

Gate::Result Gate::Enter(int waitMs, const std::string& key) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (closed_) return Result::Closed;
    if (MayEnter(key)) {
        ++running_;
        ++keys_[key].running;
        return Result::Entered;
    }
    Count& count = keys_[key];
    if (perKey_.maxWaiting > 0 && count.waiting >= perKey_.maxWaiting) {
        Forget(key);
        return Result::KeyFull;
    }
    if (waiting_ >= maxWaiting_ || waitMs <= 0) {
        Forget(key);
        return Result::Full;
    }
    ++waiting_;
    ++count.waiting;
    const bool free = changed_.wait_for(lock, std::chrono::milliseconds(waitMs),
                                        [&] { return closed_ || MayEnter(key); });
    --waiting_;
    Count& after = keys_[key];
    --after.waiting;
    if (closed_ || !free) {
        Forget(key);
        // Others may be eligible now that this caller no longer waits.
        changed_.notify_all();
        return closed_ ? Result::Closed : Result::TimedOut;
    }
    ++running_;
    ++after.running;
    return Result::Entered;
}

void Gate::Leave(const std::string& key) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        --running_;
        --keys_[key].running;
        Forget(key);
    }
    // Every waiter looks again: which one may enter depends on its key.
    changed_.notify_all();
}

void Gate::Close() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
}

int Gate::Running() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return running_;
}

int Gate::Waiting() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return waiting_;
}

int Gate::RunningOf(const std::string& key) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = keys_.find(key);
    return it == keys_.end() ? 0 : it->second.running;
}

const char* GateResultName(Gate::Result result) {
    switch (result) {
        case Gate::Result::Entered:
            return "entered";
        case Gate::Result::Full:
            return "queue full";
        case Gate::Result::TimedOut:
            return "waited too long";
        case Gate::Result::KeyFull:
            return "too many calls of one user";
        case Gate::Result::Closed:
            return "stopping";
    }
    return "?";
}

}  // namespace zl::recnetd
