// Helpers shared by the chart tests: default settings, fabricated records, a recording host
// and a private temporary folder.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "chart/ChartHost.h"
#include "query/CountTable.h"
#include "store/ChartSettingsStore.h"

namespace zl {

namespace charttest {

// The settings of a counter type as a fresh installation has them.
inline ChartSettings DefaultSettings(int counterType) {
    CChartSettingsStore store;
    store.Reset();
    ChartSettings s;
    store.GetSettings(s, counterType);
    return s;
}

inline CountRecord Record(int year, int month, int day, int hour, int minute,
                          std::vector<uint32_t> values, int lengthMinutes = 60) {
    CountRecord r;
    r.fromYear = r.toYear = static_cast<uint16_t>(year);
    r.fromMonth = r.toMonth = static_cast<uint8_t>(month);
    r.fromDay = r.toDay = static_cast<uint8_t>(day);
    r.fromHour = static_cast<uint8_t>(hour);
    r.fromMinute = static_cast<uint8_t>(minute);
    const int end = hour * 60 + minute + lengthMinutes - 1;
    r.toHour = static_cast<uint8_t>(end / 60 % 24);
    r.toMinute = static_cast<uint8_t>(end % 60);
    r.toSecond = 59;
    for (size_t i = 0; i < values.size() && i < 10; ++i) r.values[i] = values[i];
    r.valueCount = static_cast<uint32_t>(values.size());
    return r;
}

// Joins lines, each ended by CR LF.
inline std::string Crlf(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += l + "\r\n";
    return out;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class RecordingHost : public IChartHost {
  public:
    void Navigate(const std::string& url) override { urls.push_back(url); }
    void Redraw() override { ++redraws; }
    bool SaveBitmap(const std::string& path) override {
        saved.push_back(path);
        return saveResult;
    }
    std::vector<std::string> urls;
    std::vector<std::string> saved;
    int redraws = 0;
    bool saveResult = true;
};

// A private folder for one test, removed afterwards; TMPDIR points into it while it lives so
// that page folders land there too.
// A temporary folder that is also $TMPDIR while it lives (the page folder is made below it).
class TempDir : public zl::testsupport::TempFolder {
  public:
    TempDir() {
        const char* old = std::getenv("TMPDIR");
        hadTmp_ = old != nullptr;
        if (old) oldTmp_ = old;
        setenv("TMPDIR", Path().c_str(), 1);
    }
    ~TempDir() {
        if (hadTmp_) {
            setenv("TMPDIR", oldTmp_.c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
    }

  private:
    std::string oldTmp_;
    bool hadTmp_ = false;
};

}  // namespace charttest

}  // namespace zl
