// The data file of the chart page, byte for byte, for the results the window shows.
#include <gtest/gtest.h>

#include <fstream>

#include "ChartTestKit.h"
#include "base/TextCodec.h"
#include "chart/ChartConfig.h"
#include "chart/ChartFill.h"
#include "chart/HtmlChart.h"
#include "chart/LoadData.h"
#include "store/ChartSettingsStore.h"

namespace zl {

using namespace charttest;

namespace {

// The series lines of one data set, as the file has them.
std::vector<std::string> Dataset(const std::string& label, int radius, const std::string& rgb,
                                 const std::string& data, bool more) {
    return {"\t\t\t{",
            "\t\t\t\tlabel : \"" + label + "\",",
            "\t\t\t\tpointDotRadius : " + std::to_string(radius) + ",",
            "\t\t\t\tfillColor : \"rgba(" + rgb + ",0.5)\",",
            "\t\t\t\tstrokeColor : \"rgba(" + rgb + ",0.8)\",",
            "\t\t\t\tpointColor : \"rgba(" + rgb + ",0.5)\",",
            "\t\t\t\tpointstrokeColor : \"rgba(" + rgb + ",0.8)\",",
            "\t\t\t\thighlightFill : \"rgba(" + rgb + ",0.75)\",",
            "\t\t\t\thighlightStroke : \"rgba(" + rgb + ",1)\",",
            "\t\t\t\tdata : [" + data + "]",
            more ? "\t\t\t}," : "\t\t\t}"};
}

std::vector<std::string> Head(const std::string& title, const std::string& yUnit,
                              const std::string& type, const std::string& labels) {
    return {"function LoadData(){",
            "\treturn {",
            "\t\ttitle : \"" + title + "\",",
            "\t\tyUnit : \"" + yUnit + "\",",
            "\t\tchartType : \"" + type + "\",",
            "\t\tlabels : [" + labels + "],",
            "\t\tdatasets : ["};
}

std::vector<std::string> Tail(int tooltipMode, int grid, int value) {
    return {"\t\t]",
            "\t}",
            "}",
            "function LoadOption(){",
            "\treturn {",
            "\t\tresponsive: false,",
            tooltipMode == 0
                ? "\t\ttooltipTemplate: \"<%if(label){%><%=label%><%if(label.length==2)"
                  "{%>:00<%}%>=<%}%><%= value %>\","
                : "\t\ttooltipTemplate: \"<%if (label){%><%=label%>=<%}%><%= value %>\",",
            "\t\tanimation: false,",
            "\t\tscaleStepGridLines: 1,",
            "\t\tscaleShowGridLines: " + std::to_string(grid) + ",",
            "\t\tscaleShowValue: " + std::to_string(value) + ",",
            "\t\tdatasetFill : false,",
            "\t\tbezierCurve : false,",
            "\t}",
            "}"};
}

std::string Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return Crlf(all);
}

// Fills a chart the way the window does after a query: data, then settings.
void Show(CHtmlChart& chart, const std::vector<CountRecord>& records, const ChartSettings& s,
          const ChartSelection& sel) {
    FillChart(chart, records, sel.counterType, sel.heightClass, sel.range);
    ApplyChartSettings(chart, s, sel, "Seconds", nullptr);
}

class LoadDataTest : public ::testing::Test {
  protected:
    TempDir tmp;
};

TEST_F(LoadDataTest, DayResultOfThe2DCounter) {
    CHtmlChart chart;
    ChartSettings s = DefaultSettings(1);
    s.line.title = "Entrance";
    ChartSelection sel;  // 2D people counter, line chart, Day
    Show(chart,
         {Record(2024, 3, 4, 8, 0, {12, 5}), Record(2024, 3, 4, 9, 0, {7, 9}),
          Record(2024, 3, 4, 10, 0, {0, 3}), Record(2024, 3, 4, 10, 30, {4, 1}, 30)},
         s, sel);
    bool any = false;
    EXPECT_EQ(BuildLoadData(chart, &any),
              Join({Head("Entrance", "", "line", "\"08\",\"09\",\"10\",\"10:30\""),
                    Dataset("Inward", 3, "255,0,0", "12,7,0,4", true),
                    Dataset("Outward", 3, "0,128,255", "5,9,3,1", false), Tail(0, 1, 0)}));
    EXPECT_TRUE(any);
}

TEST_F(LoadDataTest, ADirectionWritesOnlyTheSeriesTheTableShows) {
    const std::vector<CountRecord> records{Record(2024, 3, 4, 8, 0, {12, 5}),
                                           Record(2024, 3, 4, 9, 0, {7, 9})};
    const auto head = Head("Entrance", "", "line", "\"08\",\"09\"");
    ChartSettings s = DefaultSettings(1);
    s.line.title = "Entrance";
    // Each direction in turn on the same chart, as the window switches it after a query.
    CHtmlChart chart;
    ChartSelection sel;
    sel.direction = 1;  // In
    Show(chart, records, s, sel);
    EXPECT_EQ(BuildLoadData(chart),
              Join({head, Dataset("Inward", 3, "255,0,0", "12,7", false), Tail(0, 1, 0)}));
    sel.direction = 2;  // Out: the first series is left out, the second is the last one
    ApplyChartSettings(chart, s, sel, "Seconds", nullptr);
    EXPECT_EQ(BuildLoadData(chart),
              Join({head, Dataset("Outward", 3, "0,128,255", "5,9", false), Tail(0, 1, 0)}));
    sel.direction = 0;  // both again
    ApplyChartSettings(chart, s, sel, "Seconds", nullptr);
    EXPECT_EQ(BuildLoadData(chart),
              Join({head, Dataset("Inward", 3, "255,0,0", "12,7", true),
                    Dataset("Outward", 3, "0,128,255", "5,9", false), Tail(0, 1, 0)}));
}

TEST_F(LoadDataTest, WeekResultAsBarChart) {
    CHtmlChart chart;
    ChartSettings s = DefaultSettings(1);
    s.line.inColor[0] = 0x000080FF;  // red 255, green 128, blue 0
    s.line.gridLine = 0;
    s.line.gridNote = 1;
    s.bar.inWidth[0] = 7;
    ChartSelection sel;
    sel.view = 1;
    sel.range = 1;
    Show(chart, {Record(2024, 3, 4, 0, 0, {120, 110}), Record(2024, 3, 5, 0, 0, {98, 97})}, s, sel);
    EXPECT_EQ(BuildLoadData(chart),
              Join({Head("", "", "bar", "\"04\",\"05\""),
                    Dataset("Inward", 7, "255,128,0", "120,98", true),
                    Dataset("Outward", 3, "0,128,255", "110,97", false), Tail(1, 0, 1)}));
}

TEST_F(LoadDataTest, TrafficResultWithEightSeries) {
    CHtmlChart chart;
    ChartSelection sel;
    sel.counterType = 6;
    sel.range = 2;
    Show(chart,
         {Record(2024, 2, 1, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}),
          Record(2024, 2, 2, 0, 0, {10, 20, 30, 40, 50, 60, 70, 80})},
         DefaultSettings(6), sel);
    EXPECT_EQ(
        BuildLoadData(chart),
        Join({Head("", "", "line", "\"01\",\"02\""), Dataset("LargeIn", 3, "255,0,0", "1,10", true),
              Dataset("LargeOut", 3, "0,128,255", "2,20", true),
              Dataset("MediumIn", 3, "0,255,0", "3,30", true),
              Dataset("MediumOut", 3, "255,0,255", "4,40", true),
              Dataset("SmallIn", 3, "64,64,128", "5,50", true),
              Dataset("SmallOut", 3, "128,128,0", "6,60", true),
              Dataset("PedestrianIn", 3, "255,128,0", "7,70", true),
              Dataset("PedestrianOut", 3, "0,0,0", "8,80", false), Tail(2, 1, 0)}));
}

