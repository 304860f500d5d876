// One running query: the worker thread, its progress and cancellation, and the handshake with
// the display that shows the progress (the window's progress dialog, the command line's
// progress bar).
//
// The display appears after the worker has started, and the worker may end before that. The
// end of the run is therefore a state, not a message: AttachDisplay answers false once the run
// has ended, and a display attached before the end is closed by the run. Both happen under one
// lock, so the end can never fall between the two and leave the display open.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "data/QueryHooks.h"

namespace zl {

// What the run asks of its display. Called from the worker thread (and from Cancel); a
// display that lives on another thread posts the requests to it. Never called after
// DetachDisplay returned.
class IProgressDisplay {
  public:
    virtual ~IProgressDisplay() = default;
    // A progress step; `text` (may be null) replaces the shown text.
    virtual void ShowStep(const char* text) = 0;
    // The run ended or was aborted: close the display.
    virtual void CloseDisplay() = 0;
};

class QueryRun : public IQueryProgress {
  public:
    QueryRun() = default;
    ~QueryRun() override;  // waits for the worker
    QueryRun(const QueryRun&) = delete;
    QueryRun& operator=(const QueryRun&) = delete;

    // Runs `work` on a thread of its own; `work` gets this run as its progress. Its result is
    // kept for Result(). One run per object.
    void Start(std::function<int(QueryRun&)> work);
    // Runs `work` on the calling thread (a caller without a display, tests).
    int RunHere(std::function<int(QueryRun&)> work);

    // The display is up. False when the run has already ended: the display must then close
    // itself, nothing else will.
    bool AttachDisplay(IProgressDisplay* display);
    // The display goes away; no call reaches it after this returns.
    void DetachDisplay();

    // The user cancelled: the run stops at its next progress step.
    void Cancel();
    bool CancelledByUser() const;

    bool Done() const;
    // Waits for the end of the run and answers the worker's result.
    int Wait();
    // Waits at most `ms` milliseconds; true when the run has ended.
    bool WaitFor(int ms);
    int Result() const;
    // Number of progress steps taken so far.
    int Steps() const;

    // IQueryProgress, for the engine on the worker thread.
    bool Step(const char* text = nullptr) override;
    void Abort() override;
    bool Aborted() const override;
    void Close() override;

  private:
    void Finish(int result);

    mutable std::mutex mutex_;
    std::condition_variable doneCv_;
    IProgressDisplay* display_ = nullptr;
    bool done_ = false;
    bool aborted_ = false;
    bool cancelled_ = false;
    bool displayClosed_ = false;
    int result_ = 0;
    int steps_ = 0;
    std::thread thread_;
};

}  // namespace zl
