// The users file: one "name:hash" line per user, the hash an argon2id string of libsodium's
// crypto_pwhash_str; '#' starts a comment line. The server reads it at start and again
// whenever the file changes, so users can be added while it runs.
#pragma once

#include <sys/types.h>

#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace zl::recnetd {

// Letters, digits and . _ - @, 1 to 64 characters.
bool IsValidUserName(const std::string& name);

class UserStore {
  public:
    // How long a verified password is recognised without the slow hash.
    static constexpr int64_t kRememberMs = 10 * 60 * 1000;

    explicit UserStore(std::string path, int64_t rememberMs = kRememberMs);

    // Loads the file; a missing file is an empty list. False when it cannot be read.
    bool Load(std::string* error);
    // Reloads when the file's time or size changed since the last load.
    void ReloadIfChanged();
    size_t Count() const;

    // True when the user exists and the password matches. An unknown user costs the same
    // time as a known one: a dummy hash is checked instead.
    //
    // The argon2id check costs a large part of a second on a small server, at every log-in of
    // every short report. So a password that passed it is recognised for `rememberMs` by a
    // keyed BLAKE2b digest (the key random per process, the digest kept in memory only, never
    // the password) as long as the user's hash in the file is the one it was checked against.
    // Only the right password can be recognised: any other one takes the full check, so
    // guessing costs what it did.
    bool Verify(const std::string& user, const std::string& password, bool* knownUser = nullptr);
    // How many argon2id checks Verify made.
    uint64_t FullChecks() const;

    // Adds the user or replaces the password; the file is written atomically with mode 0600.
    static bool AddUser(const std::string& path, const std::string& user,
                        const std::string& password, std::string* error);
    // False with *error when the user does not exist.
    static bool RemoveUser(const std::string& path, const std::string& user, std::string* error);

  private:
    using Digest = std::array<unsigned char, 32>;
    struct Remembered {
        std::string hash;  // the user's hash it was checked against
        Digest digest{};
        int64_t untilMs = 0;
    };
    Digest DigestOf(const std::string& user, const std::string& password) const;

    std::string path_;
    int64_t rememberMs_;
    std::array<unsigned char, 32> key_{};
    mutable std::mutex mutex_;
    std::map<std::string, Remembered> remembered_;
    uint64_t fullChecks_ = 0;
    std::map<std::string, std::string> hashes_;
    time_t loadedTime_ = 0;
    long loadedTimeNs_ = 0;
    off_t loadedSize_ = -1;
};

// Hashes a password with argon2id (libsodium's interactive limits). Empty on failure.
std::string HashPassword(const std::string& password);

}  // namespace zl::recnetd
