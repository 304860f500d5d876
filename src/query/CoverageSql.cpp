#include "query/CoverageSql.h"

#include <cmath>
#include <cstdio>

#include "base/CounterTypes.h"
#include "data/SqlText.h"
#include "query/QueryParams.h"
#include "store/SiteRecord.h"

namespace {

std::string Seconds(const std::string& timeColumn, long long base) {
    return "(CAST(strftime('%s'," + timeColumn + ") AS INTEGER)-" + std::to_string(base) + ")";
}

// Seconds since the period's start of a time inside it: julianday reads the text faster than
// strftime('%s') or the digits taken apart (measured on a month of 5-minute records).
std::string PeriodSeconds(const std::string& t, const std::vector<tagDSSYSTIMEPERIOD>& buckets) {
    char base[32];
    std::snprintf(base, sizeof base, "%.6f",
                  static_cast<double>(EpochSeconds(buckets.front().start)) / 86400.0 + 2440587.5);
    return "CAST((julianday(" + t + ")-" + base + ")*86400+0.5 AS INTEGER)";
}

// Buckets of equal length, each beginning where the one before ended, are found by division;
// others (working hours of a week) by a CASE of their ranges.
std::string BucketExpression(const std::vector<tagDSSYSTIMEPERIOD>& buckets, long long base) {
    const long long width = EpochSeconds(buckets.front().end) - base + 1;
    bool even = width > 0;
    for (size_t i = 0; even && i < buckets.size(); ++i)
        even = EpochSeconds(buckets[i].start) - base == static_cast<long long>(i) * width &&
               EpochSeconds(buckets[i].end) - base == static_cast<long long>(i + 1) * width - 1;
    if (even)
        return "CASE WHEN s<" + std::to_string(width * static_cast<long long>(buckets.size())) +
               " THEN s/" + std::to_string(width) + " END";
    std::string e = "CASE";
    for (size_t i = 0; i < buckets.size(); ++i)
        e += " WHEN s BETWEEN " + std::to_string(EpochSeconds(buckets[i].start) - base) + " AND " +
             std::to_string(EpochSeconds(buckets[i].end) - base) + " THEN " + std::to_string(i);
    return e + " END";
}

}  // namespace

long long EpochSeconds(const SYSTEMTIME& t) {
    return std::llround((SystemTimeToOleDate(t) - 25569.0) * 86400.0);
}

std::vector<CoverageSource> CoverageSourcesOf(const SiteRecord& site, const QueryParams& params) {
    std::vector<CoverageSource> out;
    if (site.connectionType == kConnDevice) return out;
    const std::vector<int> list2D = CheckedCameras(site, false);
    const std::string cameras2D = CameraFilter(list2D);
    if (IsPeopleCounterType(params.counterType)) {
        const std::vector<int> list3D = CheckedCameras(site, true);
        if (!list2D.empty())
            out.push_back({kFamily2D, "Records", "EnterTime", cameras2D, list2D, true});
        if (!list3D.empty())
            out.push_back({kFamily3D, "_3DRecords", "Time", CameraFilter(list3D), list3D, false});
        return out;
    }
    if (cameras2D.empty()) return out;
    const std::vector<int> regions = RegionsFromFlags(params.regionVisible.data(), 10);
    CoverageSource s;
    s.family = kFamilyGeneric;
    s.table = "records";
    s.timeColumn = TimeColumnOf(params.counterType);
    s.condition = GenericFilter(cameras2D, params.counterType, params.queueType, regions);
    s.cameras = list2D;
    // Queue events (waiting, served) are one row per person; the queue lengths are sampled.
    s.intervals = params.counterType != kQueue || params.queueType == 1;
    out.push_back(s);
    return out;
}

std::string CoverageStatement(const CoverageSource& source,
                              const std::vector<tagDSSYSTIMEPERIOD>& buckets) {
    if (buckets.empty()) return {};
    const long long base = EpochSeconds(buckets.front().start);
    const std::string& t = source.timeColumn;
    std::string sql = "WITH r AS MATERIALIZED (SELECT Camera AS c, " + PeriodSeconds(t, buckets) +
                      " AS s FROM " + source.table + " WHERE (" + source.condition + ") AND " + t +
                      " BETWEEN '" + SqlTimeText(buckets.front().start) + "' AND '" +
                      SqlTimeText(buckets.back().end) + "')";
    if (source.intervals)
        sql +=
            // The spacings of each camera's first day of records in the period: enough to
            // find its interval, and a month's records need not be sorted.
            ", g AS (SELECT c, s-LAG(s) OVER (PARTITION BY c ORDER BY s) AS d FROM r JOIN "
            "(SELECT c AS k, MIN(s) AS f FROM r GROUP BY c) ON c=k WHERE s<f+86400) "
            "SELECT 0, c, d, COUNT(*), 0 FROM g WHERE d>0 GROUP BY c, d UNION ALL";
    sql += " SELECT 1, c, b, COUNT(*), MAX(s) FROM (SELECT c, s, " +
           BucketExpression(buckets, base) +
           " AS b FROM r) WHERE b IS NOT NULL GROUP BY c, b"
           " UNION ALL SELECT 2, 0, COUNT(*), MAX(s), 0 FROM r;";
    return sql;
}

std::string LastRecordStatement(const CoverageSource& source, const SYSTEMTIME& base) {
    return "SELECT " + Seconds(source.timeColumn, EpochSeconds(base)) + " FROM " + source.table +
           " WHERE (" + source.condition + ") ORDER BY rowid DESC LIMIT 1;";
}
