#include "query/Compare.h"

#include <optional>

#include "base/CounterTypes.h"
#include "data/PassPairing.h"
#include "data/QueryExec.h"
#include "data/SqlBuilders.h"
#include "query/SiteRunner.h"

namespace zl {

namespace {

constexpr double kDay = 1.0;

// Clients of the run's own for both periods, in the handles a worker would put its own into
// (people counters: client2D, else client3D; other types: clientOther), connected at once as
// the sites run, closed on every way out.
class SharedRunClients {
  public:
    SharedRunClients(std::vector<SiteRecord>* sites, bool people, int threads) : sites_(sites) {
        for (SiteRecord& site : *sites_) {
            RecNetClient** handle = people ? (site.client2D   ? &site.client2D
                                              : site.client3D ? &site.client3D
                                                              : nullptr)
                                           : (site.clientOther ? &site.clientOther : nullptr);
            handles_.push_back(handle);
        }
        ForEachAtOnce(handles_.size(), threads, [this](size_t i) {
            if (handles_[i]) ConnectOwnClient(handles_[i], (*sites_)[i]);
        });
    }
    ~SharedRunClients() {
        for (RecNetClient** handle : handles_)
            if (handle) ReleaseOwnClient(handle);
    }
    SharedRunClients(const SharedRunClients&) = delete;
    SharedRunClients& operator=(const SharedRunClients&) = delete;

  private:
    std::vector<SiteRecord>* sites_;
    std::vector<RecNetClient**> handles_;
};

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
    // Both periods on one connection per server site: a second connect and login would cost
    // about as much as a report.
    std::vector<SiteRecord> own = sites;
    std::optional<SharedRunClients> clients;
    if (!params.ownClientsReady)
        clients.emplace(&own, IsPeopleCounterType(params.counterType), params.siteThreads);
    QueryParams now = params;
    now.ownClientsReady = true;
    QueryParams earlier = now;
    earlier.startDate = ComparedDate(params.range, params.startDate, mode);
    // The earlier period is read in the current run's passes (one scan of both periods where
    // there is no time index, the days between them left out; one request to a server); its
    // run takes the rows.
    PassPairing pairing(earlier.startDate);
    QueryTables currentTables = current, comparedTables = compared;
    currentTables.earlierInPass = &pairing;
    comparedTables.answeredPasses = &pairing;
    int outcome = RunQuery(now, own, &keepOpen, prompt, currentTables);
    if (outcome == kQueryDone) {
        outcome = RunQuery(earlier, own, &keepOpen, prompt, comparedTables);
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

}  // namespace zl
