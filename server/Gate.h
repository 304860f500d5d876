// A bounded number of slots (statements or password checks running at once) with a bounded
// queue in front of it: a caller waits at most a given time, and when the queue is full it is
// turned away at once. Callers may carry a key (the user): each key has its own bounds on
// running and waiting callers, and while callers of other keys wait, a key that already runs
// its fair share of the slots (slots / active keys) does not take a freed one.
#pragma once

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>

namespace zl::recnetd {

class Gate {
  public:
    // Bounds per key; 0 leaves that bound off.
    struct PerKey {
        int maxRunning;
        int maxWaiting;
    };
    Gate(int slots, int maxWaiting, PerKey perKey = PerKey{0, 0});

    enum class Result { Entered, Full, TimedOut, KeyFull, Closed };
    Result Enter(int waitMs, const std::string& key = {});
    void Leave(const std::string& key = {});
    // Wakes every waiter and turns every later caller away (at shutdown).
    void Close();
    int Running() const;
    int Waiting() const;
    int RunningOf(const std::string& key) const;

    // Leaves the gate when it goes out of scope (if it entered).
    class Pass {
      public:
        Pass(Gate& gate, int waitMs, std::string key = {})
            : gate_(gate), key_(std::move(key)), result_(gate.Enter(waitMs, key_)) {}
        ~Pass() {
            if (result_ == Result::Entered) gate_.Leave(key_);
        }
        Pass(const Pass&) = delete;
        Pass& operator=(const Pass&) = delete;
        Result result() const { return result_; }

      private:
        Gate& gate_;
        std::string key_;
        Result result_;
    };

  private:
    struct Count {
        int running = 0;
        int waiting = 0;
    };
    // With the mutex held: may a caller of this key take a slot now?
    bool MayEnter(const std::string& key) const;
    void Forget(const std::string& key);

    const int slots_;
    const int maxWaiting_;
    const PerKey perKey_;
    int running_ = 0;
    int waiting_ = 0;
    bool closed_ = false;
    std::map<std::string, Count> keys_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
};

const char* GateResultName(Gate::Result result);

}  // namespace zl::recnetd
