#include "query/InsightLines.h"

#include <cstdio>

#include "data/SqlText.h"
#include "query/InsightText.h"
#include "store/IString.h"
#include "store/InsightStringIds.h"

namespace zl {

namespace {

std::string Text(unsigned id) {
    const char* t = IString::Instance()->LoadStringA(id);
    return t ? t : "";
}

std::string Factor(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    return buf;
}

}  // namespace

std::vector<std::string> InsightLines(const ReportInsights& insights,
                                      const std::vector<CountRecord>& rows) {
    std::vector<std::string> out;
    const PeakResult& p = insights.peak;
    const auto bucketLine = [&](unsigned id, const PeakBucket& b) {
        if (!b.found || b.row >= rows.size()) return;
        out.push_back(FillText(Text(id), {std::to_string(b.value), PeakBucketText(rows[b.row]),
                                          b.share < 0 ? "-" : ShareText(b.share)}));
    };
    bucketLine(kStrPeakBucket, p.in);
    bucketLine(kStrPeakVolume, p.volume);
    if (p.hour.found && p.hour.lastRow < rows.size())
        out.push_back(
            FillText(Text(kStrPeakHour), {SpanText(rows[p.hour.firstRow], rows[p.hour.lastRow]),
                                          std::to_string(p.hour.volume), Factor(p.hour.factor)}));
    if (insights.hasCoverage && insights.coverage.measured) {
        const ReportCoverage& c = insights.coverage;
        out.push_back(FillText(Text(kStrEmptyBuckets), {std::to_string(c.EmptyBuckets()),
                                                        std::to_string(c.buckets.size())}));
        for (const SiteCoverage& s : c.sites) {
            if (!s.measured || !s.partial) continue;
            out.push_back(
                s.hasLast ? FillText(Text(kStrSitePartial), {s.name, ShortTimeText(s.lastRecord)})
                          : FillText(Text(kStrSiteNoData), {s.name}));
        }
    }
    size_t closed = 0;
    for (bool c : insights.closed) closed += c ? 1 : 0;
    if (closed > 0) {
        out.push_back(FillText(Text(kStrClosedDaysCount), {std::to_string(closed)}));
        double average = 0.0;
        const PeakMeasure m = PeakMeasureOf(insights.counterType, insights.valueCount);
        if (OpenDayAverage(rows, insights.closed, m.in, &average)) {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%.1f", average);
            out.push_back(FillText(Text(kStrOpenDayAverage), {buf}));
        }
    }
    if (insights.mode != kCompareNone && !insights.compared.empty())
        out.push_back(FillText(Text(kStrComparedPeriod),
                               {SqlTimeText(insights.compared.front().From()).substr(0, 10),
                                SqlTimeText(insights.compared.back().From()).substr(0, 10)}));
    return out;
}

}  // namespace zl
