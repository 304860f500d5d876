#include "Calendar.h"

#include <ctime>

namespace zl {

int64_t DaysFromCivil(const CivilDate& date) {
    return zl::DaysFromCivil(date.year, date.month, date.day);
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
    if (!zl::IsValidDate(d.year, d.month, d.day)) return false;
    *out = d;
    return true;
}

CivilDate LocalToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

}  // namespace zl
