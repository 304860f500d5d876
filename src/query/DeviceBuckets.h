// The buckets of a people-counter query read from a counting device itself: the device is
// asked for the counts of each camera between two times.
#pragma once

#include <vector>

#include "base/SysTime.h"
#include "data/SqlBuilders.h"

namespace zl {

// The buckets of the database paths, so that device and database sites of one report share
// them: Day, the 24 hours of the date, h:00:00 to h:59:59. Week: the 7 days ending on the date,
// each from its weekday's working-hour start (hh:mm:00) to its end (hh:mm:59), entry k for
// Monday + k. Month: the rolling month ending on the date, whole days. Any other range: none.
std::vector<tagDSSYSTIMEPERIOD> DeviceBuckets(int range, const SYSTEMTIME& date,
                                              const WorkingHourTable& hours);

}  // namespace zl
