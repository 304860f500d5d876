// The text forms of a report result that reporter-cli writes itself: the table (as the window
// shows it) and the JSON document.
#pragma once

#include <string>
#include <vector>

#include "query/CountTable.h"

namespace zl {

// A site of the report and whether it answered (else why not).
struct JsonSite {
    std::string name;
    bool answered = false;
    std::string error;
};

struct JsonReport {
    int counterType = 0;
    std::string range;  // "day", "week", "month"
    std::string date;   // "YYYY-MM-DD"
    std::vector<std::string> columns;
    std::vector<CountRecord> records;  // the first columns.size() values are written
    std::vector<JsonSite> sites;
    std::string extra;  // further members, each beginning ",\n \"name\":"
};

// {"counterType":..,"range":..,"date":..,\n "columns":[..],\n "records":[..],\n "totals":[..],
// \n "sites":[{"name":..,"answered":true|false[,"error":..]},..]} with one record per line;
// totals are the sums of each column.
std::string FormatJsonReport(const JsonReport& report);

// What a table may show beyond the report: the compared values and their change in per cent
// (two more columns per shown value), and a mark instead of the values of a bucket without
// data (not added to the totals).
struct TableExtras {
    std::vector<std::string> comparedCaptions;  // one per shown value; empty: no comparison
    std::vector<std::string> changeCaptions;
    std::vector<const CountRecord*> compared;  // per record; null: none
    std::vector<bool> noData;                  // per record
    std::string noDataMark;
    std::vector<bool> closed;  // per record: the bucket text gets the closed mark
    std::string closedMark;
};

// The window's table: a header line (record number, bucket, value captions), one line per
// record and, when there is at least one, the totals line; columns aligned with blanks.
// `values` are the shown value indexes of each record, in column order.
std::string FormatTableReport(const std::string& numberTitle, const std::string& bucketTitle,
                              const std::string& totalTitle,
                              const std::vector<std::string>& captions,
                              const std::vector<int>& valueIndexes,
                              const std::vector<CountRecord>& records,
                              const TableExtras* extras = nullptr);

// "YYYY-MM-DD hh:mm:ss" of a record's start or end.
std::string RecordFromText(const CountRecord& r);
std::string RecordToText(const CountRecord& r);

}  // namespace zl
