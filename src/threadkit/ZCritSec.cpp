#include "threadkit/ZCritSec.h"

#include <chrono>
#include <thread>

namespace zl {
namespace {

std::mutex& DefaultPumpMutex() {
    static std::mutex m;
    return m;
}

ZMsgCritSec::Pump& DefaultPump() {
    static ZMsgCritSec::Pump pump;
    return pump;
}

}  // namespace

void ZCritSec::Lock() {
    mutex_.lock();
    held_ = 1;
}

void ZCritSec::Unlock() {
    held_ = 0;
    mutex_.unlock();
}

bool ZCritSec::TryEnter() {
    return mutex_.try_lock();
}

ZMsgCritSec::ZMsgCritSec(Pump pump) : pump_(std::move(pump)) {}

void ZMsgCritSec::SetPump(Pump pump) {
    pump_ = std::move(pump);
}

void ZMsgCritSec::SetDefaultPump(Pump pump) {
    std::lock_guard<std::mutex> lock(DefaultPumpMutex());
    DefaultPump() = std::move(pump);
}

void ZMsgCritSec::Lock() {
    while (!TryEnter()) {
        Pump pump = pump_;
        if (!pump) {
            std::lock_guard<std::mutex> lock(DefaultPumpMutex());
            pump = DefaultPump();
        }
        if (pump) {
            pump();
        } else {
            std::this_thread::yield();
        }
        if (mutex_.try_lock_for(std::chrono::milliseconds(1))) break;
    }
    held_ = 1;
}

}  // namespace zl
