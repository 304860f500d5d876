// Sessions of logged-in clients. A token is 32 random bytes as hex; the table is keyed by a
// hash of the token and the token itself is compared in constant time. A session ends after
// an idle time, on Logout, or when the table sweeps it.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "Catalog.h"
#include "GuardedDatabase.h"

namespace zl::recnetd {

struct Session {
    std::string user;
    std::string token;
    std::timed_mutex use;  // held by the call that uses the database
    std::unique_ptr<GuardedDatabase> database;
    ServedDatabase served;
    int64_t lastUsedMs = 0;  // guarded by the table's mutex
};

class SessionTable {
  public:
    SessionTable(int64_t idleMs, int maxSessions);

    // Empty when the table is full.
    std::string Create(const std::string& user, int64_t nowMs);
    // The live session of the token (touched), or null (unknown or expired; an expired one is
    // removed).
    std::shared_ptr<Session> Find(const std::string& token, int64_t nowMs);
    void Remove(const std::string& token);
    // Drops expired sessions; answers how many.
    int Sweep(int64_t nowMs);
    size_t Count() const;
    int64_t IdleMs() const { return idleMs_; }

  private:
    static std::string KeyOf(const std::string& token);

    const int64_t idleMs_;
    const int maxSessions_;
    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<Session>> sessions_;
};

}  // namespace zl::recnetd
