#include "query/QueryWorker.h"

#include <functional>

#include "base/CounterTypes.h"
#include "data/QueryExec.h"
#include "data/SqlBuilders.h"
#include "data/SqlText.h"
#include "devlink/DevLink.h"
#include "query/DeviceBuckets.h"
#include "query/SiteRunner.h"

namespace zl {

namespace {

class TableSink : public IRowSink {
  public:
    explicit TableSink(CCountTable* table) : table_(table) {}
    void AddRow(const SYSTEMTIME& from, const SYSTEMTIME& to, const uint32_t* values, int count,
                int kind) override {
        if (table_) table_->Add(from, to, values, count, kind);
    }

  private:
    CCountTable* table_;
};

// The counts of one site's passes into its own entry (sites running at once write apart).
class SiteCountSink : public IRecordCountSink {
  public:
    explicit SiteCountSink(std::vector<PassRecordCounts>* out) : out_(out) {}
    void AddCounts(PassRecordCounts counts) override { out_->push_back(std::move(counts)); }

  private:
    std::vector<PassRecordCounts>* out_;
};

// The counts entry of a site of the run (the job is handed the run's own list entries).
std::vector<PassRecordCounts>* CountsOf(const QueryTables& tables,
                                        const std::vector<SiteRecord>& sites,
                                        const SiteRecord& listed) {
    if (!tables.counts || sites.empty()) return nullptr;
    const std::less<const SiteRecord*> before;
    if (before(&listed, sites.data()) || !before(&listed, sites.data() + sites.size()))
        return nullptr;
    return &tables.counts->sites[static_cast<size_t>(&listed - sites.data())];
}

void PairPasses(const QueryTables& tables, QueryHooks* hooks) {
    hooks->earlierInPass = tables.earlierInPass;
    hooks->answeredPasses = tables.answeredPasses;
}

void ClearTables(const QueryTables& tables) {
    if (tables.people) tables.people->Clear();
    if (tables.threeD) tables.threeD->Clear();
    if (tables.report) tables.report->Clear();
}

void ResetCounts(const QueryTables& tables, size_t sites) {
    if (tables.counts) tables.counts->sites.assign(sites, {});
}

// The report table is built only for a run that went through: a failed or cancelled run
// leaves it empty (it was cleared at the start).
int Conclude(bool ok, IQueryProgress* progress, const QueryTables& tables) {
    if (progress && progress->Aborted()) ok = false;
    if (ok && tables.report) {
        static const CCountTable kEmpty;
        tables.report->Build(tables.people ? *tables.people : kEmpty,
                             tables.threeD ? *tables.threeD : kEmpty);
    }
    if (progress) progress->Close();
    return ok ? kQueryDone : kQueryFailed;
}

}  // namespace

std::vector<SiteRecord> CheckedSites(const std::vector<SiteRecord>& sites) {
    std::vector<SiteRecord> out;
    for (const SiteRecord& s : sites)
        if (s.checked == 1) out.push_back(s);
    return out;
}

int QueryDeviceCounts(const SiteRecord& site, int range, const SYSTEMTIME& date,
                      const WorkingHourTable& hours, IQueryProgress* progress, IRowSink* sink) {
    const std::vector<int> cameras = CheckedCameras(site, false);
    for (const tagDSSYSTIMEPERIOD& bucket : DeviceBuckets(range, date, hours)) {
        const double from = SystemTimeToOleDate(bucket.start);
        const double to = SystemTimeToOleDate(bucket.end);
        uint32_t values[2] = {0, 0};
        if (site.deviceLink) {
            for (int camera : cameras) {
                int in = 0, out = 0;
                if (site.deviceLink->GetCounts(camera, from, to, &in, &out) != 1) continue;
                values[0] += static_cast<uint32_t>(in);
                values[1] += static_cast<uint32_t>(out);
            }
        }
        if (sink) sink->AddRow(bucket.start, bucket.end, values, 2, range);
        if (progress && !progress->Step()) return 0;
    }
    return 1;
}

int RunPeopleQuery(const QueryParams& params, const std::vector<SiteRecord>& sites,
                   IQueryProgress* progress, IRetryPrompt* prompt, const QueryTables& tables) {
    if (sites.empty()) return kQueryNoSites;
    ClearTables(tables);
    ResetCounts(tables, sites.size());
    TableSink people(tables.people), threeD(tables.threeD);
    const int t1 = ThresholdToMillimetres(params.heightLow, params.heightUnit);
    const int t2 = ThresholdToMillimetres(params.heightHigh, params.heightUnit);

    // The job gets the progress and prompt of its own site (synchronised when sites run at
    // once); the run's own objects are not captured under the same names.
    const SiteJob job = [&](const SiteRecord& listed, IQueryProgress* siteProgress,
                            IRetryPrompt* sitePrompt, const SiteSinks& sinks) {
        SiteRecord site = listed;
        std::vector<PassRecordCounts>* counted = CountsOf(tables, sites, listed);
        SiteCountSink counts(counted);
        IRecordCountSink* countSink = counted ? &counts : nullptr;
        QueryHooks hooks2D{siteProgress, sitePrompt,        sinks.people,
                           nullptr,      params.bucketPass, countSink};
        QueryHooks hooks3D{siteProgress, sitePrompt,        sinks.threeD,
                           nullptr,      params.bucketPass, countSink};
        PairPasses(tables, &hooks2D);
        PairPasses(tables, &hooks3D);
        // A client of the run's own in the handle of this copy; the site list's stays as it
        // is. Without a client the site's local object is used.
        RecNetClient** own = params.ownClientsReady ? nullptr
                             : site.client2D        ? &site.client2D
                             : site.client3D        ? &site.client3D
                                                    : nullptr;
        if (own) ConnectOwnClient(own, site);

        bool ok = true;
        const std::string filter2D = CameraFilter(CheckedCameras(site, false));
        const std::string filter3D = CameraFilter(CheckedCameras(site, true));
        if (!filter2D.empty()) {
            if (site.connectionType == kConnDevice)
                ok = QueryDeviceCounts(site, params.range, params.startDate, params.hours,
                                       siteProgress, sinks.people) != 0;
            else
                ok = Query2D(site, filter2D, params.range, params.startDate, params.hours,
                             hooks2D) != 0;
        }
        if (ok && !filter3D.empty())
            ok = Query3D(site, filter3D, params.range, params.startDate, t1, t2, params.heightClass,
                         params.hours, hooks3D) != 0;

        if (own) ReleaseOwnClient(own);
        return ok;
    };
    const bool atOnce = SitesMayRunAtOnce(sites, true, params.siteThreads);
    const bool ok = RunSites(sites, atOnce, params.siteThreads, progress, prompt,
                             SiteSinks{&people, &threeD}, job, tables.failedSite);
    return Conclude(ok, progress, tables);
}

int RunGeneralQuery(const QueryParams& params, const std::vector<SiteRecord>& sites,
                    IQueryProgress* progress, IRetryPrompt* prompt, const QueryTables& tables) {
    if (sites.empty()) return kQueryNoSites;
    ClearTables(tables);
    ResetCounts(tables, sites.size());
    TableSink people(tables.people);
    GenericRunParams run;
    run.counterType = params.counterType;
    run.range = params.range;
    run.date = params.startDate;
    run.periodMinutes = params.periodMinutes;
    run.regions = RegionsFromFlags(params.regionVisible.data(), 10);
    run.queueMeasure = params.queueType;
    run.hours = params.hours;
    run.ownClientReady = params.ownClientsReady;

    const SiteJob job = [&](const SiteRecord& site, IQueryProgress* siteProgress,
                            IRetryPrompt* sitePrompt, const SiteSinks& sinks) {
        std::vector<PassRecordCounts>* counted = CountsOf(tables, sites, site);
        SiteCountSink counts(counted);
        QueryHooks hooks{siteProgress, sitePrompt,        sinks.people,
                         nullptr,      params.bucketPass, counted ? &counts : nullptr};
        PairPasses(tables, &hooks);
        return RunGenericSite(site, run, hooks) != 0;
    };
    const bool atOnce = SitesMayRunAtOnce(sites, false, params.siteThreads);
    const bool ok = RunSites(sites, atOnce, params.siteThreads, progress, prompt,
                             SiteSinks{&people, nullptr}, job, tables.failedSite);
    return Conclude(ok, progress, tables);
}

int RunQuery(const QueryParams& params, const std::vector<SiteRecord>& sites,
             IQueryProgress* progress, IRetryPrompt* prompt, const QueryTables& tables) {
    if (IsPeopleCounterType(params.counterType))
        return RunPeopleQuery(params, sites, progress, prompt, tables);
    return RunGeneralQuery(params, sites, progress, prompt, tables);
}

}  // namespace zl
