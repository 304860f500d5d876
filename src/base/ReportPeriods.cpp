#include "base/ReportPeriods.h"

#include <algorithm>

namespace zl {
namespace {

constexpr int kDay = 86400;

SYSTEMTIME At(const SYSTEMTIME& day, int hour, int minute, int second) {
    return MakeSysTime(day.wYear, day.wMonth, day.wDay, hour, minute, second);
}

tagDSSYSTIMEPERIOD WholeDay(const SYSTEMTIME& day) {
    return {At(day, 0, 0, 0), At(day, 23, 59, 59)};
}

// Stored working hours can hold anything ("830" reads as hour 83); a bucket keeps to the day.
tagDSSYSTIMEPERIOD WorkingDay(const SYSTEMTIME& day, const WorkingHours& weekStart,
                              const WorkingHours& weekEnd) {
    const int e = WorkingHourEntry(DayOfWeek(day.wYear, day.wMonth, day.wDay));
    auto clampHour = [](int h) { return std::clamp(h, 0, 23); };
    auto clampMinute = [](int m) { return std::clamp(m, 0, 59); };
    return {At(day, clampHour(weekStart[e].wHour), clampMinute(weekStart[e].wMinute), 0),
            At(day, clampHour(weekEnd[e].wHour), clampMinute(weekEnd[e].wMinute), 59)};
}

std::vector<tagDSSYSTIMEPERIOD> WorkingDays(SYSTEMTIME first, const WorkingHours& weekStart,
                                            const WorkingHours& weekEnd) {
    std::vector<tagDSSYSTIMEPERIOD> out;
    for (int i = 0; i < 7; ++i, first = PlusTime(first, kDay)) {
        out.push_back(WorkingDay(first, weekStart, weekEnd));
    }
    return out;
}

}  // namespace

int WorkingHourEntry(int dayOfWeekSundayZero) {
    return ((dayOfWeekSundayZero % 7 + 7) % 7 + 6) % 7;
}

std::vector<tagDSSYSTIMEPERIOD> DayHourBuckets(const SYSTEMTIME& day) {
    return DayPeriodBuckets(day, 60);
}

std::vector<tagDSSYSTIMEPERIOD> DayPeriodBuckets(const SYSTEMTIME& day, int periodMinutes) {
    const int p = periodMinutes < 1 ? 60 : periodMinutes;
    std::vector<tagDSSYSTIMEPERIOD> out;
    for (int h = 0; h < 24; ++h) {
        for (int m = 0; m < 60; m += p) {
            // The bucket with m = 60 - P ends at h:59:59; with a P that does not divide 60 the
            // last bucket of the hour is cut there too instead of naming a minute past 59.
            const int endMinute = std::min(m + p - 1, 59);
            out.push_back({At(day, h, m, 0), At(day, h, endMinute, 59)});
        }
    }
    return out;
}

std::vector<tagDSSYSTIMEPERIOD> WeekBuckets(const SYSTEMTIME& day, const WorkingHours& weekStart,
                                            const WorkingHours& weekEnd) {
    return WorkingDays(PlusTime(At(day, 0, 0, 0), -6 * kDay), weekStart, weekEnd);
}

std::vector<tagDSSYSTIMEPERIOD> MonthBuckets(const SYSTEMTIME& day) {
    const int prevYear = day.wMonth == 1 ? day.wYear - 1 : day.wYear;
    const int prevMonth = day.wMonth == 1 ? 12 : day.wMonth - 1;
    SYSTEMTIME cur = day.wDay + 1 <= DaysInMonth(prevYear, prevMonth)
                         ? MakeSysTime(prevYear, prevMonth, day.wDay + 1)
                         : MakeSysTime(day.wYear, day.wMonth, 1);
    std::vector<tagDSSYSTIMEPERIOD> out;
    for (int i = 0; i < 31; ++i, cur = PlusTime(cur, kDay)) {
        out.push_back(WholeDay(cur));
        if (cur.wMonth == day.wMonth && cur.wDay == day.wDay) break;
    }
    return out;
}

std::vector<tagDSSYSTIMEPERIOD> DeviceDayBuckets(const SYSTEMTIME& day) {
    std::vector<tagDSSYSTIMEPERIOD> out;
    for (int h = 0; h < 23; ++h) out.push_back({At(day, h, 0, 0), At(day, h + 1, 0, 0)});
    out.push_back({At(day, 23, 0, 0), At(day, 23, 59, 59)});
    return out;
}

std::vector<tagDSSYSTIMEPERIOD> DeviceWeekBuckets(const SYSTEMTIME& day,
                                                  const WorkingHours& weekStart,
                                                  const WorkingHours& weekEnd) {
    return WorkingDays(At(day, 0, 0, 0), weekStart, weekEnd);
}

std::vector<tagDSSYSTIMEPERIOD> DeviceMonthBuckets(const SYSTEMTIME& day) {
    std::vector<tagDSSYSTIMEPERIOD> out;
    SYSTEMTIME cur = At(day, 0, 0, 0);
    const int n = DaysInMonth(day.wYear, day.wMonth);
    for (int i = 0; i < n; ++i, cur = PlusTime(cur, kDay)) out.push_back(WholeDay(cur));
    return out;
}

}  // namespace zl
