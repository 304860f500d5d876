// Helpers of the CSV and XML writer tests: rows, a temporary folder, reading a file back.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TempFolder.h"
#include "query/CountTable.h"

namespace zl {

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

using zl::testsupport::TempFolder;

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace zl
