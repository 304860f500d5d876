// A report plan answered in one pass per site: the per-bucket texts of the plan are taken
// apart into the pieces of a bucket query (recnet/BucketQuery.h), which the site's handle
// answers with one row per bucket when it can (RecNetSinglePass). The rows, their values, the
// progress steps and the result are those of the per-bucket run of the same plan.
#pragma once

#include "data/SqlBuilders.h"
#include "recnet/BucketQuery.h"
#include "recnet/RecNetSinglePass.h"

struct SiteRecord;

// The bucket query whose per-bucket statements are exactly the texts of the plan, byte for
// byte. False when the plan's texts are not all of that form with the same pieces, or a
// condition would not keep its meaning inside parentheses.
bool BucketQueryOfPlan(const QueryPlan& plan, zl::recnet::BucketQuery* query);

// The handle a plan's run uses when it offers the one-pass query, else null.
RecNetSinglePass* SinglePassHandle(const SiteRecord& site, QueryFamily family);

constexpr int kSinglePassUnusable = -1;

// Runs the plan in one pass: rows to the sink in bucket order with the values the per-bucket
// run gives, a progress step after each bucket marked stepAfter (false ends the run with 0),
// the progress's cancel flag stops the running statement (0). kSinglePassUnusable only when
// there is no such handle, the plan has no such form, or the handle cannot answer it (a server
// without the one-pass call): the caller then runs the per-bucket statements. A pass that
// fails goes through the retries and question of a statement (ExecuteWithRetry) and ends
// with 0 when given up.
int RunPlanSinglePass(const SiteRecord& site, const QueryPlan& plan, const QueryHooks& hooks);
