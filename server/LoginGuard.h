// Back-off after failed logins. Two keys are counted: the user name together with the client
// address, and the client address alone. After a number of failures in a row a key is locked
// out for a time that doubles with every further failure, up to a maximum. An attempt counts
// from the moment it starts (Begin), not when its check ends: below the threshold at most
// threshold + inFlight attempts of a key are started before the first ones end, at or past it
// one at a time, so a burst sent at once cannot pass the back-off while the first checks still
// run. Failures from one address never lock the same user out at another address.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace zl::recnetd {

class LoginGuard {
  public:
    LoginGuard(int userThreshold, int addressThreshold, int baseMs, int maxMs, int inFlight = 0);

    // Milliseconds until a login of this user from this address is looked at again (0: now).
    int64_t WaitMs(const std::string& user, const std::string& address, int64_t nowMs);
    // Starts an attempt when none of its keys is locked or has its most attempts running:
    // answers 0 and counts the attempt until End. Otherwise answers the wait and counts nothing.
    int64_t Begin(const std::string& user, const std::string& address, int64_t nowMs);
    enum class Outcome { Failed, Succeeded, NotChecked };
    // Ends an attempt that Begin started. NotChecked (no slot for the check) takes the
    // attempt back.
    void End(const std::string& user, const std::string& address, Outcome outcome, int64_t nowMs);
    // A failed attempt (Begin and End in one).
    void Failure(const std::string& user, const std::string& address, int64_t nowMs);
    // Clears the user's count at this address.
    void Success(const std::string& user, const std::string& address);
    // Forgets keys whose last failure is long past.
    void Sweep(int64_t nowMs);
    size_t KeyCount() const;

  private:
    struct Record {
        int failures = 0;  // ended attempts that failed
        int running = 0;   // started attempts not ended yet
        int64_t lastFailureMs = 0;
    };
    using Map = std::map<std::string, Record>;
    static std::string UserKey(const std::string& user, const std::string& address);
    int64_t LockedUntil(const Record& record, int threshold) const;
    int64_t WaitOf(const Map& map, const std::string& key, int threshold, int64_t nowMs) const;
    int64_t WaitLocked(const std::string& user, const std::string& address, int64_t nowMs) const;
    bool MayStart(const Map& map, const std::string& key, int threshold) const;
    Record& At(Map* map, const std::string& key, int64_t nowMs);
    void Add(Map* map, const std::string& key, int64_t nowMs);

    const int userThreshold_;
    const int addressThreshold_;
    const int baseMs_;
    const int maxMs_;
    const int inFlight_;
    mutable std::mutex mutex_;
    Map users_;  // user name at an address
    Map addresses_;
};

}  // namespace zl::recnetd
