// Which days of the date picker's six-week grid hold records, over the sites of a query.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/SysTime.h"

namespace zl {

struct SiteRecord;

constexpr int kDayMarkCount = 42;

// The table and time column the marks of a handle are asked with.
struct DayMarkSource {
    const char* table;
    const char* timeColumn;
};
// People-counter mode: "Records"/"EnterTime" ("_3DRECORDS"/"Time" for the 3D client, and for
// the local object when the last detected table kind is 4). Other types: "records" and the
// type's time column.
DayMarkSource DayMarkSourceOf(bool peopleMode, int counterType, int lastTableKind,
                              bool threeDClient);

// flags[i] = 1 when any of the sites has a record on day first + i (i = 0..41). Each site with
// at least one camera slot in use asks every open handle of its mode (people mode: client2D,
// client3D, localDb; other types: clientOther, localDb) with GetMonthDays; a request that
// fails marks nothing. Answers the number of marked days.
// The database file a local handle asks for the marks: the site's ".db" file, or its folder's
// database of the counter type; for queue length (type 7) the file of the queue measure, so
// that the framed days are those of the file a query reads.
std::string DayMarkLocalPath(const std::string& localDB, int counterType, int queueMeasure);

int GetDayMarks(const std::vector<SiteRecord>& sites, const SYSTEMTIME& first, bool peopleMode,
                int counterType, int lastTableKind, uint8_t flags[kDayMarkCount]);

}  // namespace zl
