// A worker thread that serves one synchronous request at a time. A derived class implements
// Run, which loops on GetRequest (or polls CheckRequest), does the work and answers with Reply;
// callers on other threads use CallWorker, which blocks until the answer. The kit has no stop
// request of its own: a derived worker defines its request codes, including one that ends Run,
// and its destructor must end and Close the thread before its own members go away.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "threadkit/ZCritSec.h"
#include "threadkit/ZEvent.h"
#include "threadkit/ZResult.h"

namespace zl {

class ZThread {
  public:
    ZThread();
    virtual ~ZThread();
    ZThread(const ZThread&) = delete;
    ZThread& operator=(const ZThread&) = delete;

    // The worker's body; its result is the thread's exit code.
    virtual unsigned Run() = 0;

    // Starts the thread: 1 on success, 0 when a thread exists already or cannot be started.
    int Create();
    // Hands `request` to the worker and waits for its reply. kE_FAIL at once when there is no
    // thread, and also when the worker's Run has ended (instead of waiting for ever).
    uint32_t CallWorker(uint32_t request);
    // Worker side: waits for a request and returns its parameter.
    uint32_t GetRequest();
    // Worker side: 0 when no request is pending; else 1, with the parameter in *request.
    int CheckRequest(uint32_t* request);
    // Worker side: answers the pending request.
    void Reply(uint32_t value);
    // Waits for the thread to end and releases it; does nothing without a thread. Safe to call
    // from several threads: only one of them waits.
    void Close();
    int ThreadExists() const { return thread_.load() != nullptr ? 1 : 0; }

    ZEvent* GetRequestHandle() { return &request_; }
    uint32_t GetRequestParam() const { return param_.load(); }
    // The value Run returned, once it has.
    unsigned ExitCode() const { return exitCode_.load(); }

  protected:
    ZCritSec workerLock_;  // free for derived classes

  private:
    static void InitialThreadProc(ZThread* self);

    ZEvent request_{true};
    ZEvent reply_{true};
    std::atomic<uint32_t> param_{0};
    std::atomic<uint32_t> replyValue_{0};
    std::atomic<bool> replied_{false};
    std::atomic<bool> running_{false};
    std::atomic<unsigned> exitCode_{0};
    std::atomic<std::thread*> thread_{nullptr};
    ZCritSec accessLock_;
};

}  // namespace zl
