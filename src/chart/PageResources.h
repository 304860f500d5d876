// The chart page files compiled into the program at build time (see src/chart/CMakeLists.txt):
// "ZLXChart.html", "ZLXChart.js" (Chart.js 1.0.2 with our extension) and "ZLXChart1.js".
#pragma once

#include <cstddef>
#include <string>

namespace zl {

struct EmbeddedFile {
    const char* name;
    const unsigned char* data;
    size_t size;
};

// Defined by the generated source.
extern const EmbeddedFile kChartPageFiles[];
extern const size_t kChartPageFiles_count;

// The page file of that name, or null.
const EmbeddedFile* FindChartPageFile(const std::string& name);

}  // namespace zl
