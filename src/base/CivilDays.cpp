#include "base/CivilDays.h"

#include <chrono>

namespace zl {

namespace {

namespace chr = std::chrono;

// The Gregorian calendar repeats every 400 years, which are exactly this many days. Shifting
// by whole cycles keeps std::chrono's year inside its range for any input.
constexpr int64_t kDaysPer400Years = 146097;

int64_t FloorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace

int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
    year += FloorDiv(month - 1, 12);
    month -= FloorDiv(month - 1, 12) * 12;
    const int64_t cycles = FloorDiv(year, 400);
    const int inCycle = static_cast<int>(year - cycles * 400);  // 0..399
    const chr::sys_days first{chr::year{inCycle} / chr::month{static_cast<unsigned>(month)} / 1};
    return first.time_since_epoch().count() + cycles * kDaysPer400Years + (day - 1);
}

CivilDay CivilFromDays(int64_t days) {
    const int64_t cycles = FloorDiv(days, kDaysPer400Years);
    const chr::year_month_day ymd{
        chr::sys_days{chr::days{static_cast<int>(days - cycles * kDaysPer400Years)}}};
    CivilDay out;
    out.year = static_cast<int>(static_cast<int>(ymd.year()) + cycles * 400);
    out.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    out.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    return out;
}

int WeekdayOfDays(int64_t days) {
    // Whole weeks keep the weekday; 400 years hold a whole number of weeks.
    const int64_t cycles = FloorDiv(days, kDaysPer400Years);
    const chr::weekday w{
        chr::sys_days{chr::days{static_cast<int>(days - cycles * kDaysPer400Years)}}};
    return static_cast<int>(w.c_encoding());
}

bool IsValidDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31) return false;
    return chr::year_month_day{chr::year{year}, chr::month{static_cast<unsigned>(month)},
                               chr::day{static_cast<unsigned>(day)}}
        .ok();
}

int DaysInMonth(int year, int month) {
    if (month < 1 || month > 12) return 0;
    const int64_t cycles = FloorDiv(year, 400);
    const chr::year_month_day_last last{chr::year{static_cast<int>(year - cycles * 400)} /
                                        chr::month{static_cast<unsigned>(month)} / chr::last};
    return static_cast<int>(static_cast<unsigned>(last.day()));
}

}  // namespace zl
