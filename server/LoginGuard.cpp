#include "LoginGuard.h"

#include <algorithm>

namespace zl::recnetd {

namespace {

// Bounds the memory an attacker can make the guard use with many names or addresses.
constexpr size_t kMaxKeys = 10000;

}  // namespace

LoginGuard::LoginGuard(int userThreshold, int addressThreshold, int baseMs, int maxMs, int inFlight)
    : userThreshold_(userThreshold),
      addressThreshold_(addressThreshold),
      baseMs_(baseMs),
      maxMs_(maxMs),
      inFlight_(inFlight) {}

std::string LoginGuard::UserKey(const std::string& user, const std::string& address) {
    // A user name never holds a newline, so the pair cannot be forged from other names.
    return user + '\n' + address;
}

int64_t LoginGuard::LockedUntil(const Record& record, int threshold) const {
    if (record.failures < threshold) return 0;
    const int doublings = std::min(record.failures - threshold, 30);
    const int64_t lock = std::min<int64_t>(static_cast<int64_t>(baseMs_) << doublings, maxMs_);
    return record.lastFailureMs + lock;
}

int64_t LoginGuard::WaitOf(const Map& map, const std::string& key, int threshold,
                           int64_t nowMs) const {
    const auto it = map.find(key);
    if (it == map.end()) return 0;
    return std::max<int64_t>(0, LockedUntil(it->second, threshold) - nowMs);
}

int64_t LoginGuard::WaitLocked(const std::string& user, const std::string& address,
                               int64_t nowMs) const {
    return std::max(WaitOf(users_, UserKey(user, address), userThreshold_, nowMs),
                    WaitOf(addresses_, address, addressThreshold_, nowMs));
}

int64_t LoginGuard::WaitMs(const std::string& user, const std::string& address, int64_t nowMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    return WaitLocked(user, address, nowMs);
}

bool LoginGuard::MayStart(const Map& map, const std::string& key, int threshold) const {
    const auto it = map.find(key);
    if (it == map.end()) return true;
    const Record& r = it->second;
    if (r.failures < threshold) return r.failures + r.running < threshold + inFlight_;
    return r.running == 0;
}

LoginGuard::Record& LoginGuard::At(Map* map, const std::string& key, int64_t nowMs) {
    if (map->size() >= kMaxKeys && map->find(key) == map->end()) {
        // Full: drop the key whose last failure is oldest.
        auto oldest = std::min_element(map->begin(), map->end(), [](const auto& a, const auto& b) {
            return a.second.lastFailureMs < b.second.lastFailureMs;
        });
        map->erase(oldest);
    }
    auto [it, fresh] = map->try_emplace(key);
    if (fresh) it->second.lastFailureMs = nowMs;  // for the sweep
    return it->second;
}

void LoginGuard::Add(Map* map, const std::string& key, int64_t nowMs) {
    Record& record = At(map, key, nowMs);
    ++record.failures;
    record.lastFailureMs = nowMs;
}

int64_t LoginGuard::Begin(const std::string& user, const std::string& address, int64_t nowMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string userKey = UserKey(user, address);
    const int64_t wait = WaitLocked(user, address, nowMs);
    if (wait > 0) return wait;
    if (!MayStart(users_, userKey, userThreshold_) ||
        !MayStart(addresses_, address, addressThreshold_)) {
        return baseMs_;  // the attempts already running decide first
    }
    ++At(&users_, userKey, nowMs).running;
    ++At(&addresses_, address, nowMs).running;
    return 0;
}

void LoginGuard::End(const std::string& user, const std::string& address, Outcome outcome,
                     int64_t nowMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string userKey = UserKey(user, address);
    for (auto [map, key] : {std::pair{&users_, userKey}, std::pair{&addresses_, address}}) {
        const auto it = map->find(key);
        if (it == map->end()) continue;
        Record& r = it->second;
        r.running = std::max(0, r.running - 1);
        if (outcome == Outcome::Failed) {
            ++r.failures;
            r.lastFailureMs = std::max(r.lastFailureMs, nowMs);
        } else if (outcome == Outcome::Succeeded && map == &users_) {
            // The user's count at this address starts again; the address keeps the failures
            // of other names, so one known password cannot wash them away.
            r.failures = 0;
        }
        if (r.failures == 0 && r.running == 0) map->erase(it);
    }
}

void LoginGuard::Failure(const std::string& user, const std::string& address, int64_t nowMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    Add(&users_, UserKey(user, address), nowMs);
    Add(&addresses_, address, nowMs);
}

void LoginGuard::Success(const std::string& user, const std::string& address) {
    std::lock_guard<std::mutex> lock(mutex_);
    users_.erase(UserKey(user, address));
}

void LoginGuard::Sweep(int64_t nowMs) {
    // A key is forgotten when it has been quiet for twice the longest lock-out.
    const int64_t quiet = 2 * static_cast<int64_t>(maxMs_);
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto* map : {&users_, &addresses_}) {
        for (auto it = map->begin(); it != map->end();) {
            it = it->second.running == 0 && nowMs - it->second.lastFailureMs > quiet
                     ? map->erase(it)
                     : std::next(it);
        }
    }
}

size_t LoginGuard::KeyCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return users_.size() + addresses_.size();
}

}  // namespace zl::recnetd
