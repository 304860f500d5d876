// How a report range is laid out on the calendar: the list of time buckets of a Day, Week or
// Month report, each with an inclusive end. Pure functions; only the date of `day` counts
// (its time of day is ignored).
#pragma once

#include <array>
#include <vector>

#include "base/SysTime.h"

namespace zl {

using WorkingHours = std::array<SYSTEMTIME, 7>;  // only wHour and wMinute are used

// The working-hour entry of a weekday (0 = Sunday .. 6 = Saturday): entry 0 is Monday and
// entry 6 Sunday, the order in which the settings page lists them. Every Week layout uses it.
int WorkingHourEntry(int dayOfWeekSundayZero);

// The SQL paths.
// 24 buckets h:00:00 - h:59:59.
std::vector<tagDSSYSTIMEPERIOD> DayHourBuckets(const SYSTEMTIME& day);
// Buckets of `periodMinutes` within each hour: h:m:00 - h:(m+P-1):59 for m = 0, P, 2P, ...
// while m < 60, no bucket reaching past h:59:59. A period below 1 is taken as 60.
std::vector<tagDSSYSTIMEPERIOD> DayPeriodBuckets(const SYSTEMTIME& day, int periodMinutes);
// 7 days ending on `day`, each from its working-hour start hh:mm:00 to its end hh:mm:59.
std::vector<tagDSSYSTIMEPERIOD> WeekBuckets(const SYSTEMTIME& day, const WorkingHours& weekStart,
                                            const WorkingHours& weekEnd);
// The rolling month ending on `day`: from the day after `day`'s day of the month in the month
// before (the 1st of `day`'s month when that day does not exist) up to `day`, whole days.
std::vector<tagDSSYSTIMEPERIOD> MonthBuckets(const SYSTEMTIME& day);

// The device path of the people counters.
// 24 buckets h:00:00 - (h+1):00:00, the last 23:00:00 - 23:59:59.
std::vector<tagDSSYSTIMEPERIOD> DeviceDayBuckets(const SYSTEMTIME& day);
// 7 days beginning on `day`, cut to working hours like WeekBuckets.
std::vector<tagDSSYSTIMEPERIOD> DeviceWeekBuckets(const SYSTEMTIME& day,
                                                  const WorkingHours& weekStart,
                                                  const WorkingHours& weekEnd);
// As many whole days as `day`'s month has, beginning on `day`.
std::vector<tagDSSYSTIMEPERIOD> DeviceMonthBuckets(const SYSTEMTIME& day);

}  // namespace zl
