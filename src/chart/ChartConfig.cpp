#include "chart/ChartConfig.h"

#include <cstdio>

#include "chart/HtmlChart.h"

namespace zl {

namespace {

// Pairs beyond the four of a record (series 8..63) have no settings of their own; they keep
// the record defaults so that they still look like a line.
constexpr int kPairCount = 4;

std::string WithSuffix(const std::string& title, const char* format, int a, int b = 0) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, a, b);
    return title + buf;
}

}  // namespace

void ConfigureSeries(CHtmlChart& chart, int i, const ChartSettings& settings, int view) {
    if (!CHtmlChart::Valid(i)) return;
    chart.SetSeriesAux(i, 4);
    const int p = i / 2;
    const bool in = i % 2 == 0;
    int width = 2;
    COLORREF colour = kTableSeriesColor;
    if (view == 0 || view == 1) {
        const LineStyleRecord& r = view == 0 ? settings.line : settings.bar;
        chart.SetSeriesType(i, view == 0 ? 1 : 2);
        if (p < kPairCount) {
            width = in ? r.inWidth[p] : r.outWidth[p];
            colour = in ? r.inColor[p] : r.outColor[p];
        } else {
            const LineStyleRecord defaults;
            width = defaults.inWidth[0];
            colour = 0;
        }
    }
    chart.SetSeriesWidth(i, width);
    chart.SetSeriesColor(i, colour);
}

void ApplyChartSettings(CHtmlChart& chart, const ChartSettings& settings, const ChartSelection& sel,
                        const std::string& yUnitSeconds, std::array<int, 10>* lineVisible) {
    const LineStyleRecord& L = settings.line;
    for (int i = 0; i < kChartSeriesCount; ++i) ConfigureSeries(chart, i, settings, sel.view);
    chart.SetTitle(L.title);
    chart.SetTooltipMode(sel.range);
    chart.SetYUnit("");

    const int type = sel.counterType;
    if (type == 1 || type == 2 || type == 3 || type == 4 || type == 5) {
        chart.SetPairStyle(L.inColor[0], L.outColor[0], L.inTitle[0], L.outTitle[0], L.inColor[1],
                           L.outColor[1], L.inTitle[1], L.outTitle[1], L.gridLine, L.gridNote);
    }
    if (type == 1 || type == 2 || type == 5) {
        const int a = sel.heightLow, b = sel.heightHigh;
        switch (sel.heightClass) {
            case 1:
                chart.SetSeriesLabelAndColor(0, WithSuffix(L.inTitle[0], " (h<%d) ", a),
                                             L.inColor[0]);
                chart.SetSeriesLabelAndColor(1, WithSuffix(L.outTitle[0], " (h<%d) ", a),
                                             L.outColor[0]);
                chart.SetSeriesLabelAndColor(2, WithSuffix(L.inTitle[1], " (%d<h<%d) ", a, b),
                                             L.inColor[1]);
                chart.SetSeriesLabelAndColor(3, WithSuffix(L.outTitle[1], " (%d<h<%d) ", a, b),
                                             L.outColor[1]);
                chart.SetSeriesLabelAndColor(4, WithSuffix(L.inTitle[2], " (h>%d) ", b),
                                             L.inColor[2]);
                chart.SetSeriesLabelAndColor(5, WithSuffix(L.outTitle[2], " (h>%d) ", b),
                                             L.outColor[2]);
                break;
            case 2:
                // "Above" counts heights over the one threshold the window shows and the query
                // uses, the lower one; the upper edit is hidden and may hold anything.
                chart.SetSeriesLabelAndColor(0, WithSuffix(L.inTitle[2], " (h>%d) ", a),
                                             L.inColor[2]);
                chart.SetSeriesLabelAndColor(1, WithSuffix(L.outTitle[2], " (h>%d) ", a),
                                             L.outColor[2]);
                break;
            case 3:
                chart.SetSeriesLabelAndColor(0, WithSuffix(L.inTitle[0], " (h<%d) ", a),
                                             L.inColor[0]);
                chart.SetSeriesLabelAndColor(1, WithSuffix(L.outTitle[0], " (h<%d) ", a),
                                             L.outColor[0]);
                break;
            default:
                break;
        }
    } else if (type == 6) {
        for (int p = 0; p < 4; ++p) {
            chart.SetSeriesLabelAndColor(2 * p, L.inTitle[p], L.inColor[p]);
            chart.SetSeriesLabelAndColor(2 * p + 1, L.outTitle[p], L.outColor[p]);
        }
        chart.SetGrid(L.gridLine, L.gridNote);
    } else if (type == 7) {
        if (sel.queueType == 2 || sel.queueType == 3) chart.SetYUnit(yUnitSeconds);
        switch (sel.queueType) {
            case 0:
                chart.SetSeriesLabelAndColor(0, L.inTitle[0], L.inColor[0]);
                break;
            case 1:
                chart.SetSeriesLabelAndColor(0, L.outTitle[0], L.outColor[0]);
                break;
            case 2:
                chart.SetSeriesLabelAndColor(0, L.inTitle[1], L.inColor[1]);
                break;
            case 3:
                chart.SetSeriesLabelAndColor(0, L.outTitle[1], L.outColor[1]);
                break;
            default:
                break;
        }
        chart.SetGrid(L.gridLine, L.gridNote);
    }

    if (type == 1 || type == 2) {
        const int count = type == 2 ? 6 : 2;
        for (int i = 0; i < count; ++i) {
            int flag = 1;
            if (sel.direction == 1) flag = i % 2 == 0 ? 1 : 0;
            if (sel.direction == 2) flag = i % 2 == 0 ? 0 : 1;
            chart.SetSeriesEnabled(i, flag);
            if (lineVisible) (*lineVisible)[i] = flag;
        }
    }
    chart.Redraw();
}

}  // namespace zl
