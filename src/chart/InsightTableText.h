// The insights in the result table's text: a mark instead of the values of a bucket without
// data, and with a comparison two more columns per shown value (the compared value and the
// change in per cent), totals included.
#pragma once

#include <array>
#include <string>

#include "chart/ReportTableText.h"
#include "query/InsightRun.h"

namespace zl {

struct InsightTableTexts {
    std::string noDataMark;       // "–"
    std::string comparedCaption;  // "%1 (before)"
    std::string changeCaption;    // "%1 change %"
    std::string closedMark;       // "closed", after the bucket of a closed day
};

// `text` as BuildReportTableText made it from `records` with `lineVisible`.
void AddInsightColumns(ReportTableText& text, const std::vector<CountRecord>& records,
                       const std::array<int, 10>& lineVisible, const ReportInsights& insights,
                       const InsightTableTexts& texts);

}  // namespace zl
