// A report with its insights in one run (one progress, one cancel): the report itself, the
// same report over the compared period and the coverage statements; then the peak and the
// alignment of the compared rows, from the result rows. The window and reporter-cli use it.
#pragma once

#include <string>
#include <vector>

#include "query/ClosedDays.h"
#include "query/Compare.h"
#include "query/Coverage.h"
#include "query/Peak.h"

namespace zl {

struct ReportInsights {
    int counterType = 0;
    int valueCount = 0;  // values of a record the report uses
    PeakResult peak;
    bool hasCoverage = false;
    ReportCoverage coverage;
    CompareMode mode = kCompareNone;
    SYSTEMTIME comparedDate{};
    std::vector<CountRecord> compared;
    std::vector<int> aligned;  // per current row: its compared row, -1 none
    // Closed days (Week and Month): marked, out of the averages and of the alignment.
    ClosedDays closedDays;
    std::vector<bool> closed;          // per current row
    std::vector<bool> comparedClosed;  // per compared row
};

// Runs the report into `tables`, the compared period (unless `insights->mode` is none) into
// tables of its own and, when `insights->hasCoverage`, measures the coverage of `sites`
// (`names` in the same order). The progress is never closed here: the run closes its display
// when it ends. Answers what RunQuery answers; a cancel anywhere gives kQueryFailed.
int RunReportWithInsights(const QueryParams& params, const std::vector<SiteRecord>& sites,
                          const std::vector<std::string>& names, IQueryProgress* progress,
                          IRetryPrompt* prompt, ReportInsights* insights,
                          const QueryTables& tables = QueryTables());

// The peak, the closed rows and the compared rows aligned with the report's `rows` (closed
// days of either period kept out of the alignment).
void CompleteInsights(const std::vector<CountRecord>& rows, const QueryParams& params,
                      int valueCount, ReportInsights* insights);

// Per row: true when the coverage says no measured site has a record in the bucket.
std::vector<bool> RowsWithoutData(const ReportInsights& insights,
                                  const std::vector<CountRecord>& rows);

}  // namespace zl
