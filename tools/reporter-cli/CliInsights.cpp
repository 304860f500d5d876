#include "CliInsights.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "data/SqlText.h"
#include "query/InsightLines.h"
#include "query/InsightText.h"
#include "store/IString.h"
#include "store/InsightStringIds.h"

namespace zl {

namespace {

std::string Text(unsigned id) {
    const char* t = IString::Instance()->LoadStringA(id);
    return t ? t : "";
}

std::string Quote(const std::string& text) {
    return nlohmann::json(text).dump();
}

std::string Number(double v, const char* format) {
    char buf[32];
    std::snprintf(buf, sizeof buf, format, v);
    return buf;
}

std::string Span(const CountRecord& first, const CountRecord& last) {
    return "\"from\":" + Quote(RecordFromText(first)) + ",\"to\":" + Quote(RecordToText(last));
}

std::string JsonPeakBucket(const PeakBucket& p, const std::vector<CountRecord>& rows) {
    if (!p.found) return "null";
    const CountRecord& r = rows[p.row];
    return "{" + Span(r, r) + ",\"value\":" + std::to_string(p.value) +
           ",\"total\":" + std::to_string(p.total) +
           ",\"share\":" + (p.share < 0 ? std::string("null") : Number(p.share, "%.6f")) + "}";
}

std::string JsonPeak(const PeakResult& peak, const std::vector<CountRecord>& rows) {
    std::string out = ",\n \"peak\":{\"in\":" + JsonPeakBucket(peak.in, rows) +
                      ",\"volume\":" + JsonPeakBucket(peak.volume, rows) + ",\"hour\":";
    const PeakHour& h = peak.hour;
    if (!h.found) return out + "null}";
    return out + "{" + Span(rows[h.firstRow], rows[h.lastRow]) +
           ",\"volume\":" + std::to_string(h.volume) +
           ",\"largestPart\":" + std::to_string(h.largestPart) +
           ",\"partMinutes\":" + std::to_string(h.partMinutes) +
           ",\"factor\":" + Number(h.factor, "%.6f") + "}}";
}

std::string JsonBucket(const BucketCoverage& b) {
    const double ratio = b.Ratio();
    return std::string("{\"any\":") + (b.any ? "true" : "false") +
           ",\"present\":" + std::to_string(b.present) +
           ",\"expected\":" + std::to_string(b.expected) +
           ",\"ratio\":" + (ratio < 0 ? std::string("null") : Number(ratio, "%.6f")) + "}";
}

std::string JsonCoverage(const ReportCoverage& c) {
    std::string out =
        ",\n \"coverage\":{\"emptyBuckets\":" + std::to_string(c.EmptyBuckets()) + ",\"buckets\":[";
    for (size_t i = 0; i < c.buckets.size(); ++i) {
        out += std::string(i ? ",\n  " : "\n  ") +
               "{\"from\":" + Quote(SqlTimeText(c.buckets[i].start)) +
               ",\"total\":" + JsonBucket(c.total[i]) + ",\"sites\":[";
        for (size_t s = 0; s < c.sites.size(); ++s) {
            if (s) out += ',';
            const SiteCoverage& site = c.sites[s];
            out += site.measured && i < site.buckets.size() ? JsonBucket(site.buckets[i]) : "null";
        }
        out += "]}";
    }
    out += "],\n  \"sites\":[";
    for (size_t s = 0; s < c.sites.size(); ++s) {
        const SiteCoverage& site = c.sites[s];
        out += std::string(s ? "," : "") + "{\"name\":" + Quote(site.name) +
               ",\"measured\":" + (site.measured ? "true" : "false");
        if (site.measured) {
            out += ",\"intervalSeconds\":" + std::to_string(site.intervalSeconds) +
                   ",\"records\":" + std::to_string(site.records) +
                   ",\"partial\":" + (site.partial ? "true" : "false") + ",\"lastRecord\":" +
                   (site.hasLast ? Quote(SqlTimeText(site.lastRecord)) : "null");
        }
        out += "}";
    }
    return out + "]}";
}

std::string JsonValues(const CountRecord& r, int n) {
    std::string out = "[";
    for (int c = 0; c < n; ++c) out += (c ? "," : "") + std::to_string(r.values[c]);
    return out + "]";
}

std::string JsonCompare(const CliInsights& in, const std::vector<CountRecord>& rows) {
    const int n = in.valueCount;
    char date[32];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", in.comparedDate.wYear,
                  in.comparedDate.wMonth, in.comparedDate.wDay);
    std::string out = ",\n \"compare\":{\"mode\":" + Quote(CompareModeName(in.mode)) +
                      ",\"date\":" + Quote(date) + ",\n  \"records\":[";
    std::vector<uint64_t> totals(static_cast<size_t>(n), 0), now(static_cast<size_t>(n), 0);
    for (size_t i = 0; i < in.compared.size(); ++i) {
        const CountRecord& r = in.compared[i];
        out += std::string(i ? ",\n  " : "") + "{" + Span(r, r) +
               ",\"values\":" + JsonValues(r, n) + "}";
    }
    out += "],\n  \"aligned\":[";
    for (size_t i = 0; i < in.aligned.size(); ++i)
        out += (i ? "," : "") + std::to_string(in.aligned[i]);
    out += "],\n  \"change\":[";
    for (size_t i = 0; i < rows.size(); ++i) {
        const int j = i < in.aligned.size() ? in.aligned[i] : -1;
        out += std::string(i ? "," : "") + "[";
        for (int c = 0; c < n; ++c) {
            double pct = 0.0;
            const bool known =
                j >= 0 && PercentChange(rows[i].values[c],
                                        in.compared[static_cast<size_t>(j)].values[c], &pct);
            out += (c ? "," : "") + (known ? Number(pct, "%.4f") : std::string("null"));
            if (j >= 0) {
                totals[static_cast<size_t>(c)] += in.compared[static_cast<size_t>(j)].values[c];
                now[static_cast<size_t>(c)] += rows[i].values[c];
            }
        }
        out += "]";
    }
    // Totals over the aligned rows of both periods.
    out += "],\n  \"totals\":[";
    for (int c = 0; c < n; ++c) out += (c ? "," : "") + std::to_string(totals[size_t(c)]);
    out += "],\"totalsChange\":[";
    for (int c = 0; c < n; ++c) {
        double pct = 0.0;
        out += (c ? "," : "") + (PercentChange(now[size_t(c)], totals[size_t(c)], &pct)
                                     ? Number(pct, "%.4f")
                                     : std::string("null"));
    }
    return out + "]}";
}

}  // namespace

