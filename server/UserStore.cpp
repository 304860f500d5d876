#include "UserStore.h"

#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "SteadyClock.h"
#include "base/AtomicFile.h"

namespace zl::recnetd {

namespace {

// Checked for unknown users so that they cost the same time as known ones: an argon2id hash
// with the limits HashPassword uses, of a random password nobody kept. Checking it costs the
// same whatever the password; a constant spares the server a slow hash at start.
constexpr const char* kDummyHash =
    "$argon2id$v=19$m=65536,t=2,p=1$Lb+pY0R6vCdtPjl+nArPHg$"
    "bfHFpG/DfhjqjCKW1B5r0AdWCX5ttYmRKjvm5vPakcs";

struct FileLine {
    std::string text;
    std::string user;  // empty for comments and blank lines
    std::string hash;
};

bool ReadLines(const std::string& path, std::vector<FileLine>* lines, bool* exists,
               std::string* error) {
    lines->clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        struct stat st {};
        *exists = ::stat(path.c_str(), &st) == 0;
        if (*exists && error) *error = "cannot read the users file " + path;
        return !*exists;
    }
    *exists = true;
    std::string text;
    while (std::getline(in, text)) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        FileLine line{text, {}, {}};
        const auto colon = text.find(':');
        if (!text.empty() && text.front() != '#' && colon != std::string::npos) {
            line.user = text.substr(0, colon);
            line.hash = text.substr(colon + 1);
        }
        lines->push_back(std::move(line));
    }
    return true;
}

bool WriteLines(const std::string& path, const std::vector<FileLine>& lines, std::string* error) {
    // A new file is made with mode 0600 first; the atomic write keeps the mode it replaces.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (error) *error = "cannot create the users file " + path;
        return false;
    }
    ::close(fd);
    std::string data;
    for (const FileLine& line : lines) data += line.text + "\n";
    return WriteFileAtomically(path, data, error);
}

}  // namespace

bool IsValidUserName(const std::string& name) {
    if (name.empty() || name.size() > 64) return false;
    for (unsigned char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-' || c == '@';
        if (!ok) return false;
    }
    return true;
}

std::string HashPassword(const std::string& password) {
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, password.data(), password.size(),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
        return {};
    }
    return hash;
}

UserStore::UserStore(std::string path, int64_t rememberMs)
    : path_(std::move(path)), rememberMs_(rememberMs) {
    // libsodium is initialised by the server before any store exists; this keeps a store made
    // elsewhere (a test, a tool) safe too.
    if (sodium_init() < 0)
        rememberMs_ = 0;
    else
        randombytes_buf(key_.data(), key_.size());
}

UserStore::Digest UserStore::DigestOf(const std::string& user, const std::string& password) const {
    // The name and the password, each with its length, so no two pairs give the same input.
    crypto_generichash_state state;
    crypto_generichash_init(&state, key_.data(), key_.size(), 32);
    for (const std::string* part : {&user, &password}) {
        const uint64_t size = part->size();
        crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(&size),
                                  sizeof size);
        crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(part->data()),
                                  part->size());
    }
    Digest digest{};
    crypto_generichash_final(&state, digest.data(), digest.size());
    return digest;
}

uint64_t UserStore::FullChecks() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return fullChecks_;
}

bool UserStore::Load(std::string* error) {
    std::vector<FileLine> lines;
    bool exists = false;
    struct stat st {};
    const bool haveStat = ::stat(path_.c_str(), &st) == 0;
    if (!ReadLines(path_, &lines, &exists, error)) return false;
    std::map<std::string, std::string> hashes;
    for (const FileLine& line : lines) {
        if (IsValidUserName(line.user) && !line.hash.empty()) hashes[line.user] = line.hash;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    hashes_ = std::move(hashes);
    loadedTime_ = haveStat ? st.st_mtim.tv_sec : 0;
    loadedTimeNs_ = haveStat ? st.st_mtim.tv_nsec : 0;
    loadedSize_ = haveStat ? st.st_size : -1;
    return true;
}

void UserStore::ReloadIfChanged() {
    struct stat st {};
    const bool haveStat = ::stat(path_.c_str(), &st) == 0;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const bool same = haveStat
                              ? (st.st_mtim.tv_sec == loadedTime_ &&
                                 st.st_mtim.tv_nsec == loadedTimeNs_ && st.st_size == loadedSize_)
                              : loadedSize_ < 0;
        if (same) return;
    }
    std::string error;
    (void)Load(&error);  // a file that cannot be read keeps the users known so far
}

size_t UserStore::Count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return hashes_.size();
}

bool UserStore::Verify(const std::string& user, const std::string& password, bool* knownUser) {
    std::string hash;
    const Digest digest = DigestOf(user, password);
    const int64_t now = SteadyNowMs();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = hashes_.find(user);
        if (it != hashes_.end()) hash = it->second;
        const auto seen = remembered_.find(user);
        if (!hash.empty() && seen != remembered_.end() && seen->second.hash == hash &&
            now < seen->second.untilMs &&
            sodium_memcmp(seen->second.digest.data(), digest.data(), digest.size()) == 0) {
            if (knownUser) *knownUser = true;
            return true;
        }
        ++fullChecks_;
    }
    const bool known = !hash.empty();
    if (knownUser) *knownUser = known;
    const char* checked = known ? hash.c_str() : kDummyHash;
    const bool match = crypto_pwhash_str_verify(checked, password.data(), password.size()) == 0;
    if (known && match && rememberMs_ > 0) {
        std::lock_guard<std::mutex> lock(mutex_);
        remembered_[user] = {hash, digest, SteadyNowMs() + rememberMs_};
    }
    return known && match;
}

bool UserStore::AddUser(const std::string& path, const std::string& user,
                        const std::string& password, std::string* error) {
    if (!IsValidUserName(user)) {
        if (error) *error = "invalid user name (letters, digits, . _ - @; 1 to 64 characters)";
        return false;
    }
    if (password.empty()) {
        if (error) *error = "empty password";
        return false;
    }
    std::vector<FileLine> lines;
    bool exists = false;
    if (!ReadLines(path, &lines, &exists, error)) return false;
    const std::string hash = HashPassword(password);
    if (hash.empty()) {
        if (error) *error = "cannot hash the password (out of memory?)";
        return false;
    }
    bool replaced = false;
    for (FileLine& line : lines) {
        if (line.user == user) {
            line.hash = hash;
            line.text = user + ":" + hash;
            replaced = true;
        }
    }
    if (!replaced) lines.push_back({user + ":" + hash, user, hash});
    return WriteLines(path, lines, error);
}

bool UserStore::RemoveUser(const std::string& path, const std::string& user, std::string* error) {
    std::vector<FileLine> lines;
    bool exists = false;
    if (!ReadLines(path, &lines, &exists, error)) return false;
    std::vector<FileLine> kept;
    for (FileLine& line : lines) {
        if (line.user != user) kept.push_back(std::move(line));
    }
    if (kept.size() == lines.size()) {
        if (error) *error = "no such user: " + user;
        return false;
    }
    return WriteLines(path, kept, error);
}

}  // namespace zl::recnetd
