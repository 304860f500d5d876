// Data coverage of a report: for every bucket and site whether any record exists and how much
// of the bucket the records cover (records present over records expected at the recording
// interval, which is read from the data: the most common spacing of a camera's time stamps
// among the first records of the period, CoverageSql.h),
// and whether a site's data ends before the period does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/QueryExec.h"
#include "query/CoverageSql.h"
#include "query/QueryParams.h"
#include "query/QueryWorker.h"

namespace zl {

struct BucketCoverage {
    bool any = false;       // some record lies in the bucket
    uint32_t present = 0;   // records of interval tables
    uint32_t expected = 0;  // 0: not known (event tables, no interval found)
    // present / expected, at most 1; negative when not known.
    double Ratio() const;
    void Add(const BucketCoverage& other);
};

struct SiteCoverage {
    std::string name;
    bool measured = false;  // false: a device site, or the statements failed
    std::vector<BucketCoverage> buckets;
    int intervalSeconds = 0;  // the site's most common spacing; 0 not known
    uint64_t records = 0;     // in the period
    // The data ends before the period does; lastRecord is the last time recorded (when any).
    bool partial = false;
    bool hasLast = false;
    SYSTEMTIME lastRecord{};
};

struct ReportCoverage {
    std::vector<tagDSSYSTIMEPERIOD> buckets;
    std::vector<SiteCoverage> sites;
    std::vector<BucketCoverage> total;  // every measured site together
    bool measured = false;              // some site was measured
    // Buckets without any record at any measured site.
    size_t EmptyBuckets() const;
    // The bucket that starts at `from`; -1 when none does.
    int BucketAt(const SYSTEMTIME& from) const;
};

// The records of one source per coverage bucket.
using SourceCounts = std::vector<uint64_t>;

// The counts of a report's bucket pass folded into the coverage buckets (finer report buckets
// add up into the bucket that holds them). False unless the pass buckets cover every coverage
// bucket exactly, end to end.
bool CountsFromPass(const std::vector<tagDSSYSTIMEPERIOD>& buckets, const PassRecordCounts& pass,
                    SourceCounts* out);
// The rows of CoverageStatement as counts.
SourceCounts CountsFromRows(size_t buckets, const std::vector<SqlRow>& rows);

// One source's counts and the rows of its SampleStatement folded into a site's coverage
// (added to what `site` holds).
void FoldCoverage(const CoverageSource& source, const std::vector<tagDSSYSTIMEPERIOD>& buckets,
                  const SourceCounts& counts, const std::vector<SqlRow>& sampleRows,
                  SiteCoverage* site);

// Measures every site (names in the same order) over the report's buckets, one progress step
// per site. The record counts come from the report's own bucket passes where `counts` (the
// run's, same site order) holds them; otherwise a statement counts them. A statement that
// fails three times leaves that site unmeasured (no question is asked; the report stands); a
// cancel ends the measuring (false).
bool MeasureCoverage(const QueryParams& params, const std::vector<SiteRecord>& sites,
                     const std::vector<std::string>& names, IQueryProgress* progress,
                     IRetryPrompt* prompt, ReportCoverage* out,
                     const RunRecordCounts* counts = nullptr);

}  // namespace zl
