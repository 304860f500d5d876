#include "chart/ChartInsights.h"

#include <algorithm>

#include "chart/HtmlChart.h"
#include "query/InsightText.h"
#include "store/IString.h"
#include "store/InsightStringIds.h"

namespace zl {

void ApplyChartInsights(CHtmlChart& chart, int series, const ChartInsightData& data) {
    const size_t rows = chart.Series(0).points.size();
    // A line breaks there, a bar chart has no bar there (not a bar of 0).
    for (size_t k = 0; k < rows && k < data.noData.size(); ++k)
        if (data.noData[k])
            for (int s = 0; s < series; ++s) chart.SetPointGap(s, k);

    // Drawn again after every change of the chart settings: the compared series start empty.
    if (!data.compared.empty() && 2 * series <= kChartSeriesCount) {
        double yMax = chart.YMax();
        for (int s = 0; s < series; ++s) {
            const int j = series + s;
            chart.ClearPoints(j);
            chart.SetSeriesLabelAndColor(j, FillText(data.comparedLabel, {chart.SeriesLabel(s)}),
                                         chart.SeriesColor(s));
            chart.SetSeriesWidth(j, chart.Series(s).width);
            chart.SetSeriesType(j, chart.Series(s).type);
            chart.SetSeriesEnabled(j, chart.SeriesEnabled(s));
            chart.SetSeriesDashed(j, true);
            for (size_t k = 0; k < rows; ++k) {
                const int c = k < data.aligned.size() ? data.aligned[k] : -1;
                const double v =
                    c >= 0 ? static_cast<double>(data.compared[static_cast<size_t>(c)].values[s])
                           : 0.0;
                chart.AddPoint(j, v);
                yMax = std::max(yMax, v);
                if (c < 0) chart.SetPointGap(j, k);
            }
        }
        chart.SetYMax(yMax);
    }
    if (data.peakRow >= 0 && static_cast<size_t>(data.peakRow) < rows)
        chart.SetMarker(data.peakRow, data.peakText);
}

ChartInsightData ChartInsightsOf(const ReportInsights& insights,
                                 const std::vector<CountRecord>& rows) {
    const auto text = [](unsigned id) {
        const char* t = IString::Instance()->LoadStringA(id);
        return std::string(t ? t : "");
    };
    ChartInsightData d;
    d.noData = RowsWithoutData(insights, rows);
    if (insights.mode != kCompareNone) {
        d.compared = insights.compared;
        d.aligned = insights.aligned;
        d.comparedLabel = text(kStrCompareColumn);
    }
    const PeakBucket& peak = insights.peak.volume.found ? insights.peak.volume : insights.peak.in;
    if (peak.found) {
        d.peakRow = static_cast<int>(peak.row);
        d.peakText = FillText(text(kStrPeakMarker), {std::to_string(peak.value)});
    }
    return d;
}

}  // namespace zl
