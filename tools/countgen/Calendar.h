// Civil dates as day numbers (days since 1970-01-01), for walking the generated days.
#pragma once

#include <cstdint>
#include <string>

struct CivilDate {
    int year = 1970;
    int month = 1;
    int day = 1;
};

int64_t DaysFromCivil(const CivilDate& date);
CivilDate CivilFromDays(int64_t days);
// 0 = Sunday .. 6 = Saturday.
int WeekdayOfDays(int64_t days);
// 1..366.
int DayOfYear(const CivilDate& date);
// 'YYYY-MM-DD' with a valid date; false otherwise.
bool ParseIsoDate(const std::string& text, CivilDate* out);
CivilDate LocalToday();
