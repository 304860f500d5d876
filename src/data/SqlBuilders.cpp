#include "data/SqlBuilders.h"

#include <cstdint>
#include <functional>

#include "data/BucketPassRun.h"
#include "data/PassPairing.h"
#include "data/SqlText.h"
#include "store/SiteRecord.h"

namespace zl {

using zl::recnet::BucketPassResult;

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

// Runs one bucket; false when a text finally failed.
bool RunBucket(const SiteRecord& site, const BucketPlan& plan, const PlannedBucket& bucket,
               const QueryHooks& hooks) {
    const std::vector<std::string> texts = BucketTexts(plan, bucket);
    std::vector<SqlRow> rows;
    if (plan.shape == kRowFromColumns) {
        if (texts.empty()) return true;
        if (!ExecuteWithRetry(site, plan.family, texts.front(), rows, hooks)) return false;
        for (const SqlRow& row : rows) DeliverRow(plan, bucket, row, hooks.sink);
        return true;
    }
    // One text per value: each gives its first column; every row of the last text completes
    // the bucket's row.
    SqlRow firsts(texts.size(), 0);
    for (size_t j = 0; j < texts.size(); ++j) {
        if (!ExecuteWithRetry(site, plan.family, texts[j], rows, hooks)) return false;
        for (const SqlRow& row : rows) {
            if (!row.empty() && row[0] >= 0) firsts[j] = row[0];
            if (j + 1 == texts.size()) DeliverRow(plan, bucket, firsts, hooks.sink);
        }
    }
    return true;
}

// The plan of `date` on the site. With hooks.earlierInPass its bucket pass also reads the plan
// of the earlier date when both pair (data/BucketPassRun.h); else the plan runs alone.
int RunPlanOf(const SiteRecord& site, const std::function<BucketPlan(const SYSTEMTIME&)>& planAt,
              const SYSTEMTIME& date, const QueryHooks& hooks) {
    const BucketPlan plan = planAt(date);
    if (hooks.bucketPass && hooks.earlierInPass) {
        switch (
            RunJoinedBucketPass(site, plan, planAt(hooks.earlierInPass->EarlierDate()), hooks)) {
            case BucketPassResult::kDone:
                return 1;
            case BucketPassResult::kFailed:
                return 0;
            case BucketPassResult::kUnusable:
                break;
        }
    }
    return RunPlan(site, plan, hooks);
}

}  // namespace

BucketPlan Plan2D(const std::string& cameraFilter, int range, const SYSTEMTIME& date,
                  const WorkingHourTable& hours) {
    BucketPlan plan;
    plan.family = kFamily2D;
    plan.kind = range;
    plan.shape = kRowFromColumns;
    plan.fixedCount = 4;  // in, out and two unused values
    plan.pieces = Pieces2D(cameraFilter);
    plan.buckets = Skeleton(range, date, 60, hours);
    return plan;
}

BucketPlan Plan3D(const std::string& cameraFilter, int range, const SYSTEMTIME& date, int t1,
                  int t2, int heightMode, const WorkingHourTable& hours) {
    BucketPlan plan;
    plan.family = kFamily3D;
    plan.kind = range;
    plan.shape = kRowFromParts;
    plan.fixedCount = ValueCountOf3DMode(heightMode);
    if (plan.fixedCount == 0) return plan;  // a mode that sends nothing
    plan.pieces = Pieces3D(cameraFilter, heightMode, t1, t2, range == kReportDay);
    plan.buckets = Skeleton(range, date, 60, hours);
    plan.recordCondition = "(" + cameraFilter + ")";
    return plan;
}

BucketPlan PlanGeneric(const std::string& selectExpression, const std::string& cameraFilter,
                       const std::string& timeColumn, int range, const SYSTEMTIME& date,
                       int periodMinutes, const WorkingHourTable& hours) {
    BucketPlan plan;
    plan.family = kFamilyGeneric;
    plan.kind = range;
    plan.shape = kRowFromColumns;
    plan.fixedCount = 0;
    plan.pieces = PiecesGeneric(selectExpression, cameraFilter, timeColumn);
    plan.buckets = Skeleton(range, date, periodMinutes, hours);
    return plan;
}

int RunPlan(const SiteRecord& site, const BucketPlan& plan, const QueryHooks& hooks) {
    if (hooks.bucketPass) {
        switch (RunPlanBucketPass(site, plan, hooks)) {
            case BucketPassResult::kDone:
                return 1;
            case BucketPassResult::kFailed:
                return 0;
            case BucketPassResult::kUnusable:
                break;  // the per-bucket statements
        }
    }
    for (const PlannedBucket& bucket : plan.buckets) {
        if (!RunBucket(site, plan, bucket, hooks)) return 0;
        if (bucket.stepAfter && hooks.progress && !hooks.progress->Step()) return 0;
    }
    return 1;
}

int Query2D(const SiteRecord& site, const std::string& cameraFilter, int range,
            const SYSTEMTIME& date, const WorkingHourTable& hours, const QueryHooks& hooks) {
    return RunPlanOf(
        site, [&](const SYSTEMTIME& d) { return Plan2D(cameraFilter, range, d, hours); }, date,
        hooks);
}

int Query3D(const SiteRecord& site, const std::string& cameraFilter, int range,
            const SYSTEMTIME& date, int t1, int t2, int heightMode, const WorkingHourTable& hours,
            const QueryHooks& hooks) {
    return RunPlanOf(
        site,
        [&](const SYSTEMTIME& d) {
            return Plan3D(cameraFilter, range, d, t1, t2, heightMode, hours);
        },
        date, hooks);
}

int QueryGeneric(const SiteRecord& site, const std::string& selectExpression,
                 const std::string& cameraFilter, const std::string& timeColumn, int range,
                 const SYSTEMTIME& date, int periodMinutes, const WorkingHourTable& hours,
                 const QueryHooks& hooks) {
    return RunPlanOf(
        site,
        [&](const SYSTEMTIME& d) {
            return PlanGeneric(selectExpression, cameraFilter, timeColumn, range, d, periodMinutes,
                               hours);
        },
        date, hooks);
}

int RunGenericSite(SiteRecord site, const GenericRunParams& params, const QueryHooks& hooks) {
    const std::string cameras = CameraFilter(CheckedCameras(site, false));
    const std::string select =
        SelectExpression(params.counterType, params.regions, params.queueMeasure);
    if (cameras.empty() || select.empty()) return 1;

    const bool ownClient = site.clientOther != nullptr && !params.ownClientReady;
    if (ownClient) ConnectOwnClient(&site.clientOther, site);
    const std::string filter =
        GenericFilter(cameras, params.counterType, params.queueMeasure, params.regions);
    const int period = params.periodMinutes == 0 ? 60 : params.periodMinutes;
    const int ok = QueryGeneric(site, select, filter, TimeColumnOf(params.counterType),
                                params.range, params.date, period, params.hours, hooks);
    if (ownClient) ReleaseOwnClient(&site.clientOther);
    return ok;
}

}  // namespace zl
