#include "query/Compare.h"

#include <algorithm>
#include <mutex>

#include "base/CounterTypes.h"
#include "data/PassPairing.h"
#include "data/QueryExec.h"
#include "data/SqlBuilders.h"
#include "data/SqlText.h"
#include "query/SiteRunner.h"
#include "recnet/BucketPass.h"
#include "recnet/RecNet.h"
#include "recnet/RecNetBucketPass.h"

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

// Every time column a report of the site reads leads an index of its database.
bool TimeIndexed(const SiteRecord& site, int counterType) {
    std::vector<std::string> columns;
    if (IsPeopleCounterType(counterType)) {
        if (!CheckedCameras(site, false).empty()) columns.push_back("EnterTime");
        if (!CheckedCameras(site, true).empty()) columns.push_back("Time");
    } else {
        columns.push_back(TimeColumnOf(counterType));
    }
    std::vector<std::string> indexes;
    const RecNetRowCallback collect = [](void* context, int count, char** texts, char**) {
        if (count > 0 && texts[0])
            static_cast<std::vector<std::string>*>(context)->push_back(texts[0]);
        return 0;
    };
    if (!site.localDb->Exec("SELECT sql FROM sqlite_master WHERE type='index' AND sql IS NOT NULL;",
                            collect, &indexes))
        return false;
    for (const std::string& column : columns) {
        bool found = false;
        for (const std::string& index : indexes)
            found = found || zl::recnet::IndexLeadsWithColumn(index, column);
        if (!found) return false;
    }
    return true;
}

// Local objects of the run's own for the compared period, opened on the same databases as the
// sites' (a local object answers one statement at a time), so that the two periods read at
// once. Destroyed on every way out.
class ComparedLocals {
  public:
    // Opens one per site when every site is local, has an index on the time columns the report
    // reads (else one pass over both periods reads less) and its database can be opened
    // again; else Ready() is false.
    ComparedLocals(const std::vector<SiteRecord>& sites, int counterType) : sites_(sites) {
        if (counterType == kQueue) return;  // its database is chosen per queue measure
        for (const SiteRecord& site : sites_)
            if (site.connectionType != kConnLocal || !site.localDb ||
                !dynamic_cast<RecNetBucketPass*>(site.localDb) || site.client2D || site.client3D ||
                site.clientOther || site.deviceLink || !TimeIndexed(site, counterType))
                return;
        for (SiteRecord& site : sites_) {
            const std::string path = IsDatabaseFile(site.localDB)
                                         ? site.localDB
                                         : DatabasePathOfType(site.localDB, counterType);
            site.localDb = nullptr;
            opened_.push_back(nullptr);
            if (!RecNetCreateLocal(&opened_.back()) || !opened_.back()->Open(path.c_str())) return;
            site.localDb = opened_.back();
        }
        ready_ = !sites_.empty();
    }
    ~ComparedLocals() {
        for (RecNetLocal*& local : opened_)
            if (local) DestroyRecNetLocal(&local);
    }
    ComparedLocals(const ComparedLocals&) = delete;
    ComparedLocals& operator=(const ComparedLocals&) = delete;

    bool Ready() const { return ready_; }
    const std::vector<SiteRecord>& Sites() const { return sites_; }

  private:
    std::vector<SiteRecord> sites_;  // copies; only their local objects are this run's own
    std::vector<RecNetLocal*> opened_;
    bool ready_ = false;
};

// The run's progress and question for two periods read at once: one call at a time, and a
// period that fails stops the other (its steps answer false, its passes see a cancel).
class PeriodsProgress : public IQueryProgress, public IRetryPrompt {
  public:
    PeriodsProgress(IQueryProgress* progress, IRetryPrompt* prompt)
        : progress_(progress), prompt_(prompt) {}
    bool Step(const char* text) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        return !stopped_ && (!progress_ || progress_->Step(text));
    }
    void Abort() override {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
        if (progress_) progress_->Abort();
    }
    bool Aborted() const override {
        const std::lock_guard<std::mutex> lock(mutex_);
        return stopped_ || (progress_ && progress_->Aborted());
    }
    void Close() override {}
    bool AskRetry(const std::string& caption, const std::string& message) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        return !stopped_ && prompt_ && prompt_->AskRetry(caption, message);
    }
    // A period failed: the other ends as soon as it looks.
    void Stop() {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
    }

  private:
    IQueryProgress* progress_;
    IRetryPrompt* prompt_;
    mutable std::mutex mutex_;
    bool stopped_ = false;
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
    const SharedRunClients clients(&own, IsPeopleCounterType(params.counterType),
                                   params.siteThreads);
    QueryParams now = params;
    now.ownClientsReady = true;
    QueryParams earlier = now;
    earlier.startDate = ComparedDate(params.range, params.startDate, mode);
    // Local sites whose time column is indexed read both periods at once on objects of their
    // own (an index finds the rows of each period, two threads read them in half the time).
    const ComparedLocals locals(params.siteThreads < 2 ? std::vector<SiteRecord>() : own,
                                params.counterType);
    // Else the earlier period is read in the current run's passes (one scan of both periods
    // where there is no time index, one request to a server); its run takes the rows.
    PassPairing pairing(earlier.startDate);
    QueryTables currentTables = current, comparedTables = compared;
    if (!locals.Ready()) {
        currentTables.earlierInPass = &pairing;
        comparedTables.answeredPasses = &pairing;
    }
    int outcome = kQueryFailed;
    if (locals.Ready()) {
        // Each period with half the threads, so the run uses no more threads than its sites
        // would; each fills its own tables, so the rows are those of one period after the
        // other.
        PeriodsProgress shared(&keepOpen, prompt);
        now.siteThreads = earlier.siteThreads = std::max(1, params.siteThreads / 2);
        int outcomes[2] = {kQueryFailed, kQueryFailed};
        ForEachAtOnce(2, 2, [&](size_t i) {
            outcomes[i] = i == 0
                              ? RunQuery(now, own, &shared, &shared, currentTables)
                              : RunQuery(earlier, locals.Sites(), &shared, &shared, comparedTables);
            if (outcomes[i] != kQueryDone) shared.Stop();
        });
        outcome = outcomes[0] == kQueryDone ? outcomes[1] : outcomes[0];
        if (outcomes[0] == kQueryDone && outcomes[1] != kQueryDone && current.report)
            current.report->Clear();
    } else {
        outcome = RunQuery(now, own, &keepOpen, prompt, currentTables);
        if (outcome == kQueryDone) {
            outcome = RunQuery(earlier, own, &keepOpen, prompt, comparedTables);
            // A failed compared run leaves no half report behind.
            if (outcome != kQueryDone && current.report) current.report->Clear();
        }
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
