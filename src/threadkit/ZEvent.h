// An event a thread can wait on: signalled by Set, cleared by Reset (manual reset) or by the
// one wait that it releases (auto reset).
#pragma once

#include <condition_variable>
#include <mutex>

#include "threadkit/ZResult.h"

namespace zl {

class ZEvent {
  public:
    // Unnamed and initially not signalled. A default-constructed event resets manually.
    explicit ZEvent(bool manualReset = true);
    ~ZEvent() = default;
    ZEvent(const ZEvent&) = delete;
    ZEvent& operator=(const ZEvent&) = delete;

    int Set();
    int Reset();
    // 1 when the event was signalled within the time-out (kInfinite waits for ever), else 0.
    int Wait(unsigned timeoutMs);
    int Check() { return Wait(0); }

    // The event stands for its own handle.
    ZEvent* Handle() { return this; }
    operator ZEvent*() { return this; }

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool signalled_ = false;
    const bool manualReset_;
};

}  // namespace zl
