#include "query/InsightRun.h"

namespace zl {

int RunReportWithInsights(const QueryParams& params, const std::vector<SiteRecord>& sites,
                          const std::vector<std::string>& names, IQueryProgress* progress,
                          IRetryPrompt* prompt, ReportInsights* insights,
                          const QueryTables& tables) {
    HeldProgress held(progress);
    CCountTable people, threeD;
    CReportTable compared;
    // The report's own passes count the records of each bucket for the coverage.
    RunRecordCounts counts;
    QueryTables current = tables;
    if (insights->hasCoverage) current.counts = &counts;
    const int done = RunComparedQuery(params, insights->mode, sites, &held, prompt, current,
                                      {&people, &threeD, &compared});
    if (done != kQueryDone) return done;
    insights->compared = compared.Records();
    if (insights->mode != kCompareNone)
        insights->comparedDate = ComparedDate(params.range, params.startDate, insights->mode);
    if (insights->hasCoverage &&
        !MeasureCoverage(params, sites, names, &held, prompt, &insights->coverage, &counts)) {
        if (tables.report) tables.report->Clear();
        return kQueryFailed;
    }
    return done;
}

void CompleteInsights(const std::vector<CountRecord>& rows, const QueryParams& params,
                      int valueCount, ReportInsights* insights) {
    insights->counterType = params.counterType;
    insights->valueCount = valueCount;
    insights->peak =
        ComputePeak(rows, params.counterType, valueCount, params.range, params.periodMinutes);
    insights->closed = ClosedRows(rows, params.range, insights->closedDays);
    insights->comparedClosed = ClosedRows(insights->compared, params.range, insights->closedDays);
    insights->aligned.clear();
    if (insights->mode != kCompareNone)
        insights->aligned = AlignCompared(rows.size(), insights->compared.size(), insights->closed,
                                          insights->comparedClosed);
}

std::vector<bool> RowsWithoutData(const ReportInsights& insights,
                                  const std::vector<CountRecord>& rows) {
    std::vector<bool> out(rows.size(), false);
    if (!insights.hasCoverage || !insights.coverage.measured) return out;
    for (size_t i = 0; i < rows.size(); ++i) {
        const int b = insights.coverage.BucketAt(rows[i].From());
        out[i] = b >= 0 && !insights.coverage.total[static_cast<size_t>(b)].any;
    }
    return out;
}

}  // namespace zl
