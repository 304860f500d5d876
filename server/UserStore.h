// The users file: one "name:hash" line per user, the hash an argon2id string of libsodium's
// crypto_pwhash_str; '#' starts a comment line. The server reads it at start and again
// whenever the file changes, so users can be added while it runs.
#pragma once

#include <sys/types.h>

#include <map>
#include <mutex>
#include <string>

namespace zl::recnetd {

// Letters, digits and . _ - @, 1 to 64 characters.
bool IsValidUserName(const std::string& name);

class UserStore {
  public:
    explicit UserStore(std::string path);

    // Loads the file; a missing file is an empty list. False when it cannot be read.
    bool Load(std::string* error);
    // Reloads when the file's time or size changed since the last load.
    void ReloadIfChanged();
    size_t Count() const;

    // True when the user exists and the password matches. An unknown user costs the same
    // time as a known one: a dummy hash is checked instead.
    bool Verify(const std::string& user, const std::string& password, bool* knownUser = nullptr);

    // Adds the user or replaces the password; the file is written atomically with mode 0600.
    static bool AddUser(const std::string& path, const std::string& user,
                        const std::string& password, std::string* error);
    // False with *error when the user does not exist.
    static bool RemoveUser(const std::string& path, const std::string& user, std::string* error);

  private:
    std::string path_;
    mutable std::mutex mutex_;
    std::map<std::string, std::string> hashes_;
    time_t loadedTime_ = 0;
    long loadedTimeNs_ = 0;
    off_t loadedSize_ = -1;
};

// Hashes a password with argon2id (libsodium's interactive limits). Empty on failure.
std::string HashPassword(const std::string& password);

}  // namespace zl::recnetd
