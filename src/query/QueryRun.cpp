#include "query/QueryRun.h"

#include <chrono>

namespace zl {

QueryRun::~QueryRun() {
    if (thread_.joinable()) thread_.join();
}

void QueryRun::Start(std::function<int(QueryRun&)> work) {
    thread_ = std::thread([this, work = std::move(work)] { Finish(work(*this)); });
}

int QueryRun::RunHere(std::function<int(QueryRun&)> work) {
    Finish(work(*this));
    return Result();
}

void QueryRun::Finish(int result) {
    std::lock_guard<std::mutex> lock(mutex_);
    result_ = result;
    done_ = true;
    if (display_ && !displayClosed_) {
        displayClosed_ = true;
        display_->CloseDisplay();
    }
    doneCv_.notify_all();
}

bool QueryRun::AttachDisplay(IProgressDisplay* display) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (done_) return false;
    display_ = display;
    displayClosed_ = false;
    return true;
}

void QueryRun::DetachDisplay() {
    std::lock_guard<std::mutex> lock(mutex_);
    display_ = nullptr;
}

void QueryRun::Cancel() {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
    aborted_ = true;
}

bool QueryRun::CancelledByUser() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return cancelled_;
}

bool QueryRun::Done() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return done_;
}

int QueryRun::Wait() {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        doneCv_.wait(lock, [this] { return done_; });
    }
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
    return Result();
}

bool QueryRun::WaitFor(int ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    return doneCv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return done_; });
}

int QueryRun::Result() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return result_;
}

int QueryRun::Steps() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return steps_;
}

bool QueryRun::Step(const char* text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (aborted_) return false;
    ++steps_;
    if (display_ && !displayClosed_) display_->ShowStep(text);
    return true;
}

void QueryRun::Abort() {
    std::lock_guard<std::mutex> lock(mutex_);
    aborted_ = true;
    if (display_ && !displayClosed_) {
        displayClosed_ = true;
        display_->CloseDisplay();
    }
}

bool QueryRun::Aborted() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return aborted_;
}

void QueryRun::Close() {
    // The worker's own close at the end of its work; Finish does the same once the worker
    // function has returned, so a worker that forgets it still closes the display.
    std::lock_guard<std::mutex> lock(mutex_);
    if (display_ && !displayClosed_) {
        displayClosed_ = true;
        display_->CloseDisplay();
    }
}

}  // namespace zl
