// Critical sections: ZCritSec (re-entrant for its owning thread, like the platform's), the
// user-interface variant ZMsgCritSec, and the scope guard ZAutoLock.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>

namespace zl {

class ZCritSec {
  public:
    ZCritSec() = default;
    virtual ~ZCritSec() = default;
    ZCritSec(const ZCritSec&) = delete;
    ZCritSec& operator=(const ZCritSec&) = delete;

    // Enters, then held = 1.
    virtual void Lock();
    // Leaves, then held = 0.
    void Unlock();
    // 1 between Lock and Unlock.
    int IsHeld() const { return held_.load(); }

  protected:
    bool TryEnter();

    std::recursive_timed_mutex mutex_;
    std::atomic<int> held_{0};
};

// A critical section for the user-interface thread: while another thread holds it, Lock keeps
// the interface alive by calling the pump (the application installs one that processes its
// pending events); without a pump it yields the processor. Between rounds it waits on the lock
// itself for a millisecond, so it neither spins hot nor lets the interface freeze. Code reached
// from the pump runs inside the wait and must not take the same lock again.
class ZMsgCritSec : public ZCritSec {
  public:
    using Pump = std::function<void()>;

    explicit ZMsgCritSec(Pump pump = {});
    void Lock() override;
    void SetPump(Pump pump);

    // The pump of every ZMsgCritSec that has none of its own (process-wide; empty = none).
    static void SetDefaultPump(Pump pump);

  private:
    Pump pump_;
};

// Locks through the virtual Lock in the constructor, unlocks in the destructor.
class ZAutoLock {
  public:
    explicit ZAutoLock(ZCritSec* lock) : lock_(lock) {
        if (lock_) lock_->Lock();
    }
    explicit ZAutoLock(ZCritSec& lock) : ZAutoLock(&lock) {}
    ~ZAutoLock() {
        if (lock_) lock_->Unlock();
    }
    ZAutoLock(const ZAutoLock&) = delete;
    ZAutoLock& operator=(const ZAutoLock&) = delete;

  private:
    ZCritSec* lock_;
};

}  // namespace zl
