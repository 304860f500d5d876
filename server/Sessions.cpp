#include "Sessions.h"

#include <sodium.h>

#include <algorithm>

namespace zl::recnetd {

namespace {

constexpr size_t kTokenBytes = 32;

std::string Hex(const unsigned char* data, size_t size) {
    std::string out(size * 2 + 1, '\0');
    sodium_bin2hex(out.data(), out.size(), data, size);
    out.pop_back();
    return out;
}

}  // namespace

SessionTable::SessionTable(int64_t idleMs, int maxSessions, int maxPerUser)
    : idleMs_(idleMs), maxSessions_(maxSessions), maxPerUser_(maxPerUser) {}

bool SessionTable::Expired(Session& session, int64_t nowMs) const {
    if (nowMs - session.lastUsedMs <= idleMs_) return false;
    // A call holds the use lock for its whole length: the session is busy, not idle.
    std::unique_lock<std::timed_mutex> use(session.use, std::try_to_lock);
    return use.owns_lock();
}

std::string SessionTable::KeyOf(const std::string& token) {
    unsigned char digest[crypto_generichash_BYTES];
    crypto_generichash(digest, sizeof digest, reinterpret_cast<const unsigned char*>(token.data()),
                       token.size(), nullptr, 0);
    return Hex(digest, sizeof digest);
}

std::string SessionTable::Create(const std::string& user, int64_t nowMs, CreateResult* why) {
    unsigned char random[kTokenBytes];
    randombytes_buf(random, sizeof random);
    auto session = std::make_shared<Session>();
    session->user = user;
    session->token = Hex(random, sizeof random);
    session->lastUsedMs = nowMs;
    sodium_memzero(random, sizeof random);
    std::lock_guard<std::mutex> lock(mutex_);
    const auto countOfUser = [&] {
        int count = 0;
        for (const auto& entry : sessions_) count += entry.second->user == user;
        return count;
    };
    if (static_cast<int>(sessions_.size()) >= maxSessions_ || countOfUser() >= maxPerUser_) {
        for (auto it = sessions_.begin(); it != sessions_.end();) {
            it = Expired(*it->second, nowMs) ? sessions_.erase(it) : std::next(it);
        }
    }
    if (countOfUser() >= maxPerUser_) {
        if (why) *why = CreateResult::UserFull;
        return {};
    }
    if (static_cast<int>(sessions_.size()) >= maxSessions_) {
        if (why) *why = CreateResult::TableFull;
        return {};
    }
    if (why) *why = CreateResult::Created;
    sessions_[KeyOf(session->token)] = session;
    return session->token;
}

std::shared_ptr<Session> SessionTable::Find(const std::string& token, int64_t nowMs) {
    if (token.size() != kTokenBytes * 2) return nullptr;
    const std::string key = KeyOf(token);
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = sessions_.find(key);
    if (it == sessions_.end()) return nullptr;
    const std::shared_ptr<Session>& session = it->second;
    if (session->token.size() != token.size() ||
        sodium_memcmp(session->token.data(), token.data(), token.size()) != 0) {
        return nullptr;
    }
    if (Expired(*session, nowMs)) {
        sessions_.erase(it);
        return nullptr;
    }
    session->lastUsedMs = nowMs;
    return session;
}

void SessionTable::Touch(Session& session, int64_t nowMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    session.lastUsedMs = std::max(session.lastUsedMs, nowMs);
}

void SessionTable::Remove(const std::string& token) {
    if (token.size() != kTokenBytes * 2) return;
    const std::string key = KeyOf(token);
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = sessions_.find(key);
    if (it != sessions_.end() &&
        sodium_memcmp(it->second->token.data(), token.data(), token.size()) == 0) {
        sessions_.erase(it);
    }
}

int SessionTable::Sweep(int64_t nowMs) {
    std::lock_guard<std::mutex> lock(mutex_);
    int removed = 0;
    for (auto it = sessions_.begin(); it != sessions_.end();) {
        if (Expired(*it->second, nowMs)) {
            it = sessions_.erase(it);
            ++removed;
        } else {
            ++it;
        }
    }
    return removed;
}

size_t SessionTable::Count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return sessions_.size();
}

}  // namespace zl::recnetd
