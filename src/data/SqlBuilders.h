// The report query builders: a report period is cut into buckets, the statements get their
// pieces (3D people counter: one part per value), and a runner sends them through the site's
// handle and hands one row per bucket to a sink.
//
// Planning (buckets and pieces, no database; data/BucketPlan.h) is kept apart from running, so
// the texts of a run can be checked without a database, and the bucket pass (one request per
// site grouping the rows by bucket) takes the same plan.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "base/SysTime.h"
#include "data/BucketPlan.h"
#include "data/QueryExec.h"
#include "data/QueryHooks.h"

namespace zl {

struct SiteRecord;

// The range of a report: also the kind of every row it makes.
enum ReportRangeKind { kReportDay = 0, kReportWeek = 1, kReportMonth = 2 };

// The working hours of the seven weekdays, entry k for Monday + k (as the chart settings keep
// them in weekStart/weekEnd); only hour and minute are used.
struct WorkingHourTable {
    std::array<SYSTEMTIME, 7> start{};
    std::array<SYSTEMTIME, 7> end{};
};

// The buckets of a range (start and end inclusive), in order:
// Day: P-minute periods of the date (P = 60: hours h:00:00-h:59:59; P below 1 counts as 60;
// no bucket reaches past h:59:59); Week: the 7 days ending on the date, each cut to its weekday's
// working hours (hh:mm:00-hh:mm:59); Month: the rolling month ending on the date, whole days. Any
// other range: none.
std::vector<tagDSSYSTIMEPERIOD> ReportBuckets(int range, const SYSTEMTIME& date, int periodMinutes,
                                              const WorkingHourTable& hours);

// Plans of the three families. An unknown 3D height mode plans no bucket.
BucketPlan Plan2D(const std::string& cameraFilter, int range, const SYSTEMTIME& date,
                  const WorkingHourTable& hours);
BucketPlan Plan3D(const std::string& cameraFilter, int range, const SYSTEMTIME& date, int t1,
                  int t2, int heightMode, const WorkingHourTable& hours);
BucketPlan PlanGeneric(const std::string& selectExpression, const std::string& cameraFilter,
                       const std::string& timeColumn, int range, const SYSTEMTIME& date,
                       int periodMinutes, const WorkingHourTable& hours);

// Runs a plan on one site (its handle of the plan's family, else its local object; with no
// handle: no rows). Every text goes through ExecuteWithRetry; each answer row of a bucket
// becomes its result row through DeliverRow (NULL counts as 0). After each bucket marked
// stepAfter the progress steps; when it answers false the run stops. 1 = every bucket ran;
// 0 = a query finally failed (the progress is then aborted) or the run was cancelled. With
// hooks.bucketPass the site is first asked for all buckets in one pass (data/BucketPassRun.h),
// with the same rows, steps and result; the per-bucket run follows only when the pass cannot
// be done.
int RunPlan(const SiteRecord& site, const BucketPlan& plan, const QueryHooks& hooks);

// The builders: plan and run.
int Query2D(const SiteRecord& site, const std::string& cameraFilter, int range,
            const SYSTEMTIME& date, const WorkingHourTable& hours, const QueryHooks& hooks);
int Query3D(const SiteRecord& site, const std::string& cameraFilter, int range,
            const SYSTEMTIME& date, int t1, int t2, int heightMode, const WorkingHourTable& hours,
            const QueryHooks& hooks);
int QueryGeneric(const SiteRecord& site, const std::string& selectExpression,
                 const std::string& cameraFilter, const std::string& timeColumn, int range,
                 const SYSTEMTIME& date, int periodMinutes, const WorkingHourTable& hours,
                 const QueryHooks& hooks);

// What a generic run (counter types 3..7) asks for, besides the site.
struct GenericRunParams {
    int counterType = 0;
    int range = kReportDay;
    SYSTEMTIME date{};
    int periodMinutes = 60;    // Day only; 0 reads as 60
    std::vector<int> regions;  // selected regions 1..10 (types 3 and 7)
    int queueMeasure = 0;      // type 7
    WorkingHourTable hours;
    // The site's clientOther is already a connected client of the run's own: used as it is.
    bool ownClientReady = false;
};

// One site of a generic run: a server site gets a client of the run's own (connected, logged
// in, database opened; the site list's client is not touched); the camera filter is built from
// the checked cameras that are not 3D cameras, the select expression, time column and queue
// regions from the parameters; then the range's builder runs, and the own client is closed.
// A site without such cameras, or a run with nothing to select (an access counter without a
// region), sends nothing and answers 1. Answers what the builder answered otherwise.
int RunGenericSite(SiteRecord site, const GenericRunParams& params, const QueryHooks& hooks);

}  // namespace zl