TEST_F(LoadDataTest, EmptyResultHasNoDatasets) {
    CHtmlChart chart;
    Show(chart, {}, DefaultSettings(1), ChartSelection());
    bool any = true;
    EXPECT_EQ(BuildLoadData(chart, &any), Join({Head("", "", "line", ""), Tail(0, 1, 0)}));
    EXPECT_FALSE(any);
}

TEST_F(LoadDataTest, TextsAreEscapedAsScriptStrings) {
    CHtmlChart chart;
    chart.SetTitle("Say \"hi\" \\ </script><script>alert(1)</script>");
    chart.SetYUnit("a\nb\tc\x01");
    chart.SetLabel(0, "08\"");
    chart.SetLabel(1, "line\xE2\x80\xA8sep\xE2\x80\xA9para \xC3\xA9");
    chart.SetSeriesLabelAndColor(0, "In \\\"x\"", 0);
    chart.AddPoint(0, 1);
    chart.AddPoint(0, 2);
    const std::string text = BuildLoadData(chart);
    EXPECT_NE(text.find("\t\ttitle : \"Say \\\"hi\\\" \\\\ \\u003c/script>\\u003cscript>alert(1)"
                        "\\u003c/script>\",\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("\t\tyUnit : \"a\\nb\\tc\\u0001\",\r\n"), std::string::npos);
    EXPECT_NE(text.find("\t\tlabels : [\"08\\\"\",\"line\\u2028sep\\u2029para \xC3\xA9\"],\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("\t\t\t\tlabel : \"In \\\\\\\"x\\\"\",\r\n"), std::string::npos);
}

