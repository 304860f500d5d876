// Sessions of logged-in clients. A token is 32 random bytes as hex; the table is keyed by a
// hash of the token and the token itself is compared in constant time. A session ends after
// an idle time, on Logout, or when the table sweeps it; never while a call is using it. One
// user holds at most a given number of sessions, so one user cannot fill the table.
#pragma once

#include <atomic>
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
    std::timed_mutex use;         // held by the call that uses the database
    std::atomic<int> waiting{0};  // calls waiting (briefly) for use
    std::unique_ptr<GuardedDatabase> database;
    ServedDatabase served;
    int64_t lastUsedMs = 0;  // guarded by the table's mutex
};

class SessionTable {
  public:
    SessionTable(int64_t idleMs, int maxSessions, int maxPerUser);

    enum class CreateResult { Created, TableFull, UserFull };
    // The new session's token, or empty with *why when the table or the user's share is full.
    std::string Create(const std::string& user, int64_t nowMs, CreateResult* why = nullptr);
    // The live session of the token (touched), or null (unknown or expired; an expired one is
    // removed).
    std::shared_ptr<Session> Find(const std::string& token, int64_t nowMs);
    // Marks the session used now (at the end of a call).
    void Touch(Session& session, int64_t nowMs);
    void Remove(const std::string& token);
    // Drops expired sessions; answers how many.
    int Sweep(int64_t nowMs);
    size_t Count() const;
    int64_t IdleMs() const { return idleMs_; }

  private:
    static std::string KeyOf(const std::string& token);
    // With the mutex held: idle for longer than the idle time and not inside a call.
    bool Expired(Session& session, int64_t nowMs) const;

    const int64_t idleMs_;
    const int maxSessions_;
    const int maxPerUser_;
    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<Session>> sessions_;
};

}  // namespace zl::recnetd
