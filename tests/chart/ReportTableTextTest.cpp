// The result table as text: rows, totals row and the Direction filter.
#include <gtest/gtest.h>

#include "ChartTestKit.h"
#include "chart/ReportTableText.h"

namespace zl {

using namespace charttest;

namespace {

using Rows = std::vector<std::vector<std::string>>;

TEST(ReportTableText, RowsAndTotals) {
    const ChartSettings s = DefaultSettings(1);
    ColumnSelection sel;
    const std::array<int, 10> all{1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    const auto t =
        BuildReportTableText({Record(2024, 3, 4, 8, 0, {12, 5}), Record(2024, 3, 4, 9, 0, {7, 9})},
                             s.line, sel, all, "Total");
    EXPECT_EQ(t.valueCaptions, (std::vector<std::string>{"Inward", "Outward"}));
    EXPECT_EQ(t.captionLines, 1);
    EXPECT_TRUE(t.hasTotals);
    EXPECT_EQ(t.rows, (Rows{{"1", "2024/03/04 08:00:00-2024/03/04 08:59:59", "12", "5"},
                            {"2", "2024/03/04 09:00:00-2024/03/04 09:59:59", "7", "9"},
                            {"3", "Total", "19", "14"}}));
}

TEST(ReportTableText, DirectionInShowsOnlyInColumnsAlsoInTheTotals) {
    const ChartSettings s = DefaultSettings(2);
    ColumnSelection sel;
    sel.counterType = 2;
    sel.heightClass = 1;
    sel.heightLow = 110;
    sel.heightHigh = 150;
    const std::array<int, 10> in{1, 0, 1, 0, 1, 0, 1, 1, 1, 1};
    const auto t = BuildReportTableText({Record(2024, 3, 4, 8, 0, {1, 2, 3, 4, 5, 6})}, s.line, sel,
                                        in, "Total");
    EXPECT_EQ(t.valueCaptions,
              (std::vector<std::string>{"Inward\n(h<110)", "Inward 2\n(110<=h<=150)",
                                        "Inward 3\n(h>150)"}));
    EXPECT_EQ(t.captionLines, 2);
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(t.rows[0], (std::vector<std::string>{"1", t.rows[0][1], "1", "3", "5"}));
    EXPECT_EQ(t.rows[1], (std::vector<std::string>{"2", "Total", "1", "3", "5"}));
}

TEST(ReportTableText, ValuesWithoutAColumnAreLeftOut) {
    // A 2D counter with the three-class height filter has six values but two columns.
    const std::array<int, 10> all{1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    ColumnSelection sel;
    sel.heightClass = 1;
    const auto t = BuildReportTableText({Record(2024, 3, 4, 8, 0, {1, 2, 3, 4, 5, 6})},
                                        DefaultSettings(1).line, sel, all, "Total");
    EXPECT_EQ(t.rows[0].size(), 4u);
}

TEST(ReportTableText, EmptyResultHasNoRowsAndNoTotals) {
    const std::array<int, 10> all{1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    const auto t =
        BuildReportTableText({}, DefaultSettings(7).line, ColumnSelection{7}, all, "Total");
    EXPECT_TRUE(t.rows.empty());
    EXPECT_FALSE(t.hasTotals);
    EXPECT_EQ(t.valueCaptions.size(), 1u);
}

TEST(ReportTableText, TotalsDoNotWrapAround) {
    const std::array<int, 10> all{1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    ColumnSelection sel;
    sel.counterType = 3;
    const auto t = BuildReportTableText(
        {Record(2024, 3, 4, 0, 0, {4000000000u}), Record(2024, 3, 5, 0, 0, {4000000000u})},
        DefaultSettings(3).line, sel, all, "Total");
    EXPECT_EQ(t.rows.back()[2], "8000000000");
}

}  // namespace

}  // namespace zl
