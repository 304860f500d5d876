// A report plan answered by a bucket pass: the plan's pieces go to the site's handle as one
// request (recnet/RecNetBucketPass.h), which answers one row per bucket when it can. The rows,
// their values, the progress steps and the result are those of the per-bucket run of the same
// plan (data/SqlBuilders.h).
#pragma once

#include "data/BucketPlan.h"
#include "data/QueryHooks.h"
#include "recnet/BucketPass.h"
#include "recnet/RecNetBucketPass.h"

namespace zl {

struct SiteRecord;

// The handle a plan's run uses when it offers the bucket pass, else null.
RecNetBucketPass* BucketPassHandle(const SiteRecord& site, QueryFamily family);

// Runs the plan as a bucket pass: rows to the sink in bucket order with the values the
// per-bucket run gives, a progress step after each bucket marked stepAfter (false ends the run:
// kFailed), the progress's cancel flag stops the running statement (kFailed). kUnusable only
// when there is no such handle, the plan has no pass (BucketPassOf), or the handle cannot
// answer it (a server without the call): the caller then runs the per-bucket statements. A
// pass that fails goes through the retries and question of a statement (RetryAttempts) and
// ends with kFailed when given up.
zl::recnet::BucketPassResult RunPlanBucketPass(const SiteRecord& site, const BucketPlan& plan,
                                               const QueryHooks& hooks);

// The pass of `plan` joined with the buckets of `earlier` (the same plan for an earlier period:
// its last bucket ends before the first of `plan` begins), one request: the rows
// of `plan` go on as RunPlanBucketPass delivers them, those of `earlier` are kept in
// hooks.earlierInPass for its own run. kUnusable when the plans do not pair (no pairing asked,
// periods that overlap, different pieces, too many buckets) or the handle cannot answer the
// joined pass: the caller then runs `plan` alone. Failures as RunPlanBucketPass.
zl::recnet::BucketPassResult RunJoinedBucketPass(const SiteRecord& site, const BucketPlan& plan,
                                                 const BucketPlan& earlier,
                                                 const QueryHooks& hooks);

}  // namespace zl
