#include "chart/LoadData.h"

#include <cmath>
#include <cstdio>

#include "chart/HtmlChart.h"

namespace zl {

std::string JsStringEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '"':
                out += "\\\"";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '<':
                out += "\\u003c";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else if (c == 0xE2 && i + 2 < text.size() &&
                           static_cast<unsigned char>(text[i + 1]) == 0x80 &&
                           (static_cast<unsigned char>(text[i + 2]) == 0xA8 ||
                            static_cast<unsigned char>(text[i + 2]) == 0xA9)) {
                    // U+2028 and U+2029 end a line inside older script engines' strings.
                    out += static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
                    i += 2;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out;
}

std::string FormatPointValue(double value) {
    char buf[64];
    if (std::fabs(value) < 9.0e18) {
        // Halves round away from zero (12.5 gives 13); the C library's "%.0f" would round
        // them to even.
        std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(std::llround(value)));
    } else {
        std::snprintf(buf, sizeof buf, "%.0f", value);
    }
    return buf;
}

namespace {

void AppendRgba(std::string& out, const char* format, COLORREF colour) {
    char buf[128];
    std::snprintf(buf, sizeof buf, format, static_cast<int>(colour & 0xFF),
                  static_cast<int>((colour >> 8) & 0xFF), static_cast<int>((colour >> 16) & 0xFF));
    out += buf;
}

void AppendQuotedLine(std::string& out, const char* head, const std::string& text) {
    out += head;
    out += JsStringEscape(text);
    out += "\",\r\n";
}

}  // namespace

std::string BuildLoadData(const CHtmlChart& chart, bool* anySeries) {
    std::string out;
    out += "function LoadData(){\r\n";
    out += "\treturn {\r\n";
    AppendQuotedLine(out, "\t\ttitle : \"", chart.Title());
    AppendQuotedLine(out, "\t\tyUnit : \"", chart.YUnit());
    out += chart.Series(0).type == 2 ? "\t\tchartType : \"bar\",\r\n"
                                     : "\t\tchartType : \"line\",\r\n";
    out += "\t\tlabels : [";
    const auto& labels = chart.Labels();
    for (size_t i = 0; i < labels.size(); ++i) {
        if (i > 0) out += ",";
        out += "\"";
        out += JsStringEscape(labels[i]);
        out += "\"";
    }
    out += "],\r\n";
    out += "\t\tdatasets : [\r\n";

    // A series hidden by a filter (Direction "In" hides the out series) is left out, legend
    // entry and all: the page shows what the table shows.
    const auto written = [&chart](int i) {
        return !chart.Series(i).points.empty() && chart.SeriesEnabled(i) != 0;
    };
    int last = -1;
    for (int i = 0; i < kChartSeriesCount; ++i) {
        if (written(i)) last = i;
    }
    for (int i = 0; i <= last; ++i) {
        const CChartSeries& s = chart.Series(i);
        if (!written(i)) continue;
        const COLORREF c = chart.SeriesColor(i);
        out += "\t\t\t{\r\n";
        AppendQuotedLine(out, "\t\t\t\tlabel : \"", chart.SeriesLabel(i));
        out += "\t\t\t\tpointDotRadius : " + std::to_string(s.width) + ",\r\n";
        // A compared period is drawn dashed and lighter; other series keep their lines.
        if (s.dashed) out += "\t\t\t\tzlxDash : true,\r\n";
        AppendRgba(out, "\t\t\t\tfillColor : \"rgba(%d,%d,%d,0.5)\",\r\n", c);
        AppendRgba(out,
                   s.dashed ? "\t\t\t\tstrokeColor : \"rgba(%d,%d,%d,0.4)\",\r\n"
                            : "\t\t\t\tstrokeColor : \"rgba(%d,%d,%d,0.8)\",\r\n",
                   c);
        AppendRgba(out,
                   s.dashed ? "\t\t\t\tpointColor : \"rgba(%d,%d,%d,0.25)\",\r\n"
                            : "\t\t\t\tpointColor : \"rgba(%d,%d,%d,0.5)\",\r\n",
                   c);
        AppendRgba(out,
                   s.dashed ? "\t\t\t\tpointstrokeColor : \"rgba(%d,%d,%d,0.4)\",\r\n"
                            : "\t\t\t\tpointstrokeColor : \"rgba(%d,%d,%d,0.8)\",\r\n",
                   c);
        AppendRgba(out, "\t\t\t\thighlightFill : \"rgba(%d,%d,%d,0.75)\",\r\n", c);
        AppendRgba(out, "\t\t\t\thighlightStroke : \"rgba(%d,%d,%d,1)\",\r\n", c);
        out += "\t\t\t\tdata : [";
        for (size_t k = 0; k < s.points.size(); ++k) {
            if (k > 0) out += ",";
            // A bucket without data is no point at all (the page breaks the line there).
            out += k < s.gaps.size() && s.gaps[k] ? "null" : FormatPointValue(s.points[k]);
        }
        out += "]\r\n";
        out += i < last ? "\t\t\t},\r\n" : "\t\t\t}\r\n";
    }
    out += "\t\t]\r\n";
    out += "\t}\r\n";
    out += "}\r\n";

    out += "function LoadOption(){\r\n";
    out += "\treturn {\r\n";
    out += "\t\tresponsive: false,\r\n";
    if (chart.TooltipMode() == 0) {
        out +=
            "\t\ttooltipTemplate: \"<%if(label){%><%=label%><%if(label.length==2){%>:00<%}%>=<%"
            "}%><%= value %>\",\r\n";
    } else {
        out += "\t\ttooltipTemplate: \"<%if (label){%><%=label%>=<%}%><%= value %>\",\r\n";
    }
    out += "\t\tanimation: false,\r\n";
    out += "\t\tscaleStepGridLines: 1,\r\n";
    out += "\t\tscaleShowGridLines: " + std::to_string(chart.ShowGrid()) + ",\r\n";
    out += "\t\tscaleShowValue: " + std::to_string(chart.ShowValue()) + ",\r\n";
    out += "\t\tdatasetFill : false,\r\n";
    out += "\t\tbezierCurve : false,\r\n";
    const CChartMarker& marker = chart.Marker();
    if (marker.index >= 0) {
        out += "\t\tzlxMarker : {index : " + std::to_string(marker.index) + ", text : \"";
        out += JsStringEscape(marker.text);
        out += "\"},\r\n";
    }
    out += "\t}\r\n";
    out += "}\r\n";

    if (anySeries) *anySeries = last >= 0;
    return out;
}

}  // namespace zl
