// The insights on the chart data file and in the table text: gaps as null points, compared
// series dashed and lighter, the peak marker, the no-data mark, compared columns and closed
// days. A chart without insights keeps its data file byte for byte.
#include <gtest/gtest.h>

#include "chart/ChartFill.h"
#include "chart/ChartInsights.h"
#include "chart/HtmlChart.h"
#include "chart/InsightTableText.h"
#include "chart/LoadData.h"

namespace zl {

namespace {

CountRecord Day(int day, uint32_t in, uint32_t out) {
    CountRecord r;
    r.fromYear = r.toYear = 2024;
    r.fromMonth = r.toMonth = 3;
    r.fromDay = r.toDay = static_cast<uint8_t>(day);
    r.toHour = 23;
    r.toMinute = r.toSecond = 59;
    r.kind = kRangeMonth;
    r.values[0] = in;
    r.values[1] = out;
    r.valueCount = 2;
    return r;
}

TEST(ChartInsights, GapsDashedSeriesAndMarkerInTheDataFile) {
    const std::vector<CountRecord> rows{Day(1, 10, 9), Day(2, 0, 0), Day(3, 30, 20)};
    CHtmlChart chart;
    FillChart(chart, rows, 1, 0, kRangeMonth);
    const std::string plain = BuildLoadData(chart);
    EXPECT_EQ(plain.find("zlx"), std::string::npos);  // nothing new without insights
    EXPECT_EQ(plain.find("null"), std::string::npos);

    ChartInsightData data;
    data.noData = {false, true, false};
    data.compared = {Day(1, 5, 4), Day(2, 60, 50)};
    data.aligned = {0, 1, -1};
    data.comparedLabel = "%1 (before)";
    data.peakRow = 2;
    data.peakText = "Peak \"30\"";
    chart.SetSeriesLabelAndColor(0, "In", 0x0000FF);
    ApplyChartInsights(chart, 2, data);
    ApplyChartInsights(chart, 2, data);  // drawn again: nothing doubles
    const std::string text = BuildLoadData(chart);
    EXPECT_NE(text.find("data : [10,null,30]"), std::string::npos) << text;
    EXPECT_NE(
        text.find("label : \"In (before)\",\r\n\t\t\t\tpointDotRadius : 2,\r\n\t\t\t\tzlxDash "
                  ": true,\r\n"),
        std::string::npos)
        << text;
    EXPECT_NE(text.find("strokeColor : \"rgba(255,0,0,0.4)\""), std::string::npos);
    EXPECT_NE(text.find("data : [5,60,null]"), std::string::npos);  // the third has no partner
    EXPECT_NE(text.find("zlxMarker : {index : 2, text : \"Peak \\\"30\\\"\"},\r\n"),
              std::string::npos);
    EXPECT_GE(chart.YMax(), 60.0);
    // A bar chart has the same gaps (no bar there, not a bar of 0) and the marker.
    CHtmlChart bars;
    FillChart(bars, rows, 1, 0, kRangeMonth);
    bars.SetSeriesType(0, 2);
    ApplyChartInsights(bars, 2, data);
    const std::string barText = BuildLoadData(bars);
    EXPECT_NE(barText.find("data : [10,null,30]"), std::string::npos) << barText;
    EXPECT_NE(barText.find("data : [5,60,null]"), std::string::npos) << barText;
    EXPECT_NE(barText.find("zlxMarker : {index : 2"), std::string::npos) << barText;
}

TEST(ChartInsights, TableMarksNoDataClosedDaysAndAddsComparedColumns) {
    const std::vector<CountRecord> rows{Day(1, 10, 9), Day(2, 0, 0), Day(3, 30, 20)};
    ReportTableText text;
    text.valueCaptions = {"In", "Out"};
    for (size_t i = 0; i < rows.size(); ++i)
        text.rows.push_back({std::to_string(i + 1), "bucket", std::to_string(rows[i].values[0]),
                             std::to_string(rows[i].values[1])});
    text.rows.push_back({"4", "Total", "40", "29"});
    text.hasTotals = true;

    ReportInsights insights;
    insights.hasCoverage = true;
    insights.coverage.measured = true;
    for (const CountRecord& r : rows) insights.coverage.buckets.push_back({r.From(), r.To()});
    insights.coverage.total.resize(3);
    insights.coverage.total[0].any = insights.coverage.total[2].any = true;
    insights.mode = kComparePrevious;
    insights.compared = {Day(1, 8, 9), Day(2, 0, 0), Day(3, 0, 5)};
    insights.aligned = {0, 1, 2};
    insights.closed = {false, false, true};
    AddInsightColumns(text, rows, {1, 1, 0, 0, 0, 0, 0, 0, 0, 0}, insights,
                      {"-", "%1 (before)", "%1 change %", "closed"});
    EXPECT_EQ(text.valueCaptions,
              (std::vector<std::string>{"In", "Out", "In (before)", "Out (before)", "In change %",
                                        "Out change %"}));
    EXPECT_EQ(text.rows[0],
              (std::vector<std::string>{"1", "bucket", "10", "9", "8", "9", "+25.0", "+0.0"}));
    EXPECT_EQ(text.rows[1], (std::vector<std::string>{"2", "bucket", "-", "-", "0", "0", "", ""}));
    EXPECT_EQ(text.rows[2][1], "bucket (closed)");
    EXPECT_EQ(text.rows[2][6], "");  // from 0: no change in per cent
    EXPECT_EQ(text.rows[3],
              (std::vector<std::string>{"4", "Total", "40", "29", "8", "14", "+400.0", "+107.1"}));
}

}  // namespace

}  // namespace zl
