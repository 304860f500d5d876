// Filling the chart from report tables: series per counter type, x labels and the y scale.
#include <gtest/gtest.h>

#include "ChartTestKit.h"
#include "chart/ChartFill.h"
#include "chart/HtmlChart.h"

namespace zl {

using namespace charttest;

namespace {

class ChartFillTest : public ::testing::Test {
  protected:
    TempDir tmp;
    CHtmlChart chart;
};

TEST_F(ChartFillTest, DayLabelsForHourAndQuarterBuckets) {
    std::vector<CountRecord> hours;
    for (int h = 0; h < 24; ++h) hours.push_back(Record(2024, 5, 6, h, 0, {1, 2}));
    FillChart(chart, hours, 1, 0, kRangeDay);
    ASSERT_EQ(chart.Labels().size(), 24u);
    EXPECT_EQ(chart.Labels()[0], "00");
    EXPECT_EQ(chart.Labels()[23], "23");

    std::vector<CountRecord> quarters;
    for (int m = 0; m < 75; m += 15)
        quarters.push_back(Record(2024, 5, 6, m / 60, m % 60, {1}, 15));
    FillChart(chart, quarters, 3, 0, kRangeDay);
    EXPECT_EQ(chart.Labels(), (std::vector<std::string>{"00", "00:15", "00:30", "00:45", "01"}));
}

TEST_F(ChartFillTest, WeekAndMonthLabelTheDay) {
    std::vector<CountRecord> days = {Record(2024, 4, 29, 0, 0, {1}), Record(2024, 4, 30, 0, 0, {1}),
                                     Record(2024, 5, 1, 0, 0, {1})};
    for (int range : {kRangeWeek, kRangeMonth}) {
        FillChart(chart, days, 3, 0, range);
        EXPECT_EQ(chart.Labels(), (std::vector<std::string>{"29", "30", "01"}));
    }
}

TEST_F(ChartFillTest, SeriesPerCounterType) {
    struct Case {
        int type, heightClass, series;
    } cases[] = {{1, 0, 2}, {1, 1, 2}, {2, 0, 2}, {2, 1, 6}, {2, 2, 2},
                 {3, 0, 1}, {4, 0, 1}, {5, 0, 4}, {6, 0, 8}, {7, 0, 1}};
    const CountRecord r = Record(2024, 5, 6, 8, 0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    for (const auto& c : cases) {
        chart.AddPoint(40, 1);  // a leftover of an earlier result
        FillChart(chart, {r, r}, c.type, c.heightClass, kRangeDay);
        for (int i = 0; i < kChartSeriesCount; ++i) {
            const size_t expected = i < c.series ? 2u : 0u;
            ASSERT_EQ(chart.Series(i).points.size(), expected)
                << "type " << c.type << " class " << c.heightClass << " series " << i;
            if (expected) {
                EXPECT_EQ(chart.Series(i).points[1], i + 1.0);
            }
        }
    }
}

TEST_F(ChartFillTest, YMaximumIsAtLeastFifty) {
    struct Case {
        std::vector<uint32_t> values;
        uint32_t chartMax;
        double yMax;
    } cases[] = {{{37, 2}, 37, 50},
                 {{3, 1234}, 1234, 1234},
                 {{50, 0}, 50, 50},
                 {{4000000000u, 1}, 4000000000u, 4000000000.0}};
    for (const auto& c : cases) {
        EXPECT_EQ(FillChart(chart, {Record(2024, 1, 1, 0, 0, c.values)}, 1, 0, kRangeDay),
                  c.chartMax);
        EXPECT_EQ(chart.YMax(), c.yMax);
        EXPECT_EQ(chart.YSteps(), 10);
    }
}

TEST_F(ChartFillTest, EmptyTableGivesNoPointsAndYMaximumFifty) {
    chart.AddPoint(0, 5);
    chart.SetLabel(0, "x");
    EXPECT_EQ(FillChart(chart, {}, 1, 0, kRangeDay), 0u);
    EXPECT_TRUE(chart.Series(0).points.empty());
    EXPECT_TRUE(chart.Labels().empty());
    EXPECT_EQ(chart.YMax(), 50.0);
}

}  // namespace

}  // namespace zl
