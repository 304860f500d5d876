// Calendar arithmetic on day numbers (days since 1970-01-01, proleptic Gregorian calendar).
// Every part of the program that walks dates uses these, so a leap-year rule lives in one place.
#pragma once

#include <cstdint>

namespace zl {

struct CivilDay {
    int year = 1970;
    int month = 1;
    int day = 1;
};

// Months outside 1..12 and days outside the month carry over arithmetically (month 13 is
// January of the next year, day 0 the last day of the month before).
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day);
CivilDay CivilFromDays(int64_t days);
// 0 = Sunday .. 6 = Saturday.
int WeekdayOfDays(int64_t days);
// Years 1..9999 with a month and day that exist.
bool IsValidDate(int year, int month, int day);
// 28..31; 0 for a month outside 1..12.
int DaysInMonth(int year, int month);

}  // namespace zl
