#include "threadkit/ZThread.h"

#include <system_error>

namespace zl {

ZThread::ZThread() = default;

ZThread::~ZThread() {
    Close();
}

void ZThread::InitialThreadProc(ZThread* self) {
    self->exitCode_ = self->Run();
    // Wake a caller still waiting for a reply that will never come; it sees no reply and
    // answers kE_FAIL.
    self->running_ = false;
    self->reply_.Set();
}

int ZThread::Create() {
    ZAutoLock lock(accessLock_);
    if (thread_.load()) return 0;
    running_ = true;
    try {
        thread_ = new std::thread(&ZThread::InitialThreadProc, this);
    } catch (const std::system_error&) {
        running_ = false;
        return 0;
    }
    return 1;
}

uint32_t ZThread::CallWorker(uint32_t request) {
    ZAutoLock lock(accessLock_);
    if (!thread_.load()) return kE_FAIL;
    param_ = request;
    replied_ = false;
    reply_.Reset();
    // Checked after the reset: a worker that ends from here on still sets the reply event.
    if (!running_) return kE_FAIL;
    request_.Set();
    reply_.Wait(kInfinite);
    return replied_ ? replyValue_.load() : kE_FAIL;
}

uint32_t ZThread::GetRequest() {
    request_.Wait(kInfinite);
    return param_.load();
}

int ZThread::CheckRequest(uint32_t* request) {
    if (!request_.Check()) return 0;
    if (request) *request = param_.load();
    return 1;
}

void ZThread::Reply(uint32_t value) {
    replyValue_ = value;
    replied_ = true;
    request_.Reset();
    reply_.Set();
}

void ZThread::Close() {
    std::thread* t = thread_.exchange(nullptr);
    if (!t) return;
    if (t->get_id() == std::this_thread::get_id()) {
        t->detach();  // a worker closing itself cannot wait for itself
    } else if (t->joinable()) {
        t->join();
    }
    delete t;
}

}  // namespace zl
