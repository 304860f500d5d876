#include "LoginGuard.h"

#include <algorithm>

namespace zl::recnetd {

namespace {

// Bounds the memory an attacker can make the guard use with many names or addresses.
constexpr size_t kMaxKeys = 10000;

}  // namespace

LoginGuard::LoginGuard(int userThreshold, int addressThreshold, int baseMs, int maxMs)
    : userThreshold_(userThreshold),
      addressThreshold_(addressThreshold),
      baseMs_(baseMs),
      maxMs_(maxMs) {}

int64_t LoginGuard::LockedUntil(const Record& record, int threshold) const {
    if (record.failures < threshold) return 0;
    const int doublings = std::min(record.failures - threshold, 30);
    const int64_t lock = std::min<int64_t>(static_cast<int64_t>(baseMs_) << doublings, maxMs_);
    return record.lastFailureMs + lock;
}

int64_t LoginGuard::WaitOf(const std::map<std::string, Record>& map, const std::string& key,
                           int threshold, int64_t nowMs) const {
    const auto it = map.find(key);
    if (it == map.end()) return 0;
    return std::max<int64_t>(0, LockedUntil(it->second, threshold) - nowMs);
}

int64_t LoginGuard::WaitMs(const std::string& user, const std::string& address, int64_t nowMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::max(WaitOf(users_, user, userThreshold_, nowMs),
                    WaitOf(addresses_, address, addressThreshold_, nowMs));
}

void LoginGuard::Add(std::map<std::string, Record>* map, const std::string& key, int64_t nowMs) {
    if (map->size() >= kMaxKeys && map->find(key) == map->end()) {
        // Full: drop the key whose last failure is oldest.
        auto oldest = std::min_element(map->begin(), map->end(), [](const auto& a, const auto& b) {
            return a.second.lastFailureMs < b.second.lastFailureMs;
        });
        map->erase(oldest);
    }
    Record& record = (*map)[key];
    ++record.failures;
    record.lastFailureMs = nowMs;
}

void LoginGuard::Failure(const std::string& user, const std::string& address, int64_t nowMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    Add(&users_, user, nowMs);
    Add(&addresses_, address, nowMs);
}

void LoginGuard::Success(const std::string& user, const std::string& address) {
    std::lock_guard<std::mutex> lock(mutex_);
    users_.erase(user);
    addresses_.erase(address);
}

void LoginGuard::Sweep(int64_t nowMs) {
    // A key is forgotten when it has been quiet for twice the longest lock-out.
    const int64_t quiet = 2 * static_cast<int64_t>(maxMs_);
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto* map : {&users_, &addresses_}) {
        for (auto it = map->begin(); it != map->end();) {
            it = nowMs - it->second.lastFailureMs > quiet ? map->erase(it) : std::next(it);
        }
    }
}

size_t LoginGuard::KeyCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return users_.size() + addresses_.size();
}

}  // namespace zl::recnetd
