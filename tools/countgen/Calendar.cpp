#include "Calendar.h"

#include <ctime>

// The day-number conversions follow the well-known era-based algorithm (400-year cycles).
int64_t DaysFromCivil(const CivilDate& date) {
    const int64_t y = date.year - (date.month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t mp = (date.month + 9) % 12;
    const int64_t doy = (153 * mp + 2) / 5 + date.day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

CivilDate CivilFromDays(int64_t days) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t doe = days - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    CivilDate out;
    out.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    out.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    out.year = static_cast<int>(yoe + era * 400 + (out.month <= 2 ? 1 : 0));
    return out;
}

int WeekdayOfDays(int64_t days) {
    // 1970-01-01 was a Thursday.
    const int64_t w = (days + 4) % 7;
    return static_cast<int>(w < 0 ? w + 7 : w);
}

int DayOfYear(const CivilDate& date) {
    return static_cast<int>(DaysFromCivil(date) - DaysFromCivil({date.year, 1, 1}) + 1);
}

bool ParseIsoDate(const std::string& text, CivilDate* out) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (text[i] < '0' || text[i] > '9') return false;
    CivilDate d;
    d.year = std::stoi(text.substr(0, 4));
    d.month = std::stoi(text.substr(5, 2));
    d.day = std::stoi(text.substr(8, 2));
    if (d.year < 1 || d.month < 1 || d.month > 12 || d.day < 1) return false;
    // A day that does not exist comes back as another date.
    const CivilDate back = CivilFromDays(DaysFromCivil(d));
    if (back.year != d.year || back.month != d.month || back.day != d.day) return false;
    *out = d;
    return true;
}

CivilDate LocalToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}
