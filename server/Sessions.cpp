#include "Sessions.h"

#include <sodium.h>

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

SessionTable::SessionTable(int64_t idleMs, int maxSessions)
    : idleMs_(idleMs), maxSessions_(maxSessions) {}

std::string SessionTable::KeyOf(const std::string& token) {
    unsigned char digest[crypto_generichash_BYTES];
    crypto_generichash(digest, sizeof digest, reinterpret_cast<const unsigned char*>(token.data()),
                       token.size(), nullptr, 0);
    return Hex(digest, sizeof digest);
}

std::string SessionTable::Create(const std::string& user, int64_t nowMs) {
    unsigned char random[kTokenBytes];
    randombytes_buf(random, sizeof random);
    auto session = std::make_shared<Session>();
    session->user = user;
    session->token = Hex(random, sizeof random);
    session->lastUsedMs = nowMs;
    sodium_memzero(random, sizeof random);
    std::lock_guard<std::mutex> lock(mutex_);
    if (static_cast<int>(sessions_.size()) >= maxSessions_) {
        for (auto it = sessions_.begin(); it != sessions_.end();) {
            it = nowMs - it->second->lastUsedMs > idleMs_ ? sessions_.erase(it) : std::next(it);
        }
        if (static_cast<int>(sessions_.size()) >= maxSessions_) return {};
    }
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
    if (nowMs - session->lastUsedMs > idleMs_) {
        sessions_.erase(it);
        return nullptr;
    }
    session->lastUsedMs = nowMs;
    return session;
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
        if (nowMs - it->second->lastUsedMs > idleMs_) {
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
