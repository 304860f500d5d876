#include "threadkit/ZEvent.h"

#include <chrono>

namespace zl {

ZEvent::ZEvent(bool manualReset) : manualReset_(manualReset) {}

int ZEvent::Set() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        signalled_ = true;
    }
    if (manualReset_) {
        cv_.notify_all();
    } else {
        cv_.notify_one();
    }
    return 1;
}

int ZEvent::Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    signalled_ = false;
    return 1;
}

int ZEvent::Wait(unsigned timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    auto isSet = [this] { return signalled_; };
    if (timeoutMs == kInfinite) {
        cv_.wait(lock, isSet);
    } else if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), isSet)) {
        return 0;
    }
    if (!manualReset_) signalled_ = false;
    return 1;
}

}  // namespace zl
