#include "recnet/MonthDays.h"

#include <cstdio>

#include "recnet/SqliteText.h"

namespace zl::recnet {

int64_t DaysFromCivil(int year, int month, int day) {
    // Counts from 1 March so that the leap day is the last day of a year.
    const int64_t y = static_cast<int64_t>(year) - (month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t days, int* year, int* month, int* day) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    *year = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
    *month = m;
    *day = d;
}

bool IsValidDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int last = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
    return day <= last;
}

namespace {

std::string DateText(int64_t days) {
    int y = 0, m = 0, d = 0;
    CivilFromDays(days, &y, &m, &d);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d 00:00:00", y, m, d);
    return text;
}

}  // namespace

bool BuildMonthDaysQuery(const std::string& table, const std::string& timeColumn, int year,
                         int month, int day, int dayCount, MonthDaysQuery* query) {
    if (table.empty() || timeColumn.empty() || !IsValidDate(year, month, day)) return false;
    if (dayCount < 1 || dayCount > kMaxMonthDays) return false;
    const int64_t first = DaysFromCivil(year, month, day);
    const std::string column = QuoteIdentifier(timeColumn);
    query->firstDay = first;
    query->dayCount = dayCount;
    query->sql = "SELECT DISTINCT substr(" + column + ",1,10) FROM " + QuoteIdentifier(table) +
                 " WHERE " + column + " >= '" + DateText(first) + "' AND " + column + " < '" +
                 DateText(first + dayCount) + "';";
    return true;
}

int DayIndexOfText(const MonthDaysQuery& query, const char* text) {
    if (!text) return -1;
    int y = 0, m = 0, d = 0;
    char dash1 = 0, dash2 = 0;
    int used = 0;
    if (std::sscanf(text, "%4d%c%2d%c%2d%n", &y, &dash1, &m, &dash2, &d, &used) != 5 ||
        used != 10 || dash1 != '-' || dash2 != '-' || !IsValidDate(y, m, d)) {
        return -1;
    }
    const int64_t index = DaysFromCivil(y, m, d) - query.firstDay;
    return index >= 0 && index < query.dayCount ? static_cast<int>(index) : -1;
}

}  // namespace zl::recnet
