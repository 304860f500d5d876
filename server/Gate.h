// A bounded number of slots (statements or password checks running at once) with a bounded
// queue in front of it: a caller waits at most a given time, and when the queue is full it is
// turned away at once.
#pragma once

#include <condition_variable>
#include <mutex>

namespace zl::recnetd {

class Gate {
  public:
    Gate(int slots, int maxWaiting);

    enum class Result { Entered, Full, TimedOut };
    Result Enter(int waitMs);
    void Leave();
    int Running() const;
    int Waiting() const;

    // Leaves the gate when it goes out of scope (if it entered).
    class Pass {
      public:
        Pass(Gate& gate, int waitMs) : gate_(gate), result_(gate.Enter(waitMs)) {}
        ~Pass() {
            if (result_ == Result::Entered) gate_.Leave();
        }
        Pass(const Pass&) = delete;
        Pass& operator=(const Pass&) = delete;
        Result result() const { return result_; }

      private:
        Gate& gate_;
        Result result_;
    };

  private:
    const int slots_;
    const int maxWaiting_;
    int running_ = 0;
    int waiting_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable freed_;
};

}  // namespace zl::recnetd
