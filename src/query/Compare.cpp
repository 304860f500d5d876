#include "query/Compare.h"

#include "data/SqlBuilders.h"

namespace {

constexpr double kDay = 1.0;

SYSTEMTIME DaysBefore(const SYSTEMTIME& date, int days) {
    const SYSTEMTIME day = MakeSysTime(date.wYear, date.wMonth, date.wDay);
    return OleDateToSystemTime(SystemTimeToOleDate(day) - days * kDay);
}

}  // namespace

bool HeldProgress::Step(const char* text) {
    return inner_ ? inner_->Step(text) : true;
}

void HeldProgress::Abort() {
    if (inner_) inner_->Abort();
}

bool HeldProgress::Aborted() const {
    return inner_ && inner_->Aborted();
}

bool ParseCompareMode(const std::string& text, CompareMode* mode) {
    if (text.empty() || text == "none")
        *mode = kCompareNone;
    else if (text == "previous")
        *mode = kComparePrevious;
    else if (text == "previous-weekday")
        *mode = kComparePreviousWeekday;
    else if (text == "last-year")
        *mode = kCompareLastYear;
    else
        return false;
    return true;
}

const char* CompareModeName(CompareMode mode) {
    switch (mode) {
        case kComparePrevious:
            return "previous";
        case kComparePreviousWeekday:
            return "previous-weekday";
        case kCompareLastYear:
            return "last-year";
        case kCompareNone:
            break;
    }
    return "";
}

SYSTEMTIME ComparedDate(int range, const SYSTEMTIME& date, CompareMode mode) {
    switch (mode) {
        case kCompareLastYear:
            return DaysBefore(date, 364);
        case kComparePreviousWeekday:
            if (range == kReportDay) return DaysBefore(date, 7);
            [[fallthrough]];
        case kComparePrevious:
            if (range == kReportDay) return DaysBefore(date, 1);
            if (range == kReportWeek) return DaysBefore(date, 7);
            if (range == kReportMonth) {
                const std::vector<tagDSSYSTIMEPERIOD> days =
                    ReportBuckets(kReportMonth, date, 60, WorkingHourTable());
                if (!days.empty()) return DaysBefore(days.front().start, 1);
            }
            return date;
        case kCompareNone:
            break;
    }
    return date;
}

int RunComparedQuery(const QueryParams& params, CompareMode mode,
                     const std::vector<SiteRecord>& sites, IQueryProgress* progress,
                     IRetryPrompt* prompt, const QueryTables& current,
                     const QueryTables& compared) {
    if (mode == kCompareNone) return RunQuery(params, sites, progress, prompt, current);
    HeldProgress keepOpen(progress);
    int outcome = RunQuery(params, sites, &keepOpen, prompt, current);
    if (outcome == kQueryDone) {
        QueryParams earlier = params;
        earlier.startDate = ComparedDate(params.range, params.startDate, mode);
        outcome = RunQuery(earlier, sites, &keepOpen, prompt, compared);
        // A failed compared run leaves no half report behind.
        if (outcome != kQueryDone && current.report) current.report->Clear();
    }
    if (progress) progress->Close();
    return outcome;
}

std::vector<int> AlignCompared(size_t currentRows, size_t comparedRows,
                               const std::vector<bool>& skipCurrent,
                               const std::vector<bool>& skipCompared) {
    const auto skipped = [](const std::vector<bool>& skip, size_t i) {
        return i < skip.size() && skip[i];
    };
    std::vector<int> out(currentRows, -1);
    size_t j = 0;
    for (size_t i = 0; i < currentRows; ++i) {
        if (skipped(skipCurrent, i)) continue;
        while (j < comparedRows && skipped(skipCompared, j)) ++j;
        if (j >= comparedRows) break;
        out[i] = static_cast<int>(j++);
    }
    return out;
}

bool PercentChange(uint64_t now, uint64_t before, double* percent) {
    if (before == 0) return false;
    *percent = (static_cast<double>(now) - static_cast<double>(before)) * 100.0 /
               static_cast<double>(before);
    return true;
}
