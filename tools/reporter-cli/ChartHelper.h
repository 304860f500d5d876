// Starting the picture helper (reporter-chart, next to the running program) and waiting for it.
#pragma once

#include <string>
#include <vector>

namespace zl {

// The helper's path: $ZL_REPORTER_CHART when set, else "reporter-chart" in the folder of the
// running program.
std::string ChartHelperPath();

// Runs the helper for one picture (or, with "--pdf REPORT.json" among `options`, the PDF
// report); true when it wrote the file, else *error holds its message.
bool RunChartHelper(const std::string& folder, int width, int height, const std::string& output,
                    const std::vector<std::string>& options, std::string* error);

}  // namespace zl
