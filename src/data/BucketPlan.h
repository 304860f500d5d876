// The plan of a report run on one site: the buckets of the report period and the pieces their
// statements are made of. Two renderers write its statements from the same pieces: one text
// per bucket and part (BucketText, the per-bucket run) and the bucket pass that answers every
// bucket at once (BucketPassOf, recnet/BucketPass.h). Whichever way a bucket was answered, its
// result row is made by ValuesOfRow, so both ways hand on the same rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/SysTime.h"
#include "data/QueryExec.h"
#include "data/SqlText.h"
#include "recnet/BucketPass.h"

namespace zl {

class IRowSink;

// One bucket of a run.
struct PlannedBucket {
    SYSTEMTIME from;
    SYSTEMTIME to;
    bool stepAfter = false;  // the last bucket of an hour (Day) or of a day
};

// How the answers of a bucket's statements become the values of its result row.
enum RowShape {
    kRowFromColumns,  // one part; its statement's columns are the values
    kRowFromParts,    // one part per value; each gives its statement's first column
};

struct BucketPlan {
    QueryFamily family = kFamily2D;
    int kind = 0;  // the range of the run, also the kind of every row (ReportRangeKind)
    RowShape shape = kRowFromColumns;
    int fixedCount = 0;  // values per row; 0 = the number of columns returned
    StatementPieces pieces;
    std::vector<PlannedBucket> buckets;
    // The records a plan of several parts counts for the coverage (its parts select subsets):
    // a condition in parentheses; empty: the records are not counted.
    std::string recordCondition;
};

// The texts of one bucket, in part order (at most 10 parts are run).
std::vector<std::string> BucketTexts(const BucketPlan& plan, const PlannedBucket& bucket);

// The bucket pass of the plan: its pieces and the bounds of its buckets. False when the plan
// has no bucket or part, a shape the pass does not answer, or a condition that would not keep
// its meaning inside the parentheses the pass puts around it; the pass's own check
// (CheckBucketPass) must accept it too.
bool BucketPassOf(const BucketPlan& plan, zl::recnet::BucketPass* pass);

// The pass with the record count of each bucket as the last cell of its answer row: one part
// gets "COUNT(*)" after its select list, several parts one more part "COUNT(<time>)" under
// the record condition. False where BucketPassOf is, or for several parts without a record
// condition or room for one more part.
bool CountingBucketPassOf(const BucketPlan& plan, zl::recnet::BucketPass* pass);

constexpr int kMaxRowValues = 10;

struct RowValues {
    uint32_t values[kMaxRowValues] = {};
    int count = 0;
};

// The result row of a bucket from one answer row. kRowFromColumns: `row` is a row of the
// bucket's statement; false (no result row) when it is empty or its first value is negative.
// kRowFromParts: `row` holds the first column of each part's statement in part order; a
// negative value counts as 0.
bool ValuesOfRow(const BucketPlan& plan, const SqlRow& row, RowValues* out);

// ValuesOfRow, and the row to the sink (when there is one and the row gives a result row).
void DeliverRow(const BucketPlan& plan, const PlannedBucket& bucket, const SqlRow& row,
                IRowSink* sink);

}  // namespace zl
