// The report insights on a filled chart: buckets without data as gaps in the lines (not as
// 0), the compared period as dashed, lighter copies of the series, and the peak as a marker.
#pragma once

#include <string>
#include <vector>

#include "query/InsightRun.h"

namespace zl {

class CHtmlChart;

struct ChartInsightData {
    std::vector<bool> noData;           // per row of the report
    std::vector<CountRecord> compared;  // rows of the compared period
    std::vector<int> aligned;           // per row: its compared row, -1 none
    std::string comparedLabel;          // "%1 (before)": %1 is the series' label
    int peakRow = -1;                   // -1: no marker
    std::string peakText;
};

// After FillChart and the chart settings: `series` is the number of series the report fills
// (ChartSeriesOfType). Gaps on a line or bar chart alike; compared series take the indexes after
// the report's own, with their colours, widths and enabled flags; the y maximum grows to hold them.
void ApplyChartInsights(CHtmlChart& chart, int series, const ChartInsightData& data);

// What the chart shows of a report's insights: gaps where no site has data, the compared rows
// (labels "<series> (before)" from the language texts) and the peak marker (the traffic
// volume's peak where there is one).
ChartInsightData ChartInsightsOf(const ReportInsights& insights,
                                 const std::vector<CountRecord>& rows);

}  // namespace zl
