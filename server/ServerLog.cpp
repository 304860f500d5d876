#include "ServerLog.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "SteadyClock.h"

namespace zl::recnetd {

ServerLog::ServerLog(LogLevel level, Sink sink) : level_(level), sink_(std::move(sink)) {}

void ServerLog::Write(LogLevel level, const std::string& text) {
    if (!Enabled(level)) return;
    static const char* const kNames[] = {"DEBUG", "INFO ", "WARN ", "ERROR"};
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char stamp[96];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(ms));
    const std::string line =
        std::string(stamp) + " " + kNames[static_cast<int>(level)] + " " + text;
    std::lock_guard<std::mutex> lock(mutex_);
    if (sink_) {
        sink_(line);
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
        std::fflush(stderr);
    }
}

void ServerLog::Limited(LogLevel level, const std::string& key, const std::string& text) {
    if (!Enabled(level)) return;
    const int64_t now = SteadyNowMs();
    int64_t leftOut = 0;
    {
        std::lock_guard<std::mutex> lock(kindsMutex_);
        // Kinds are few (one per refusal and address); an attacker with many addresses only
        // makes the table start again.
        if (kinds_.size() >= 4096 && kinds_.find(key) == kinds_.end()) kinds_.clear();
        auto [it, fresh] = kinds_.try_emplace(key);
        Kind& kind = it->second;
        if (!fresh && now - kind.lastMs < kLimitIntervalMs) {
            ++kind.leftOut;
            return;
        }
        leftOut = kind.leftOut;
        kind.leftOut = 0;
        kind.lastMs = now;
    }
    Write(level, leftOut == 0 ? text
                              : text + " (and " + std::to_string(leftOut) +
                                    " more like it since the last such line)");
}

std::string LogText(const std::string& text, size_t maxLength) {
    std::string out;
    out.reserve(std::min(text.size(), maxLength) + 3);
    for (size_t i = 0; i < text.size() && i < maxLength; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        out += (c < 0x20 || c == 0x7f) ? '?' : static_cast<char>(c);
    }
    if (text.size() > maxLength) out += "...";
    return out;
}

}  // namespace zl::recnetd
