#include "data/BucketPlan.h"

#include <algorithm>

#include "data/QueryHooks.h"

namespace zl {

namespace {

size_t PartsRun(const BucketPlan& plan) {
    return std::min(plan.pieces.parts.size(), static_cast<size_t>(kMaxRowValues));
}

}  // namespace

std::vector<std::string> BucketTexts(const BucketPlan& plan, const PlannedBucket& bucket) {
    std::vector<std::string> texts;
    for (size_t j = 0; j < PartsRun(plan); ++j)
        texts.push_back(BucketText(plan.pieces, j, bucket.from, bucket.to));
    return texts;
}

bool BucketPassOf(const BucketPlan& plan, zl::recnet::BucketPass* pass) {
    *pass = zl::recnet::BucketPass();
    const std::vector<zl::recnet::BucketPart>& parts = plan.pieces.parts;
    if (plan.buckets.empty() || parts.empty() || parts.size() > kMaxRowValues) return false;
    if (plan.shape == kRowFromColumns && parts.size() != 1) return false;
    // The per-bucket text reads "<condition> AND <time> BETWEEN ...", the pass
    // "(<condition>) AND ...": the same only without an OR outside parentheses.
    for (const zl::recnet::BucketPart& p : parts)
        if (zl::recnet::HasOrOutsideParentheses(p.condition)) return false;
    pass->table = plan.pieces.table;
    pass->timeColumn = plan.pieces.timeColumn;
    pass->parts = parts;
    for (const PlannedBucket& b : plan.buckets)
        pass->buckets.push_back({SqlTimeText(b.from), SqlTimeText(b.to)});
    return zl::recnet::CheckBucketPass(*pass, nullptr);
}

bool CountingBucketPassOf(const BucketPlan& plan, zl::recnet::BucketPass* pass) {
    if (!BucketPassOf(plan, pass)) return false;
    if (pass->parts.size() == 1) {
        pass->parts[0].select += ", COUNT(*)";
    } else {
        if (plan.recordCondition.empty() ||
            pass->parts.size() >= static_cast<size_t>(zl::recnet::kMaxBucketParts))
            return false;
        pass->parts.push_back({"COUNT(" + plan.pieces.timeColumn + ")", plan.recordCondition});
    }
    return zl::recnet::CheckBucketPass(*pass, nullptr);
}

bool ValuesOfRow(const BucketPlan& plan, const SqlRow& row, RowValues* out) {
    *out = RowValues();
    const int columns = static_cast<int>(std::min(row.size(), static_cast<size_t>(kMaxRowValues)));
    switch (plan.shape) {
        case kRowFromColumns:
            if (row.empty() || row[0] < 0) return false;
            for (int i = 0; i < columns; ++i) out->values[i] = static_cast<uint32_t>(row[i]);
            out->count = plan.fixedCount > 0 ? plan.fixedCount : columns;
            return true;
        case kRowFromParts:
            for (int i = 0; i < columns; ++i)
                out->values[i] = row[i] >= 0 ? static_cast<uint32_t>(row[i]) : 0;
            out->count = columns;
            return true;
    }
    return false;
}

void DeliverRow(const BucketPlan& plan, const PlannedBucket& bucket, const SqlRow& row,
                IRowSink* sink) {
    RowValues v;
    if (sink && ValuesOfRow(plan, row, &v))
        sink->AddRow(bucket.from, bucket.to, v.values, v.count, plan.kind);
}

}  // namespace zl
