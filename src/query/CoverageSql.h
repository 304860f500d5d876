// The statements that measure how much of a report's buckets a site's records cover. They are
// built from the same public pieces as the report's own texts (table, time column, camera and
// region condition), run beside the report and never change it.
#pragma once

#include <string>
#include <vector>

#include "base/SysTime.h"
#include "data/QueryExec.h"

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

// The measuring statement of one source over the buckets (in order, inclusive ends). Its rows,
// all integers, with s = seconds since the first bucket's start:
//   0, camera, spacing d, number of spacings d   (d > 0 between a camera's records, within
//                                                 its first day of records in the period)
//   1, camera, bucket index, records, largest s         (buckets with records only)
//   2, 0, records of the period, largest s, 0
std::string CoverageStatement(const CoverageSource& source,
                              const std::vector<tagDSSYSTIMEPERIOD>& buckets);
// The last record of the source in the table (s as above; the table is written in time
// order, so the last row is read): one row "s" or none.
std::string LastRecordStatement(const CoverageSource& source, const SYSTEMTIME& base);
