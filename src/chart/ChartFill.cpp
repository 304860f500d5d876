#include "chart/ChartFill.h"

#include <algorithm>
#include <cstdio>

#include "chart/HtmlChart.h"

namespace zl {

std::string ChartXLabel(const CountRecord& r, int queryRange) {
    char buf[16];
    if (queryRange == kRangeDay) {
        if (r.fromMinute != 0) {
            std::snprintf(buf, sizeof buf, "%02d:%02d", r.fromHour, r.fromMinute);
        } else {
            std::snprintf(buf, sizeof buf, "%02d", r.fromHour);
        }
    } else {
        std::snprintf(buf, sizeof buf, "%02d", r.fromDay);
    }
    return buf;
}

int ChartSeriesOfType(int counterType, int heightClass) {
    switch (counterType) {
        case 1:
            return 2;
        case 2:
            return heightClass == 1 ? 6 : 2;
        case 5:
            return 4;
        case 6:
            return 8;
        case 3:
        case 4:
        case 7:
            return 1;
        default:
            return 0;
    }
}

uint32_t FillChart(CHtmlChart& chart, const std::vector<CountRecord>& records, int counterType,
                   int heightClass, int queryRange) {
    uint32_t chartMax = 0;
    for (int i = 0; i < kChartSeriesCount; ++i) chart.ClearSeries(i);
    const int series = ChartSeriesOfType(counterType, heightClass);
    int x = 0;
    for (const CountRecord& r : records) {
        for (int s = 0; s < series; ++s) {
            chart.AddPoint(s, static_cast<double>(r.values[s]));
            chartMax = std::max(chartMax, r.values[s]);
        }
        chart.SetLabel(x++, ChartXLabel(r, queryRange));
    }
    chart.SetYSteps(10);
    chart.SetYMax(static_cast<double>(std::max<uint32_t>(chartMax, 50)));
    return chartMax;
}

}  // namespace zl
