// The chart model: defaults, refusals of bad indexes, clamping, and what WritePage does with
// the file and the host.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "ChartTestKit.h"
#include "base/AtomicFile.h"
#include "chart/HtmlChart.h"

namespace zl {

using namespace charttest;

namespace {

class HtmlChartTest : public ::testing::Test {
  protected:
    TempDir tmp;
};

TEST_F(HtmlChartTest, Defaults) {
    CHtmlChart chart;
    EXPECT_TRUE(chart.Labels().empty());
    EXPECT_EQ(chart.SeriesColor(0), 0x00FFFFC8u);
    EXPECT_EQ(chart.SeriesColor(63), 0x00FFFFC8u);
    EXPECT_EQ(chart.SeriesLabel(0), "Line In0");
    EXPECT_EQ(chart.SeriesLabel(1), "Line Out0");
    EXPECT_EQ(chart.SeriesLabel(62), "Line In31");
    EXPECT_EQ(chart.SeriesLabel(63), "Line Out31");
    EXPECT_EQ(chart.SeriesEnabled(5), 1);
    EXPECT_EQ(chart.YMax(), 10.0);
    EXPECT_EQ(chart.YSteps(), 0);
    EXPECT_EQ(chart.ShowGrid(), 1);
    EXPECT_EQ(chart.ShowValue(), 0);
    EXPECT_EQ(chart.TooltipMode(), 0);
    const CChartSeries& s = chart.Series(7);
    EXPECT_EQ(s.width, 2);
    EXPECT_EQ(s.type, 1);
    EXPECT_EQ(s.color, 0u);
    EXPECT_EQ(s.aux, 0);
}

TEST_F(HtmlChartTest, IndexOperationsRefuseIndexesOutsideTheSeries) {
    CHtmlChart chart;
    chart.SetLabel(0, "08");
    const std::vector<std::function<bool(int)>> ops = {
        [&](int i) { return chart.SetSeriesLabelAndColor(i, "x", 1); },
        [&](int i) { return chart.ClearSeries(i); },
        [&](int i) { return chart.SetSeriesColor(i, 1); },
        [&](int i) { return chart.SetSeriesWidth(i, 5); },
        [&](int i) { return chart.SetSeriesType(i, 2); },
        [&](int i) {
            int t = 0;
            return chart.GetSeriesType(i, &t);
        },
        [&](int i) { return chart.SetSeriesAux(i, 4); },
        [&](int i) { return chart.AddPoint(i, 1); },
        [&](int i) {
            int n = 0;
            return chart.GetPointCount(i, &n);
        },
        [&](int i) { return chart.SetSeriesEnabled(i, 0); },
    };
    for (size_t k = 0; k < ops.size(); ++k) {
        EXPECT_FALSE(ops[k](-1)) << k;
        EXPECT_FALSE(ops[k](64)) << k;
    }
    // Nothing changed, not even the labels that ClearSeries would empty.
    EXPECT_EQ(chart.Labels().size(), 1u);
    for (int i = 0; i < kChartSeriesCount; ++i) EXPECT_TRUE(chart.Series(i).points.empty());
    for (size_t k = 0; k < ops.size(); ++k) {
        EXPECT_TRUE(ops[k](0)) << k;
        EXPECT_TRUE(ops[k](63)) << k;
    }
}

TEST_F(HtmlChartTest, ClampsAndRefusals) {
    CHtmlChart chart;
    struct Width {
        int in, out;
    } widths[] = {{0, 1}, {-3, 1}, {1, 1}, {10, 10}, {11, 10}, {6, 6}};
    for (const auto& w : widths) {
        chart.SetSeriesWidth(3, w.in);
        EXPECT_EQ(chart.Series(3).width, w.out) << w.in;
    }
    struct Steps {
        int in, out;
    } steps[] = {{-5, 0}, {0, 0}, {10, 10}, {100, 100}, {101, 100}};
    for (const auto& s : steps) {
        EXPECT_TRUE(chart.SetYSteps(s.in));
        EXPECT_EQ(chart.YSteps(), s.out) << s.in;
    }
    EXPECT_TRUE(chart.SetYMax(1234));
    for (double bad : {0.0, -1.0, std::nan("")}) {
        EXPECT_FALSE(chart.SetYMax(bad)) << bad;
        EXPECT_EQ(chart.YMax(), 1234.0);
    }
    EXPECT_FALSE(chart.AddPoint(0, std::nan("")));
    EXPECT_FALSE(chart.AddPoint(0, INFINITY));
    EXPECT_TRUE(chart.Series(0).points.empty());
    EXPECT_FALSE(chart.SetLabel(-1, "x"));
    EXPECT_FALSE(chart.SetLabel(kMaxChartLabels, "x"));
}

TEST_F(HtmlChartTest, LabelsGrowAndClearSeriesEmptiesThem) {
    CHtmlChart chart;
    EXPECT_TRUE(chart.SetLabel(2, "02"));
    EXPECT_EQ(chart.Labels(), (std::vector<std::string>{"", "", "02"}));
    chart.AddPoint(4, 12.5);
    chart.AddPoint(5, 3);
    int n = 0;
    EXPECT_TRUE(chart.GetPointCount(4, &n));
    EXPECT_EQ(n, 1);
    EXPECT_TRUE(chart.ClearSeries(4));
    EXPECT_TRUE(chart.Series(4).points.empty());
    EXPECT_EQ(chart.Series(5).points.size(), 1u);  // other series keep their points
    EXPECT_TRUE(chart.Labels().empty());
}

TEST_F(HtmlChartTest, PairStyleSetsPageColoursButNotSeriesColours) {
    CHtmlChart chart;
    chart.SetPairStyle(1, 2, "a", "b", 3, 4, "c", "d", 0, 1);
    EXPECT_EQ(chart.SeriesColor(2), 3u);
    EXPECT_EQ(chart.SeriesLabel(3), "d");
    EXPECT_EQ(chart.Series(2).color, 0u);
    EXPECT_EQ(chart.ShowGrid(), 0);
    EXPECT_EQ(chart.ShowValue(), 1);
    chart.SetSeriesLabelAndColor(2, "e", 9);
    EXPECT_EQ(chart.Series(2).color, 9u);
    EXPECT_EQ(chart.SeriesColor(2), 9u);
}

TEST_F(HtmlChartTest, HostIsAskedToRedrawAndToCapture) {
    CHtmlChart chart;
    EXPECT_FALSE(chart.SaveBitmap("/x.bmp"));  // no window: nothing captured
    RecordingHost host;
    chart.SetHost(&host);
    chart.SetTitle("t");
    chart.SetYUnit("u");
    chart.SetSeriesEnabled(1, 0);
    chart.Redraw();
    EXPECT_EQ(host.redraws, 4);
    EXPECT_TRUE(chart.SaveBitmap("/x.bmp"));
    host.saveResult = false;
    EXPECT_FALSE(chart.SaveBitmap("/y.bmp"));  // a failed capture is reported
    EXPECT_EQ(host.saved, (std::vector<std::string>{"/x.bmp", "/y.bmp"}));
}

TEST_F(HtmlChartTest, WritePageNavigatesOnlyWhenASeriesHasPoints) {
    CHtmlChart chart;
    RecordingHost host;
    chart.SetHost(&host);
    const std::string data = chart.Folder() + "/LoadData.js";

    EXPECT_TRUE(chart.WritePage());
    EXPECT_TRUE(host.urls.empty());
    EXPECT_EQ(ReadFile(data), chart.LoadDataText());

    chart.AddPoint(9, 4);
    EXPECT_TRUE(chart.WritePage());
    ASSERT_EQ(host.urls.size(), 1u);
    EXPECT_EQ(host.urls[0], "file://" + chart.Folder() + "/ZLXChart.html");
    EXPECT_EQ(ReadFile(data), chart.LoadDataText());
}

TEST_F(HtmlChartTest, FailedWriteKeepsTheOldFileAndThePage) {
    CHtmlChart chart;
    RecordingHost host;
    chart.SetHost(&host);
    chart.AddPoint(0, 1);
    ASSERT_TRUE(chart.WritePage());
    const std::string before = ReadFile(chart.Folder() + "/LoadData.js");
    chart.SetTitle("new");
    zl::SetAtomicWriteFaultHook(
        [](zl::AtomicWriteStep s) { return s == zl::AtomicWriteStep::Write; });
    EXPECT_FALSE(chart.WritePage());
    zl::SetAtomicWriteFaultHook({});
    EXPECT_EQ(ReadFile(chart.Folder() + "/LoadData.js"), before);
    EXPECT_EQ(host.urls.size(), 1u);
}

}  // namespace

}  // namespace zl
