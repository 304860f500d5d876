// The day-marks query: which of N days starting at a date hold at least one record. One
// statement over the whole range (SELECT DISTINCT of the date part), then the days are flagged.
#pragma once

#include <cstdint>
#include <string>

namespace zl::recnet {

// Upper bound on the number of days one request may cover.
constexpr int kMaxMonthDays = 3660;

struct MonthDaysQuery {
    std::string sql;       // one SELECT giving one column: the 'YYYY-MM-DD' texts
    int64_t firstDay = 0;  // DaysFromCivil of the first day
    int dayCount = 0;
};

// False for an invalid date, a day count outside 1..kMaxMonthDays, an empty table or column.
bool BuildMonthDaysQuery(const std::string& table, const std::string& timeColumn, int year,
                         int month, int day, int dayCount, MonthDaysQuery* query);

// Index (0..dayCount-1) of the day a 'YYYY-MM-DD...' text names, or -1.
int DayIndexOfText(const MonthDaysQuery& query, const char* text);

}  // namespace zl::recnet
