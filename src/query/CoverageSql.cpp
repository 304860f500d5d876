#include "query/CoverageSql.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/CounterTypes.h"
#include "data/SqlText.h"
#include "query/QueryParams.h"
#include "store/SiteRecord.h"

namespace zl {

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
    return "SELECT b, COUNT(*) FROM (SELECT " + BucketExpression(buckets, base) +
           " AS b FROM (SELECT " + PeriodSeconds(t, buckets) + " AS s FROM " + source.table +
           " WHERE (" + source.condition + ") AND " + t + " BETWEEN '" +
           SqlTimeText(buckets.front().start) + "' AND '" + SqlTimeText(buckets.back().end) +
           "')) WHERE b IS NOT NULL GROUP BY b;";
}

std::string SampleStatement(const CoverageSource& source,
                            const std::vector<tagDSSYSTIMEPERIOD>& buckets) {
    if (buckets.empty()) return {};
    const std::string& table = source.table;
    const std::string& t = source.timeColumn;
    const std::string where = " WHERE (" + source.condition + ")";
    const std::string last = "SELECT 1, 0, s FROM (SELECT " +
                             Seconds(t, EpochSeconds(buckets.front().start)) + " AS s FROM " +
                             table + where + " ORDER BY rowid DESC LIMIT 1);";
    if (!source.intervals) return last;
    // h(lo, hi): the rowids below lo lie before the start; the answer is at most hi.
    const std::string start = "'" + SqlTimeText(buckets.front().start) + "'";
    const std::string before = "(SELECT " + t + " FROM " + table +
                               " WHERE rowid>=(lo+hi)/2 ORDER BY rowid LIMIT 1)<" + start;
    const std::string search =
        "WITH RECURSIVE h(lo, hi) AS (SELECT IFNULL((SELECT MIN(rowid) FROM " + table +
        "), 0), IFNULL((SELECT MAX(rowid) FROM " + table + "), 0)+1 UNION ALL SELECT CASE WHEN " +
        before + " THEN (lo+hi)/2+1 ELSE lo END, CASE WHEN " + before +
        " THEN hi ELSE (lo+hi)/2 END FROM h WHERE lo<hi) ";
    const size_t limit = kIntervalSamplePerCamera * std::max<size_t>(1, source.cameras.size());
    return search + "SELECT 0, c, s FROM (SELECT Camera AS c, " + PeriodSeconds(t, buckets) +
           " AS s FROM " + table + where +
           " AND rowid>=(SELECT MAX(lo) FROM h) ORDER BY rowid LIMIT " + std::to_string(limit) +
           ") WHERE s BETWEEN 0 AND " +
           std::to_string(EpochSeconds(buckets.back().end) - EpochSeconds(buckets.front().start)) +
           " UNION ALL " + last;
}

}  // namespace zl
