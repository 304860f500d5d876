// What reporter-cli shows beside a report: the peak, the data coverage and the compared
// period, in JSON (blocks after the sites) and as lines and columns of the table.
#pragma once

#include <string>
#include <vector>

#include "CliOutput.h"
#include "chart/ChartInsights.h"
#include "query/InsightRun.h"

namespace zl {

using CliInsights = ReportInsights;

// ",\n \"peak\":{..}[,\n \"coverage\":{..}][,\n \"compare\":{..}]": inserted after the sites.
std::string JsonInsights(const CliInsights& insights, const std::vector<CountRecord>& rows);

// The table's extra columns: compared values and their change, and the no-data mark.
TableExtras TableInsightColumns(const CliInsights& insights, const std::vector<CountRecord>& rows,
                                const std::vector<std::string>& shownCaptions);
// The lines under the table: the peak, the peak hour, empty buckets, partial sites.
std::string TableInsightLines(const CliInsights& insights, const std::vector<CountRecord>& rows);

// "Records" and "Expected records" appended to export rows (--coverage): the present and the
// expected records of each bucket over all sites; values beyond the shown columns.
void AppendCoverageColumns(const CliInsights& insights, const std::vector<CountRecord>& rows,
                           int shownCount, std::vector<CountRecord>* exportRows,
                           std::vector<std::string>* columns);

}  // namespace zl
