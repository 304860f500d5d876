// The lines shown under a report's table (the window's and reporter-cli's): the peak, the
// peak hour, the buckets without data, sites whose data ends early, the compared period.
#pragma once

#include <string>
#include <vector>

#include "query/InsightRun.h"

namespace zl {

// The texts come from the language strings (store/InsightStringIds.h).
std::vector<std::string> InsightLines(const ReportInsights& insights,
                                      const std::vector<CountRecord>& rows);

}  // namespace zl