TEST_F(LoadDataTest, ATitleSavedInALegacyCodePageReachesThePageAsUtf8) {
    // A settings file of the earlier program: code page 1252, no byte-order mark.
    const std::string file = tmp.Path() + "/Setting .ini";
    {
        std::ofstream out(file, std::ios::binary);
        out << "[P_Count_Setting_2DPeopleCounter]\r\nstrTitleText_00=\"Entr\xE9"
               "e\"\r\n";
    }
    ASSERT_TRUE(zl::SetLegacyCodePage("1252"));
    CChartSettingsStore store;
    store.SetFile(file);
    store.Load();
    ChartSettings s;
    store.GetSettings(s, 1);
    zl::SetLegacyCodePage("950");
    CHtmlChart chart;
    Show(chart, {Record(2024, 3, 4, 8, 0, {12, 5})}, s, ChartSelection());
    const std::string text = BuildLoadData(chart, nullptr);
    EXPECT_NE(text.find("title : \"Entr\xC3\xA9"
                        "e\","),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find('\xE9'), std::string::npos) << "a raw code-page byte on the page";
}

TEST(JsStringEscape, KeepsOrdinaryTextAndEscapesTheRest) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"Inward (h<120) ", "Inward (h\\u003c120) "},
        {"plain text 123", "plain text 123"},
        {"\xE5\x85\xA5\xE5\x8F\xA3", "\xE5\x85\xA5\xE5\x8F\xA3"},  // UTF-8 stays as it is
        {"\r\x7F", "\\r\\u007f"},
        {"\xE2\x80", "\xE2\x80"},  // a cut sequence is not taken for a line separator
    };
    for (const auto& c : cases) EXPECT_EQ(JsStringEscape(c.in), c.out) << c.in;
}

TEST(FormatPointValue, RoundsHalvesAwayFromZero) {
    struct Case {
        double in;
        const char* out;
    } cases[] = {{12.5, "13"}, {0, "0"},    {2.5, "3"},
                 {12.4, "12"}, {-0.4, "0"}, {4294967295.0, "4294967295"}};
    for (const auto& c : cases) EXPECT_EQ(FormatPointValue(c.in), c.out) << c.in;
}

}  // namespace

}  // namespace zl
