#include "data/SqlBuilders.h"

#include <cstdint>

#include "data/SinglePass.h"
#include "data/SqlText.h"
#include "store/SiteRecord.h"

namespace {

bool SameHour(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wHour == b.wHour;
}

// Buckets with their progress marks: a step follows the last bucket of every hour of a day
// and every day of a week or month.
std::vector<PlannedBucket> Skeleton(int range, const SYSTEMTIME& date, int periodMinutes,
                                    const WorkingHourTable& hours) {
    const std::vector<tagDSSYSTIMEPERIOD> spans = ReportBuckets(range, date, periodMinutes, hours);
    std::vector<PlannedBucket> out(spans.size());
    for (size_t i = 0; i < spans.size(); ++i) {
        out[i].from = spans[i].start;
        out[i].to = spans[i].end;
        out[i].stepAfter = range != kReportDay || i + 1 == spans.size() ||
                           !SameHour(spans[i].start, spans[i + 1].start);
    }
    return out;
}

void Deliver(const QueryHooks& hooks, const PlannedBucket& b, const uint32_t* values, int count,
             int kind) {
    if (hooks.sink) hooks.sink->AddRow(b.from, b.to, values, count, kind);
}

// Runs one bucket; false when a text finally failed.
bool RunBucket(const SiteRecord& site, const QueryPlan& plan, const PlannedBucket& bucket,
               const QueryHooks& hooks) {
    std::vector<SqlRow> rows;
    if (plan.shape == kRowFromColumns) {
        if (bucket.sql.empty()) return true;
        if (!ExecuteWithRetry(site, plan.family, bucket.sql.front(), rows, hooks)) return false;
        for (const SqlRow& row : rows) {
            if (row.empty() || row[0] < 0) continue;
            uint32_t values[10] = {};
            const int columns = static_cast<int>(row.size() < 10 ? row.size() : 10);
            for (int i = 0; i < columns; ++i) values[i] = static_cast<uint32_t>(row[i]);
            const int count = plan.fixedCount > 0 ? plan.fixedCount : columns;
            Deliver(hooks, bucket, values, count, plan.kind);
        }
        return true;
    }
    // One text per value: each stores its first column into its own slot; the last text's
    // row completes the bucket's row.
    uint32_t values[10] = {};
    const size_t n = bucket.sql.size() < 10 ? bucket.sql.size() : 10;
    for (size_t j = 0; j < n; ++j) {
        if (!ExecuteWithRetry(site, plan.family, bucket.sql[j], rows, hooks)) return false;
        for (const SqlRow& row : rows) {
            if (!row.empty() && row[0] >= 0) values[j] = static_cast<uint32_t>(row[0]);
            if (j + 1 == n) Deliver(hooks, bucket, values, static_cast<int>(n), plan.kind);
        }
    }
    return true;
}

}  // namespace

QueryPlan Plan2D(const std::string& cameraFilter, int range, const SYSTEMTIME& date,
                 const WorkingHourTable& hours) {
    QueryPlan plan;
    plan.family = kFamily2D;
    plan.kind = range;
    plan.shape = kRowFromColumns;
    plan.fixedCount = 4;  // in, out and two unused values
    plan.buckets = Skeleton(range, date, 60, hours);
    for (PlannedBucket& b : plan.buckets) b.sql.push_back(Sql2D(cameraFilter, b.from, b.to));
    return plan;
}

QueryPlan Plan3D(const std::string& cameraFilter, int range, const SYSTEMTIME& date, int t1, int t2,
                 int heightMode, const WorkingHourTable& hours) {
    QueryPlan plan;
    plan.family = kFamily3D;
    plan.kind = range;
    plan.shape = kRowFromStatements;
    plan.fixedCount = ValueCountOf3DMode(heightMode);
    if (plan.fixedCount == 0) return plan;  // a mode that sends nothing
    plan.buckets = Skeleton(range, date, 60, hours);
    for (PlannedBucket& b : plan.buckets)
        b.sql = Sql3DGroup(cameraFilter, heightMode, t1, t2, range == kReportDay, b.from, b.to);
    return plan;
}

QueryPlan PlanGeneric(const std::string& selectExpression, const std::string& cameraFilter,
                      const std::string& timeColumn, int range, const SYSTEMTIME& date,
                      int periodMinutes, const WorkingHourTable& hours) {
    QueryPlan plan;
    plan.family = kFamilyGeneric;
    plan.kind = range;
    plan.shape = kRowFromColumns;
    plan.fixedCount = 0;
    plan.buckets = Skeleton(range, date, periodMinutes, hours);
    for (PlannedBucket& b : plan.buckets)
        b.sql.push_back(SqlGeneric(selectExpression, cameraFilter, timeColumn, b.from, b.to));
    return plan;
}

int RunPlan(const SiteRecord& site, const QueryPlan& plan, const QueryHooks& hooks) {
    if (hooks.singlePass) {
        const int done = RunPlanSinglePass(site, plan, hooks);
        if (done != kSinglePassUnusable) return done;
    }
    for (const PlannedBucket& bucket : plan.buckets) {
        if (!RunBucket(site, plan, bucket, hooks)) return 0;
        if (bucket.stepAfter && hooks.progress && !hooks.progress->Step()) return 0;
    }
    return 1;
}

int Query2D(const SiteRecord& site, const std::string& cameraFilter, int range,
            const SYSTEMTIME& date, const WorkingHourTable& hours, const QueryHooks& hooks) {
    return RunPlan(site, Plan2D(cameraFilter, range, date, hours), hooks);
}

int Query3D(const SiteRecord& site, const std::string& cameraFilter, int range,
            const SYSTEMTIME& date, int t1, int t2, int heightMode, const WorkingHourTable& hours,
            const QueryHooks& hooks) {
    return RunPlan(site, Plan3D(cameraFilter, range, date, t1, t2, heightMode, hours), hooks);
}

int QueryGeneric(const SiteRecord& site, const std::string& selectExpression,
                 const std::string& cameraFilter, const std::string& timeColumn, int range,
                 const SYSTEMTIME& date, int periodMinutes, const WorkingHourTable& hours,
                 const QueryHooks& hooks) {
    return RunPlan(
        site,
        PlanGeneric(selectExpression, cameraFilter, timeColumn, range, date, periodMinutes, hours),
        hooks);
}

int RunGenericSite(SiteRecord site, const GenericRunParams& params, const QueryHooks& hooks) {
    const std::string cameras = CameraFilter(CheckedCameras(site, false));
    const std::string select =
        SelectExpression(params.counterType, params.regions, params.queueMeasure);
    if (cameras.empty() || select.empty()) return 1;

    const bool ownClient = site.clientOther != nullptr;
    if (ownClient) ConnectOwnClient(&site.clientOther, site);
    const std::string filter =
        GenericFilter(cameras, params.counterType, params.queueMeasure, params.regions);
    const int period = params.periodMinutes == 0 ? 60 : params.periodMinutes;
    const int ok = QueryGeneric(site, select, filter, TimeColumnOf(params.counterType),
                                params.range, params.date, period, params.hours, hooks);
    if (ownClient) ReleaseOwnClient(&site.clientOther);
    return ok;
}
