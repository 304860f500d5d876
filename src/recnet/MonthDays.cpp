#include "recnet/MonthDays.h"

#include <cstdio>

#include "base/CivilDays.h"
#include "recnet/SqliteText.h"

namespace zl::recnet {

namespace {

std::string DateText(int64_t days) {
    const CivilDay c = CivilFromDays(days);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d 00:00:00", c.year, c.month, c.day);
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
