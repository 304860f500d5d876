// The server's log: one line per event on standard error (or a sink that tests install),
// "2024-03-05T10:15:00.123Z INFO  text". Never give it a password or a session token.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "ServerConfig.h"

namespace zl::recnetd {

class ServerLog {
  public:
    using Sink = std::function<void(const std::string& line)>;

    explicit ServerLog(LogLevel level = LogLevel::Info, Sink sink = {});

    void Write(LogLevel level, const std::string& text);
    void Debug(const std::string& text) { Write(LogLevel::Debug, text); }
    void Info(const std::string& text) { Write(LogLevel::Info, text); }
    void Warn(const std::string& text) { Write(LogLevel::Warn, text); }
    void Error(const std::string& text) { Write(LogLevel::Error, text); }
    bool Enabled(LogLevel level) const { return level >= level_; }

    // Writes a line of one kind (key) at most once per interval; the next line written of
    // that kind says how many were left out. For events a client can repeat at will.
    void Limited(LogLevel level, const std::string& key, const std::string& text);

    static constexpr int64_t kLimitIntervalMs = 10000;

  private:
    struct Kind {
        int64_t lastMs = 0;
        int64_t leftOut = 0;
    };
    LogLevel level_;
    Sink sink_;
    std::mutex mutex_;
    std::mutex kindsMutex_;
    std::map<std::string, Kind> kinds_;
};

// A text shown in a log line: control characters become '?', long texts are cut.
std::string LogText(const std::string& text, size_t maxLength = 200);

}  // namespace zl::recnetd
