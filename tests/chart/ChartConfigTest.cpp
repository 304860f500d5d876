// Configuration of the chart from the chart settings, for the counter types and filters.
#include <gtest/gtest.h>

#include "ChartTestKit.h"
#include "chart/ChartConfig.h"
#include "chart/HtmlChart.h"
#include "store/IString.h"

namespace zl {

using namespace charttest;

namespace {

class ChartConfigTest : public ::testing::Test {
  protected:
    TempDir tmp;
    CHtmlChart chart;
    std::array<int, 10> visible{1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

    void Apply(const ChartSelection& sel) {
        ApplyChartSettings(chart, DefaultSettings(sel.counterType), sel, "Seconds", &visible);
    }
};

TEST_F(ChartConfigTest, ViewDecidesTypeWidthAndColour) {
    ChartSettings s = DefaultSettings(1);
    s.line.inWidth[1] = 5;
    s.line.outColor[1] = 0x123456;
    s.bar.inWidth[1] = 9;
    s.bar.outColor[1] = 0x654321;
    struct Case {
        int view, type, width2;
        COLORREF colour3;
    } cases[] = {{0, 1, 5, 0x123456}, {1, 2, 9, 0x654321}, {2, 2, 2, kTableSeriesColor}};
    for (const auto& c : cases) {  // the table view keeps the type the bar view left
        for (int i = 0; i < kChartSeriesCount; ++i) ConfigureSeries(chart, i, s, c.view);
        EXPECT_EQ(chart.Series(2).type, c.type) << c.view;
        EXPECT_EQ(chart.Series(2).width, c.width2) << c.view;
        EXPECT_EQ(chart.Series(3).color, c.colour3) << c.view;
        EXPECT_EQ(chart.Series(3).aux, 4);
        EXPECT_EQ(chart.Series(63).aux, 4);
    }
}

TEST_F(ChartConfigTest, PeopleCounterTakesTitleRangeAndPairStyle) {
    ChartSelection sel;
    sel.range = 2;
    ChartSettings s = DefaultSettings(1);
    s.line.title = "Shop";
    s.bar.title = "ignored";
    s.line.gridNote = 1;
    ApplyChartSettings(chart, s, sel, "Seconds", &visible);
    EXPECT_EQ(chart.Title(), "Shop");
    EXPECT_EQ(chart.TooltipMode(), 2);
    EXPECT_EQ(chart.YUnit(), "");
    EXPECT_EQ(chart.SeriesLabel(0), "Inward");
    EXPECT_EQ(chart.SeriesLabel(3), "Outward 2");
    EXPECT_EQ(chart.SeriesLabel(4), "Line In2");
    EXPECT_EQ(chart.SeriesColor(1), 16744448u);
    EXPECT_EQ(chart.ShowValue(), 1);
}

TEST_F(ChartConfigTest, HeightClassesAddLimitsToTheLegend) {
    struct Case {
        int heightClass;
        std::vector<std::string> labels;
    } cases[] = {
        {1,
         {"Inward (h<120) ", "Outward (h<120) ", "Inward 2 (120<h<180) ", "Outward 2 (120<h<180) ",
          "Inward 3 (h>180) ", "Outward 3 (h>180) "}},
        // "Above" names the threshold its query uses, the lower (and only visible) one.
        {2, {"Inward 3 (h>120) ", "Outward 3 (h>120) ", "Inward 2", "Outward 2"}},
        {3, {"Inward (h<120) ", "Outward (h<120) ", "Inward 2", "Outward 2"}},
        {0, {"Inward", "Outward", "Inward 2", "Outward 2"}},
    };
    for (const auto& c : cases) {
        ChartSelection sel;
        sel.counterType = 2;
        sel.heightClass = c.heightClass;
        sel.heightLow = 120;
        sel.heightHigh = 180;
        Apply(sel);
        for (size_t i = 0; i < c.labels.size(); ++i) {
            EXPECT_EQ(chart.SeriesLabel(static_cast<int>(i)), c.labels[i])
                << "class " << c.heightClass << " series " << i;
        }
    }
    EXPECT_EQ(chart.SeriesColor(4), 8405056u);
}

TEST_F(ChartConfigTest, TrafficLabelsEightSeries) {
    ChartSelection sel;
    sel.counterType = 6;
    Apply(sel);
    const char* names[] = {"LargeIn", "LargeOut", "MediumIn",     "MediumOut",
                           "SmallIn", "SmallOut", "PedestrianIn", "PedestrianOut"};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(chart.SeriesLabel(i), names[i]);
    EXPECT_EQ(chart.Series(7).color, 0u);
    EXPECT_EQ(chart.SeriesColor(6), 33023u);
}

TEST_F(ChartConfigTest, QueueMeasureNamesTheSeriesAndTheUnit) {
    struct Case {
        int queueType;
        const char* label;
        const char* unit;
    } cases[] = {{0, "Count", ""},
                 {1, "Average Count", ""},
                 {2, "Service Time", "Seconds"},
                 {3, "Wait Time", "Seconds"}};
    for (const auto& c : cases) {
        ChartSelection sel;
        sel.counterType = 7;
        sel.queueType = c.queueType;
        Apply(sel);
        EXPECT_EQ(chart.SeriesLabel(0), c.label);
        EXPECT_EQ(chart.YUnit(), c.unit);
    }
}

TEST_F(ChartConfigTest, DirectionSetsEnableFlagsAndLineVisibility) {
    struct Case {
        int type, direction;
        std::vector<int> flags;  // series 0..7
    } cases[] = {
        {2, 1, {1, 0, 1, 0, 1, 0, 1, 1}},
        {2, 2, {0, 1, 0, 1, 0, 1, 1, 1}},
        {1, 2, {0, 1, 1, 1, 1, 1, 1, 1}},
        {2, 0, {1, 1, 1, 1, 1, 1, 1, 1}},
    };
    for (const auto& c : cases) {
        CHtmlChart fresh;
        visible.fill(1);
        ChartSelection sel;
        sel.counterType = c.type;
        sel.direction = c.direction;
        ApplyChartSettings(fresh, DefaultSettings(c.type), sel, "", &visible);
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(fresh.SeriesEnabled(i), c.flags[i])
                << c.type << "/" << c.direction << " " << i;
            EXPECT_EQ(visible[i], c.flags[i]) << c.type << "/" << c.direction << " " << i;
        }
    }
    // Other counter types leave the flags alone.
    visible.fill(1);
    ChartSelection flow;
    flow.counterType = 5;
    flow.direction = 1;
    Apply(flow);
    EXPECT_EQ(chart.SeriesEnabled(1), 1);
    EXPECT_EQ(visible[1], 1);
}

TEST_F(ChartConfigTest, StoreVersionTakesSettingsAndUnitFromTheStores) {
    CChartSettingsStore* store = CChartSettingsStore::Instance();
    store->Reset();
    ChartSettings s;
    store->GetSettings(s, 7);
    s.line.title = "Queue";
    store->SetSettings(s, 7);
    IString::Instance()->SetFile(ZL_LANG_FILE);
    ChartSelection sel;
    sel.counterType = 7;
    sel.queueType = 3;
    ApplyChartSettingsFromStore(chart, sel, nullptr);
    EXPECT_EQ(chart.Title(), "Queue");
    EXPECT_EQ(chart.SeriesLabel(0), "Wait Time");
    EXPECT_EQ(chart.YUnit(), "Seconds");
    store->Reset();
}

}  // namespace

}  // namespace zl
