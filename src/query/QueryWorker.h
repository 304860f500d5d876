// The query workers: every checked site is visited, its buckets are queried (through the SQL
// builders, or from the device itself) and the rows collected in the people and 3D tables;
// at the end the report table is built from them. The workers get copies of the sites and the
// parameters as values, and reach the user only through the progress and prompt interfaces.
#pragma once

#include <string>
#include <vector>

#include "data/QueryHooks.h"
#include "query/CountTable.h"
#include "query/QueryParams.h"
#include "store/SiteRecord.h"

namespace zl {

// What the bucket passes of a run counted (data/QueryHooks.h), per site in the run's order:
// filled when a run is given one, for the data coverage.
struct RunRecordCounts {
    std::vector<std::vector<PassRecordCounts>> sites;
};

// Where a run puts its rows; by default the three process-wide tables.
struct QueryTables {
    CCountTable* people = CCountTable::PeopleInstance();
    CCountTable* threeD = CCountTable::ThreeDInstance();
    CReportTable* report = CReportTable::Instance();
    // Receives the name of the site whose query failed (a run that ends kQueryFailed).
    std::string* failedSite = nullptr;
    // Receives the record counts of the bucket passes (null: the passes count nothing).
    RunRecordCounts* counts = nullptr;
    // The passes of an earlier compared period (data/QueryHooks.h, data/PassPairing.h):
    // read along with this run's passes / taken from there.
    PassPairing* earlierInPass = nullptr;
    PassPairing* answeredPasses = nullptr;
};

enum QueryOutcome {
    kQueryFailed = 0,   // a query finally failed, or the run was cancelled: no report table
    kQueryDone = 1,     // the report table was built
    kQueryNoSites = 2,  // no checked site: nothing was touched
};

// The sites of a list whose `checked` is 1, in list order (copies).
std::vector<SiteRecord> CheckedSites(const std::vector<SiteRecord>& sites);

// Counter types 1 and 2. `sites` are the checked sites (copies); each server site gets a
// client of the run's own, closed before the worker moves on.
int RunPeopleQuery(const QueryParams& params, const std::vector<SiteRecord>& sites,
                   IQueryProgress* progress, IRetryPrompt* prompt,
                   const QueryTables& tables = QueryTables());
// Counter types 3 to 7.
int RunGeneralQuery(const QueryParams& params, const std::vector<SiteRecord>& sites,
                    IQueryProgress* progress, IRetryPrompt* prompt,
                    const QueryTables& tables = QueryTables());
// The worker of the counter type.
int RunQuery(const QueryParams& params, const std::vector<SiteRecord>& sites,
             IQueryProgress* progress, IRetryPrompt* prompt,
             const QueryTables& tables = QueryTables());

// The counts of the checked 2D cameras of a device site, one row (in, out) per device bucket
// into `sink`. Steps the progress after each bucket; 0 when it answered false.
int QueryDeviceCounts(const SiteRecord& site, int range, const SYSTEMTIME& date,
                      const WorkingHourTable& hours, IQueryProgress* progress, IRowSink* sink);

}  // namespace zl
