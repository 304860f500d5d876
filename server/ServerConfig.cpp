#include "ServerConfig.h"

#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "base/Profile.h"

namespace zl::recnetd {

namespace {

constexpr const char* kServer = "server";
constexpr const char* kData = "data";
constexpr const char* kLimits = "limits";
constexpr int kMaxRoots = 64;

// The absolute folder of the config file, so that relative paths in it do not depend on the
// working directory.
std::string FolderOf(const std::string& path) {
    char* real = ::realpath(path.c_str(), nullptr);
    std::string full = real ? real : path;
    std::free(real);
    const auto pos = full.find_last_of('/');
    if (pos == std::string::npos) return ".";
    return pos == 0 ? "/" : full.substr(0, pos);
}

std::string Resolve(const std::string& folder, const std::string& path) {
    if (path.empty() || path.front() == '/') return path;
    return folder + "/" + path;
}

// Reads a 64-bit number; the whole value must be digits.
bool ReadNumber(const ProfileFile& file, const char* key, int64_t min, int64_t max, int64_t* value,
                std::string* error) {
    if (!file.Has(kLimits, key)) return true;
    const std::string text = file.GetString(kLimits, key, "");
    char* end = nullptr;
    errno = 0;
    const long long number = std::strtoll(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || number < min || number > max) {
        *error = std::string("[limits] ") + key + ": expected a number from " +
                 std::to_string(min) + " to " + std::to_string(max) + ", found \"" + text + "\"";
        return false;
    }
    *value = number;
    return true;
}

bool ReadInt(const ProfileFile& file, const char* key, int min, int max, int* value,
             std::string* error) {
    int64_t number = *value;
    if (!ReadNumber(file, key, min, max, &number, error)) return false;
    *value = static_cast<int>(number);
    return true;
}

constexpr const char* kLimitKeys[] = {"statement_timeout_ms",
                                      "max_rows",
                                      "max_answer_bytes",
                                      "max_value_bytes",
                                      "max_sql_bytes",
                                      "max_concurrent_statements",
                                      "max_queued_statements",
                                      "queue_wait_ms",
                                      "max_concurrent_logins",
                                      "session_idle_seconds",
                                      "max_sessions",
                                      "max_sessions_per_user",
                                      "max_statements_per_user",
                                      "user_failures_before_backoff",
                                      "address_failures_before_backoff",
                                      "backoff_base_ms",
                                      "backoff_max_ms",
                                      "heap_limit_mb",
                                      "busy_timeout_ms"};
constexpr const char* kServerKeys[] = {"address", "port",       "name",     "tls_cert",
                                       "tls_key", "users_file", "log_level"};

bool IsOneOf(const std::string& key, const auto& names) {
    for (const char* name : names) {
        if (strcasecmp(key.c_str(), name) == 0) return true;
    }
    return false;
}

// A misspelt key would silently leave its default in place: refuse it instead.
bool CheckKnownKeys(const ProfileFile& file, std::string* error) {
    for (const std::string& key : file.KeyNames(kLimits)) {
        if (!IsOneOf(key, kLimitKeys)) {
            *error = "[limits] unknown key \"" + key + "\"";
            return false;
        }
    }
    for (const std::string& key : file.KeyNames(kServer)) {
        if (!IsOneOf(key, kServerKeys)) {
            *error = "[server] unknown key \"" + key + "\"";
            return false;
        }
    }
    return true;
}

bool Exists(const std::string& path, bool folder) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && (folder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode));
}

}  // namespace

int StatementsPerUser(const Limits& limits) {
    if (limits.maxStatementsPerUser > 0) return limits.maxStatementsPerUser;
    return std::max(1, limits.maxConcurrentStatements - limits.maxConcurrentStatements / 4);
}

bool CheckServerFiles(const ServerConfig& config, std::string* error) {
    if (!Exists(config.usersFile, false)) {
        *error = "the users file " + config.usersFile +
                 " does not exist (add a user with recnetd --add-user NAME)";
        return false;
    }
    for (const std::string* tls : {&config.tlsCertFile, &config.tlsKeyFile}) {
        if (!tls->empty() && !Exists(*tls, false)) {
            *error = "the TLS file " + *tls + " does not exist";
            return false;
        }
    }
    for (const std::string& root : config.dataRoots) {
        if (!Exists(root, true)) {
            *error = "the data root " + root + " is not a folder";
            return false;
        }
    }
    return true;
}

bool ParseLogLevel(const std::string& text, LogLevel* level) {
    static const struct {
        const char* name;
        LogLevel level;
    } kLevels[] = {{"debug", LogLevel::Debug},
                   {"info", LogLevel::Info},
                   {"warn", LogLevel::Warn},
                   {"warning", LogLevel::Warn},
                   {"error", LogLevel::Error}};
    for (const auto& entry : kLevels) {
        if (strcasecmp(text.c_str(), entry.name) == 0) {
            *level = entry.level;
            return true;
        }
    }
    return false;
}

