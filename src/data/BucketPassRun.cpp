#include "data/BucketPassRun.h"

#include "data/PassPairing.h"
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

// The pass of the plan; `counting` when the coverage's record counts ride along (asked for and
// the pass can hold them). False when the plan has no pass.
bool PassOfPlan(const BucketPlan& plan, const QueryHooks& hooks, BucketPass* pass, bool* counting) {
    *counting = hooks.counts != nullptr && CountingBucketPassOf(plan, pass);
    return *counting || BucketPassOf(plan, pass);
}

// Runs the pass on the handle, `expected` answer rows. A pass that failed (time limit, lost
// connection, a wrong answer) is a failure of the query: the same attempts and question as a
// statement, never the per-bucket statements.
BucketPassResult ExecutePass(const SiteRecord& site, QueryFamily family, RecNetBucketPass* handle,
                             const BucketPass& pass, size_t expected, const QueryHooks& hooks,
                             BucketRows* rows, std::string* statement) {
    IQueryProgress* progress = hooks.progress;
    const std::function<bool()> cancelled = [progress] {
        return progress != nullptr && progress->Aborted();
    };
    BucketPassResult result = BucketPassResult::kFailed;
    const int ran = RetryAttempts(site, hooks, [&]() -> int {
        rows->clear();
        result = BucketPassResult::kFailed;
        if (RecNetClient* client = FamilyClient(site, family))
            if (!EnsureSession(client, site)) return 0;
        result = handle->ExecBucketPass(pass, cancelled, rows, statement);
        if (result == BucketPassResult::kDone && rows->size() != expected)
            result = BucketPassResult::kFailed;
        return result == BucketPassResult::kFailed ? 0 : 1;
    });
    if (progress && progress->Aborted()) return BucketPassResult::kFailed;
    if (ran != 1) return BucketPassResult::kFailed;
    return result;
}

// The plan's rows from the answer rows `rows[first..]` (one per bucket of the plan) to the sink,
// with the progress steps, and their record counts when `counting`.
BucketPassResult DeliverPass(const BucketPlan& plan, const BucketRows& rows, size_t first,
                             bool counting, const std::string& statement, const QueryHooks& hooks) {
    if (hooks.lastSql) *hooks.lastSql = statement;
    IQueryProgress* progress = hooks.progress;
    PassRecordCounts counts;
    if (counting) {
        counts.family = plan.family;
        counts.records.assign(plan.buckets.size(), 0);
        for (const PlannedBucket& b : plan.buckets) counts.buckets.push_back({b.from, b.to});
    }
    for (size_t b = 0; b < plan.buckets.size(); ++b) {
        SqlRow row = SqlRowOf(rows[first + b]);
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

// The earlier plan ends before the current one begins. Days between them cost a scan nothing:
// its time condition leaves them out.
bool Precedes(const BucketPlan& earlier, const BucketPlan& plan) {
    return SystemTimeToOleDate(plan.buckets.front().from) >
           SystemTimeToOleDate(earlier.buckets.back().to);
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
    bool counting = false;
    if (!PassOfPlan(plan, hooks, &pass, &counting)) return BucketPassResult::kUnusable;
    BucketRows rows;
    std::string statement;
    // Answered already by the pass of the later period.
    BucketPass plain;
    if (hooks.answeredPasses && BucketPassOf(plan, &plain) &&
        hooks.answeredPasses->Take(handle, plain, counting, &rows, &statement) &&
        rows.size() == plan.buckets.size())
        return DeliverPass(plan, rows, 0, counting, statement, hooks);
    const BucketPassResult result =
        ExecutePass(site, plan.family, handle, pass, plan.buckets.size(), hooks, &rows, &statement);
    if (result != BucketPassResult::kDone) return result;
    return DeliverPass(plan, rows, 0, counting, statement, hooks);
}

BucketPassResult RunJoinedBucketPass(const SiteRecord& site, const BucketPlan& plan,
                                     const BucketPlan& earlier, const QueryHooks& hooks) {
    RecNetBucketPass* handle = BucketPassHandle(site, plan.family);
    if (!handle || !hooks.earlierInPass || plan.buckets.empty() || earlier.buckets.empty() ||
        earlier.family != plan.family || !Precedes(earlier, plan))
        return BucketPassResult::kUnusable;
    BucketPass earlierPass;
    if (!BucketPassOf(earlier, &earlierPass)) return BucketPassResult::kUnusable;
    BucketPlan joined = plan;
    joined.buckets = earlier.buckets;
    joined.buckets.insert(joined.buckets.end(), plan.buckets.begin(), plan.buckets.end());
    if (joined.buckets.size() > static_cast<size_t>(zl::recnet::kMaxBucketCount))
        return BucketPassResult::kUnusable;
    BucketPass pass;
    bool counting = false;
    if (!PassOfPlan(joined, hooks, &pass, &counting)) return BucketPassResult::kUnusable;
    // Both plans must ask the same of the same rows: only the buckets differ.
    BucketPass plain;
    if (!BucketPassOf(plan, &plain)) return BucketPassResult::kUnusable;
    plain.buckets = earlierPass.buckets;
    if (plain != earlierPass) return BucketPassResult::kUnusable;
    BucketRows rows;
    std::string statement;
    const BucketPassResult result = ExecutePass(site, plan.family, handle, pass,
                                                joined.buckets.size(), hooks, &rows, &statement);
    if (result != BucketPassResult::kDone) return result;
    const size_t split = earlier.buckets.size();
    BucketRows earlierRows(std::make_move_iterator(rows.begin()),
                           std::make_move_iterator(rows.begin() + static_cast<long>(split)));
    const BucketPassResult delivered = DeliverPass(plan, rows, split, counting, statement, hooks);
    if (delivered == BucketPassResult::kDone)
        hooks.earlierInPass->Keep(handle, std::move(earlierPass), counting, statement,
                                  std::move(earlierRows));
    return delivered;
}

}  // namespace zl
