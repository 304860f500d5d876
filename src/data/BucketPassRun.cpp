#include "data/BucketPassRun.h"

#include "data/QueryExec.h"
#include "recnet/RecNet.h"
#include "store/SiteRecord.h"

namespace zl {

using zl::recnet::BucketPass;
using zl::recnet::BucketPassResult;
using zl::recnet::BucketRows;

namespace {

// An answer row of the pass read as the per-bucket run reads its rows (NULL counts as 0).
SqlRow SqlRowOf(const zl::recnet::BucketRow& row) {
    SqlRow out;
    out.reserve(row.size());
    for (const zl::recnet::BucketCell& cell : row)
        out.push_back(cell.null ? 0 : SqlColumnToInt(cell.text.c_str()));
    return out;
}

}  // namespace

RecNetBucketPass* BucketPassHandle(const SiteRecord& site, QueryFamily family) {
    if (RecNetClient* client = FamilyClient(site, family))
        return dynamic_cast<RecNetBucketPass*>(client);
    if (site.localDb) return dynamic_cast<RecNetBucketPass*>(site.localDb);
    return nullptr;
}

BucketPassResult RunPlanBucketPass(const SiteRecord& site, const BucketPlan& plan,
                                   const QueryHooks& hooks) {
    RecNetBucketPass* handle = BucketPassHandle(site, plan.family);
    if (!handle) return BucketPassResult::kUnusable;
    BucketPass pass;
    // The coverage's record counts ride along when asked for and the pass can hold them.
    const bool counting = hooks.counts != nullptr && CountingBucketPassOf(plan, &pass);
    if (!counting && !BucketPassOf(plan, &pass)) return BucketPassResult::kUnusable;
    IQueryProgress* progress = hooks.progress;
    const std::function<bool()> cancelled = [progress] {
        return progress != nullptr && progress->Aborted();
    };
    BucketRows rows;
    std::string statement;
    BucketPassResult result = BucketPassResult::kFailed;
    // A pass that failed (time limit, lost connection, a wrong answer) is a failure of the
    // query: the same attempts and question as a statement, never the per-bucket statements.
    const int ran = RetryAttempts(site, hooks, [&]() -> int {
        rows.clear();
        result = BucketPassResult::kFailed;
        if (RecNetClient* client = FamilyClient(site, plan.family))
            if (!EnsureSession(client, site)) return 0;
        result = handle->ExecBucketPass(pass, cancelled, &rows, &statement);
        if (result == BucketPassResult::kDone && rows.size() != plan.buckets.size())
            result = BucketPassResult::kFailed;
        return result == BucketPassResult::kFailed ? 0 : 1;
    });
    if (progress && progress->Aborted()) return BucketPassResult::kFailed;
    if (ran != 1) return BucketPassResult::kFailed;
    if (result != BucketPassResult::kDone) return result;
    if (hooks.lastSql) *hooks.lastSql = statement;
    PassRecordCounts counts;
    if (counting) {
        counts.family = plan.family;
        counts.records.assign(plan.buckets.size(), 0);
        for (const PlannedBucket& b : plan.buckets) counts.buckets.push_back({b.from, b.to});
    }
    for (size_t b = 0; b < plan.buckets.size(); ++b) {
        SqlRow row = SqlRowOf(rows[b]);
        if (counting) {
            // The added cell goes to the counts; the values are those of the plain pass.
            if (row.size() < 2) return BucketPassResult::kFailed;
            counts.records[b] = row.back() > 0 ? static_cast<uint64_t>(row.back()) : 0;
            row.pop_back();
        }
        DeliverRow(plan, plan.buckets[b], row, hooks.sink);
        if (plan.buckets[b].stepAfter && progress && !progress->Step())
            return BucketPassResult::kFailed;
    }
    if (counting) hooks.counts->AddCounts(std::move(counts));
    return BucketPassResult::kDone;
}

}  // namespace zl
