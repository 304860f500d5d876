// The statements that measure how much of a report's buckets a site's records cover. They are
// built from the same public pieces as the report's own texts (table, time column, camera and
// region condition), run beside the report and never change it.
#pragma once

#include <string>
#include <vector>

#include "base/SysTime.h"
#include "data/QueryExec.h"

namespace zl {

struct SiteRecord;
struct QueryParams;

// Where a site's records of one family lie and how to tell them apart.
struct CoverageSource {
    QueryFamily family = kFamily2D;
    std::string table;
    std::string timeColumn;
    std::string condition;     // the report's camera (and region) condition
    std::vector<int> cameras;  // the checked cameras the condition names
    // True for tables with one record per camera and recording interval; event tables (3D
    // crossings, queue events) are only asked whether records exist.
    bool intervals = true;
};

// The sources a report reads from a site: 2D and 3D cameras of the people counters (the 3D
// source only for a site with checked 3D cameras), the records table of the other types. None
// for a device site or a site without checked cameras.
std::vector<CoverageSource> CoverageSourcesOf(const SiteRecord& site, const QueryParams& params);

// Seconds of a time read as UTC since 1970 (the same reading strftime('%s') gives the texts).
long long EpochSeconds(const SYSTEMTIME& t);

// The records of one source per bucket when the report's own pass did not count them (rows
// only for buckets with records), all integers:
//   bucket index, records
std::string CoverageStatement(const CoverageSource& source,
                              const std::vector<tagDSSYSTIMEPERIOD>& buckets);

// Records per checked camera the interval is read from.
constexpr int kIntervalSamplePerCamera = 16;

// The records the interval is read from and the last record, in one bounded statement (a
// few row look-ups, never a scan of the period). Its rows, with s = seconds since the first
// bucket's start:
//   0, camera, s   the first kIntervalSamplePerCamera x cameras records of the source in table
//                  order from where the period begins, those within the period (the table is
//                  written in time order: the beginning is found by a binary search over the
//                  rowids, the first rowid whose time is not before the period's start); none
//                  for a source without an interval
//   1, 0, s        the last record of the source in the table (its last row); none for an
//                  empty table
std::string SampleStatement(const CoverageSource& source,
                            const std::vector<tagDSSYSTIMEPERIOD>& buckets);

}  // namespace zl
