// Back-off after failed logins, per user name and per client address: after a number of
// failures in a row a key is locked out for a time that doubles with every further failure,
// up to a maximum. A success clears the user's and the address's count.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace zl::recnetd {

class LoginGuard {
  public:
    LoginGuard(int userThreshold, int addressThreshold, int baseMs, int maxMs);

    // Milliseconds until a login of this user from this address is looked at again (0: now).
    int64_t WaitMs(const std::string& user, const std::string& address, int64_t nowMs);
    void Failure(const std::string& user, const std::string& address, int64_t nowMs);
    void Success(const std::string& user, const std::string& address);
    // Forgets keys whose last failure is long past.
    void Sweep(int64_t nowMs);
    size_t KeyCount() const;

  private:
    struct Record {
        int failures = 0;
        int64_t lastFailureMs = 0;
    };
    int64_t LockedUntil(const Record& record, int threshold) const;
    int64_t WaitOf(const std::map<std::string, Record>& map, const std::string& key, int threshold,
                   int64_t nowMs) const;
    void Add(std::map<std::string, Record>* map, const std::string& key, int64_t nowMs);

    const int userThreshold_;
    const int addressThreshold_;
    const int baseMs_;
    const int maxMs_;
    mutable std::mutex mutex_;
    std::map<std::string, Record> users_;
    std::map<std::string, Record> addresses_;
};

}  // namespace zl::recnetd