std::string JsonInsights(const CliInsights& insights, const std::vector<CountRecord>& rows) {
    std::string out = JsonPeak(insights.peak, rows);
    if (insights.hasCoverage) out += JsonCoverage(insights.coverage);
    if (insights.mode != kCompareNone) out += JsonCompare(insights, rows);
    std::string closed;
    for (size_t i = 0; i < insights.closed.size(); ++i)
        if (insights.closed[i]) closed += (closed.empty() ? "" : ",") + std::to_string(i);
    if (!closed.empty()) out += ",\n \"closedRows\":[" + closed + "]";
    return out;
}

TableExtras TableInsightColumns(const CliInsights& insights, const std::vector<CountRecord>& rows,
                                const std::vector<std::string>& shownCaptions) {
    TableExtras x;
    x.noDataMark = Text(kStrNoDataMark);
    x.noData = RowsWithoutData(insights, rows);
    x.closed = insights.closed;
    x.closedMark = "(" + Text(kStrClosedMark) + ")";
    if (insights.mode == kCompareNone) return x;
    for (const std::string& caption : shownCaptions) {
        x.comparedCaptions.push_back(FillText(Text(kStrCompareColumn), {caption}));
        x.changeCaptions.push_back(FillText(Text(kStrChangeColumn), {caption}));
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        const int j = i < insights.aligned.size() ? insights.aligned[i] : -1;
        x.compared.push_back(j >= 0 ? &insights.compared[static_cast<size_t>(j)] : nullptr);
    }
    return x;
}

std::string TableInsightLines(const CliInsights& insights, const std::vector<CountRecord>& rows) {
    std::string out;
    for (const std::string& line : InsightLines(insights, rows)) out += line + "\n";
    return out;
}

void AppendCoverageColumns(const CliInsights& insights, const std::vector<CountRecord>& rows,
                           int shownCount, std::vector<CountRecord>* exportRows,
                           std::vector<std::string>* columns) {
    if (shownCount + 2 > 10) return;  // a record keeps ten values
    columns->push_back(Text(kStrCoverageRecords));
    columns->push_back(Text(kStrCoverageExpected));
    for (size_t i = 0; i < rows.size() && i < exportRows->size(); ++i) {
        const int b = insights.coverage.BucketAt(rows[i].From());
        CountRecord& r = (*exportRows)[i];
        if (b >= 0) {
            r.values[shownCount] = insights.coverage.total[static_cast<size_t>(b)].present;
            r.values[shownCount + 1] = insights.coverage.total[static_cast<size_t>(b)].expected;
        }
        r.valueCount = static_cast<uint32_t>(shownCount + 2);
    }
}

}  // namespace zl
