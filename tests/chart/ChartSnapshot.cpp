// Renders two sample charts to PNG files for the documentation and for looking at the page:
//   chart_snapshot <folder> [WxH] [values]
// writes <folder>/chart-day.png (a Day line chart of a 2D people counter, values shown) and
// <folder>/chart-month-bar.png (a Month bar chart), and <folder>/chart-traffic.png (a Week of
// a traffic counter: eight series in the legend). The counts are made up, shaped like a shop
// entrance: quiet nights, a lunch and an evening peak, busier weekends.
#include <cmath>
#include <cstdio>
#include <string>

#include "chart/ChartConfig.h"
#include "chart/ChartFill.h"
#include "chart/HtmlChart.h"
#include "query/CountTable.h"
#include "store/ChartSettingsStore.h"
#include "ui/chartview/ChartRenderer.h"

namespace zl {

namespace {

CountRecord Bucket(int year, int month, int day, int hour, uint32_t in, uint32_t out,
                   bool wholeDay) {
    CountRecord r;
    r.fromYear = r.toYear = static_cast<uint16_t>(year);
    r.fromMonth = r.toMonth = static_cast<uint8_t>(month);
    r.fromDay = r.toDay = static_cast<uint8_t>(day);
    r.fromHour = static_cast<uint8_t>(hour);
    r.toHour = static_cast<uint8_t>(wholeDay ? 23 : hour);
    r.toMinute = r.toSecond = 59;
    r.values[0] = in;
    r.values[1] = out;
    r.valueCount = 2;
    return r;
}

double Visitors(int hour) {
    auto peak = [](double h, double at, double width) {
        return std::exp(-(h - at) * (h - at) / (2 * width * width));
    };
    if (hour < 7 || hour > 21) return 0;
    return 20 + 140 * peak(hour, 12.5, 1.6) + 110 * peak(hour, 17.5, 1.4);
}

int Render(CHtmlChart& chart, const std::string& out, int w, int h) {
    std::string error;
    if (RenderChartFolder(chart.Folder(), w, h, out, false, &error) != 0) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", out.c_str());
    return 0;
}

}  // namespace

int Main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: chart_snapshot <folder> [WxH] [values]\n");
        return 2;
    }
    const std::string folder = argv[1];
    int w = 960, h = 540;
    if (argc > 2) std::sscanf(argv[2], "%dx%d", &w, &h);

    CChartSettingsStore store;
    store.Reset();
    ChartSettings settings;
    store.GetSettings(settings, 1);

    {
        std::vector<CountRecord> day;
        for (int hour = 0; hour < 24; ++hour) {
            const double v = Visitors(hour);
            // Out follows in by about an hour.
            const double out = hour > 0 ? 0.35 * v + 0.6 * Visitors(hour - 1) : 0;
            day.push_back(Bucket(2024, 3, 15, hour, static_cast<uint32_t>(std::lround(v)),
                                 static_cast<uint32_t>(std::lround(out)), false));
        }
        ChartSettings s = settings;
        s.line.title = "Main entrance - Friday 15 March 2024";
        s.line.gridNote = 1;  // values above the points
        CHtmlChart chart;
        ChartSelection sel;  // 2D people counter, line chart, Day
        FillChart(chart, day, sel.counterType, sel.heightClass, sel.range);
        ApplyChartSettings(chart, s, sel, "", nullptr);
        chart.WritePage();
        if (Render(chart, folder + "/chart-day.png", w, h)) return 1;
    }
    {
        std::vector<CountRecord> month;
        for (int d = 1; d <= 31; ++d) {
            const int weekday = (d + 4) % 7;  // 1 March 2024 was a Friday
            const double base = (weekday == 6 || weekday == 0) ? 1450 : 980;
            const double in = base + 120 * std::sin(d * 1.7);
            month.push_back(Bucket(2024, 3, d, 0, static_cast<uint32_t>(std::lround(in)),
                                   static_cast<uint32_t>(std::lround(in * 0.97)), true));
        }
        ChartSettings s = settings;
        s.line.title = "Main entrance - March 2024";
        s.line.gridNote = argc > 3 && std::string(argv[3]) == "values";
        CHtmlChart chart;
        ChartSelection sel;
        sel.view = 1;
        sel.range = 2;
        FillChart(chart, month, sel.counterType, sel.heightClass, sel.range);
        ApplyChartSettings(chart, s, sel, "", nullptr);
        chart.WritePage();
        if (Render(chart, folder + "/chart-month-bar.png", w, h)) return 1;
    }
    {
        ChartSettings s;
        store.GetSettings(s, 6);
        s.line.title = "North gate - week 11";
        std::vector<CountRecord> week;
        for (int d = 11; d <= 17; ++d) {
            CountRecord r = Bucket(2024, 3, d, 0, 0, 0, true);
            for (int v = 0; v < 8; ++v) {
                r.values[v] = static_cast<uint32_t>(std::lround(
                    (400 >> (v / 2)) * (1.0 + 0.2 * std::sin(d + v)) * (d >= 16 ? 0.6 : 1.0)));
            }
            r.valueCount = 8;
            week.push_back(r);
        }
        CHtmlChart chart;
        ChartSelection sel;
        sel.counterType = 6;
        sel.range = 1;
        FillChart(chart, week, sel.counterType, sel.heightClass, sel.range);
        ApplyChartSettings(chart, s, sel, "", nullptr);
        chart.WritePage();
        if (Render(chart, folder + "/chart-traffic.png", w, h)) return 1;
    }
    return 0;
}

}  // namespace zl

int main(int argc, char** argv) {
    return zl::Main(argc, argv);
}