bool LoadServerConfig(const std::string& path, ServerConfig* config, std::string* error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = "cannot read the config file " + path;
        return false;
    }
    ProfileFile file(path);
    if (!file.Load()) {
        *error = "cannot read the config file " + path;
        return false;
    }
    const std::string folder = FolderOf(path);
    ServerConfig out;
    out.address = file.GetString(kServer, "address", out.address);
    if (file.Has(kServer, "port")) {
        int64_t port = 0;
        const std::string text = file.GetString(kServer, "port", "");
        char* end = nullptr;
        port = std::strtoll(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0' || port < 0 || port > 65535) {
            *error = "[server] port: expected 0 to 65535, found \"" + text + "\"";
            return false;
        }
        out.port = static_cast<int>(port);
    }
    out.serverName = file.GetString(kServer, "name", "");
    out.tlsCertFile = Resolve(folder, file.GetString(kServer, "tls_cert", ""));
    out.tlsKeyFile = Resolve(folder, file.GetString(kServer, "tls_key", ""));
    out.usersFile = Resolve(folder, file.GetString(kServer, "users_file", "recnetd.users"));
    const std::string level = file.GetString(kServer, "log_level", "info");
    if (!ParseLogLevel(level, &out.logLevel)) {
        *error = "[server] log_level: expected debug, info, warn or error, found \"" + level + "\"";
        return false;
    }

    // Data roots: "root", then "root1" ... "root64", in that order.
    std::vector<std::string> keys{"root"};
    for (int i = 1; i <= kMaxRoots; ++i) keys.push_back("root" + std::to_string(i));
    for (const std::string& key : keys) {
        const std::string root = file.GetString(kData, key, "");
        if (!root.empty()) out.dataRoots.push_back(Resolve(folder, root));
    }

    if (!CheckKnownKeys(file, error)) return false;
    Limits& l = out.limits;
    int64_t idleSeconds = l.sessionIdleMs / 1000;
    int64_t heapMb = l.heapLimitBytes / (1024 * 1024);
    if (!ReadInt(file, "statement_timeout_ms", 10, 600000, &l.statementTimeoutMs, error) ||
        !ReadNumber(file, "max_rows", 1, 1000000000, &l.maxRows, error) ||
        !ReadNumber(file, "max_answer_bytes", 1024, 1LL << 32, &l.maxAnswerBytes, error) ||
        !ReadInt(file, "max_value_bytes", 1024, 256 * 1024 * 1024, &l.maxValueBytes, error) ||
        !ReadInt(file, "max_sql_bytes", 256, 16 * 1024 * 1024, &l.maxSqlBytes, error) ||
        !ReadInt(file, "max_concurrent_statements", 1, 256, &l.maxConcurrentStatements, error) ||
        !ReadInt(file, "max_queued_statements", 0, 4096, &l.maxQueuedStatements, error) ||
        !ReadInt(file, "queue_wait_ms", 0, 600000, &l.queueWaitMs, error) ||
        !ReadInt(file, "max_concurrent_logins", 1, 64, &l.maxConcurrentLogins, error) ||
        !ReadNumber(file, "session_idle_seconds", 1, 7 * 24 * 3600, &idleSeconds, error) ||
        !ReadInt(file, "max_sessions", 1, 100000, &l.maxSessions, error) ||
        !ReadInt(file, "max_sessions_per_user", 1, 100000, &l.maxSessionsPerUser, error) ||
        !ReadInt(file, "max_statements_per_user", 0, 256, &l.maxStatementsPerUser, error) ||
        !ReadInt(file, "user_failures_before_backoff", 1, 1000, &l.userFailuresBeforeBackoff,
                 error) ||
        !ReadInt(file, "address_failures_before_backoff", 1, 100000,
                 &l.addressFailuresBeforeBackoff, error) ||
        !ReadInt(file, "backoff_base_ms", 1, 3600000, &l.backoffBaseMs, error) ||
        !ReadInt(file, "backoff_max_ms", 1, 86400000, &l.backoffMaxMs, error) ||
        !ReadNumber(file, "heap_limit_mb", 16, 1 << 20, &heapMb, error) ||
        !ReadInt(file, "busy_timeout_ms", 0, 600000, &l.busyTimeoutMs, error)) {
        return false;
    }
    l.sessionIdleMs = idleSeconds * 1000;
    l.heapLimitBytes = heapMb * 1024 * 1024;
    if (!ValidateServerConfig(out, error)) return false;
    *config = std::move(out);
    return true;
}

bool ValidateServerConfig(const ServerConfig& config, std::string* error) {
    if (config.address.empty()) {
        *error = "[server] address is empty";
        return false;
    }
    if (config.port < 0 || config.port > 65535) {
        *error = "[server] port out of range";
        return false;
    }
    if (config.dataRoots.empty()) {
        *error = "[data] no data root (key root)";
        return false;
    }
    for (const std::string& root : config.dataRoots) {
        if (root.empty() || root.front() != '/') {
            *error = "[data] a data root must be an absolute path: " + root;
            return false;
        }
    }
    if (config.tlsCertFile.empty() != config.tlsKeyFile.empty()) {
        *error = "[server] tls_cert and tls_key must be given together";
        return false;
    }
    if (config.usersFile.empty()) {
        *error = "[server] users_file is empty";
        return false;
    }
    const Limits& l = config.limits;
    if (l.statementTimeoutMs < 1 || l.maxRows < 1 || l.maxAnswerBytes < 1 || l.maxValueBytes < 1 ||
        l.maxSqlBytes < 1 || l.maxConcurrentStatements < 1 || l.maxQueuedStatements < 0 ||
        l.queueWaitMs < 0 || l.maxConcurrentLogins < 1 || l.sessionIdleMs < 1 ||
        l.maxSessions < 1 || l.maxSessionsPerUser < 1 || l.maxStatementsPerUser < 0 ||
        l.userFailuresBeforeBackoff < 1 || l.addressFailuresBeforeBackoff < 1 ||
        l.backoffBaseMs < 1 || l.backoffMaxMs < l.backoffBaseMs || l.heapLimitBytes < 1 ||
        l.busyTimeoutMs < 0) {
        *error =
            "[limits] a limit is out of range (backoff_max_ms must not be below "
            "backoff_base_ms)";
        return false;
    }
    return true;
}

}  // namespace zl::recnetd
