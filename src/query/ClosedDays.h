// Closed days: dates, and weekdays that are always closed, kept in the program's settings
// file (section "ClosedDays": "Weekdays" = "0,6" with 0 = Sunday, "Dates" = "2024-12-25,...").
// Week and Month reports mark them, leave them out of the averages and of the comparison's
// alignment, and count them apart in the totals.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "base/SysTime.h"
#include "query/CountTable.h"

namespace zl {

struct ClosedDays {
    std::set<int> weekdays;  // 0 = Sunday .. 6 = Saturday
    std::set<int> dates;     // yyyymmdd
    bool Empty() const { return weekdays.empty() && dates.empty(); }
    bool IsClosed(int year, int month, int day) const;
};

// The texts of the two keys; false with the first item that is not a weekday 0..6 or a valid
// date YYYY-MM-DD in *bad (nothing is taken then).
bool ParseClosedWeekdays(const std::string& text, std::set<int>* weekdays, std::string* bad);
bool ParseClosedDates(const std::string& text, std::set<int>* dates, std::string* bad);
std::string ClosedWeekdaysText(const std::set<int>& weekdays);
std::string ClosedDatesText(const std::set<int>& dates);

// From / into the settings file. Unreadable values load as no closed day; Save answers false
// when the file could not be written.
ClosedDays LoadClosedDays(const std::string& settingsFile);
bool SaveClosedDays(const std::string& settingsFile, const ClosedDays& days);

// Per row of a Week or Month report: true when the bucket's day is closed (Day reports: none).
std::vector<bool> ClosedRows(const std::vector<CountRecord>& rows, int range,
                             const ClosedDays& days);

// The average of value `index` over the rows that are not closed; false when every row is.
bool OpenDayAverage(const std::vector<CountRecord>& rows, const std::vector<bool>& closed,
                    const std::vector<int>& indexes, double* average);

}  // namespace zl
