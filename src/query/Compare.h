// Period comparison: the same report (same sites, cameras, filters and parameters) for an
// earlier period, run in the same run as the current one, with its progress and cancel, and
// the rows of both lined up bucket by bucket.
#pragma once

#include <string>
#include <vector>

#include "query/QueryWorker.h"

namespace zl {

enum CompareMode {
    kCompareNone = 0,
    kComparePrevious = 1,         // the day before, the previous 7 days, the previous month
    kComparePreviousWeekday = 2,  // Day: the same weekday a week before (else as previous)
    kCompareLastYear = 3,         // the same period 364 days back (same weekdays)
};

// A run's progress passed on without its close, so that several reports (and the coverage)
// share one display that closes only when the caller closes it.
class HeldProgress : public IQueryProgress {
  public:
    explicit HeldProgress(IQueryProgress* inner) : inner_(inner) {}
    bool Step(const char* text) override;
    void Abort() override;
    bool Aborted() const override;
    void Close() override {}

  private:
    IQueryProgress* inner_;
};

// "previous", "previous-weekday", "last-year" (empty for none); false for anything else.
bool ParseCompareMode(const std::string& text, CompareMode* mode);
const char* CompareModeName(CompareMode mode);

// The date the compared report ends on. Month: the rolling month that ends on the day before
// the current one begins.
SYSTEMTIME ComparedDate(int range, const SYSTEMTIME& date, CompareMode mode);

// Runs the report into `current` and, unless the mode is none, the compared report into
// `compared`, one after the other under one progress: the display closes only at the end,
// and a cancel or failure in either gives kQueryFailed. Answers what RunQuery answers.
int RunComparedQuery(const QueryParams& params, CompareMode mode,
                     const std::vector<SiteRecord>& sites, IQueryProgress* progress,
                     IRetryPrompt* prompt, const QueryTables& current, const QueryTables& compared);

// The compared row of each current row, by position among the rows both reports keep
// (`skipCurrent` / `skipCompared` mark rows left out of the alignment, e.g. closed days; may
// be empty); -1 where there is none.
std::vector<int> AlignCompared(size_t currentRows, size_t comparedRows,
                               const std::vector<bool>& skipCurrent,
                               const std::vector<bool>& skipCompared);

// The change from `before` to `now` in per cent; false when `before` is 0.
bool PercentChange(uint64_t now, uint64_t before, double* percent);

}  // namespace zl
