// The buckets of a people-counter query read from a counting device itself: the device is
// asked for the counts of each camera between two times.
#pragma once

#include <vector>

#include "base/SysTime.h"
#include "data/SqlBuilders.h"

// Day: the 24 hours of the date, h:00:00 to h:59:59. Week: 7 days from the date on, each
// from its weekday's working-hour start (hh:mm:00) to its end (hh:mm:59), entry k for
// Monday + k. Month: as many whole days (00:00:00 to 23:59:59) from the date on as the date's
// month has. Any other range: none.
std::vector<tagDSSYSTIMEPERIOD> DeviceBuckets(int range, const SYSTEMTIME& date,
                                              const WorkingHourTable& hours);
