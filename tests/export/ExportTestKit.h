// Helpers of the CSV and XML writer tests: rows, a temporary folder, reading a file back.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "query/CountTable.h"

inline CountRecord ExportRow(int fromHour, int toHour, std::vector<uint32_t> values) {
    CountRecord r;
    r.fromYear = r.toYear = 2024;
    r.fromMonth = r.toMonth = 5;
    r.fromDay = r.toDay = 1;
    r.fromHour = static_cast<uint8_t>(fromHour);
    r.toHour = static_cast<uint8_t>(toHour);
    for (size_t i = 0; i < values.size(); ++i) r.values[i] = values[i];
    r.valueCount = static_cast<uint32_t>(values.size());
    return r;
}

// The two rows of the documented example.
inline std::vector<CountRecord> ExampleRows() {
    return {ExportRow(8, 9, {12, 9}), ExportRow(9, 10, {3, 4})};
}

class ExportTempDir {
  public:
    ExportTempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zlexportXXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~ExportTempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    size_t Entries() const {
        size_t n = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(path_)) ++n;
        return n;
    }

  private:
    std::string path_;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}
