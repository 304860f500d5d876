// recnetd's configuration: an INI file with the sections [server], [data] and [limits].
// docs/recnet-protocol.md lists every key and its default.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zl::recnetd {

struct Limits {
    int statementTimeoutMs = 2000;                 // time limit of one statement
    int64_t maxRows = 100000;                      // rows per answer
    int64_t maxAnswerBytes = 16 * 1024 * 1024;     // column texts per answer
    int maxValueBytes = 1024 * 1024;               // one text or blob made by a statement
    int maxSqlBytes = 64 * 1024;                   // length of a statement text
    int maxConcurrentStatements = 4;               // statements running at once
    int maxQueuedStatements = 16;                  // statements waiting for a free slot
    int queueWaitMs = 2000;                        // how long a statement waits for a slot
    int maxConcurrentLogins = 2;                   // password checks at once
    int64_t sessionIdleMs = 30 * 60 * 1000;        // a session ends after this idle time
    int maxSessions = 256;                         // sessions at once
    int maxSessionsPerUser = 16;                   // sessions of one user at once
    int maxStatementsPerUser = 0;                  // statements of one user at once (0: 3/4)
    int userFailuresBeforeBackoff = 5;             // failed logins of one user name
    int addressFailuresBeforeBackoff = 20;         // failed logins from one address
    int backoffBaseMs = 1000;                      // first lock-out; doubles per further failure
    int backoffMaxMs = 60000;                      // longest lock-out
    int64_t heapLimitBytes = 512LL * 1024 * 1024;  // SQLite memory of the whole server
    int busyTimeoutMs = 2000;                      // wait for a device that is writing a file
};

enum class LogLevel { Debug = 0, Info = 1, Warn = 2, Error = 3 };

struct ServerConfig {
    std::string address = "0.0.0.0";
    int port = 700;
    std::string serverName;  // empty: the host name
    std::vector<std::string> dataRoots;
    std::string tlsCertFile;  // both set: TLS; both empty: plain
    std::string tlsKeyFile;
    std::string usersFile;  // default: recnetd.users beside the config file
    LogLevel logLevel = LogLevel::Info;
    Limits limits;
};

// Reads the file (relative paths in it are taken from the file's folder). False with *error
// when the file cannot be read or a value is out of range; a missing file is an error too.
bool LoadServerConfig(const std::string& path, ServerConfig* config, std::string* error);

// Checks ranges and required values (at least one data root, TLS files in pairs).
bool ValidateServerConfig(const ServerConfig& config, std::string* error);

// For --check: also that the files and folders the configuration names exist (the users
// file, the TLS certificate and key, every data root).
bool CheckServerFiles(const ServerConfig& config, std::string* error);

// Statements one user may run at once: the configured value, or three quarters of the slots
// (at least one), so that another user always finds a slot.
int StatementsPerUser(const Limits& limits);

bool ParseLogLevel(const std::string& text, LogLevel* level);

}  // namespace zl::recnetd
