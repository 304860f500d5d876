// The peak of a report, computed from its result rows: the bucket with the largest total in
// (and, for traffic counters, the largest volume), its share of the period's total, and for Day
// reports cut into periods of 15 minutes or less the peak hour and its peak-hour factor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "query/CountTable.h"

namespace zl {

// Which values of a record a peak sums: `in` the incoming values, `volume` every direction
// (traffic counters only, else empty). `shares` is false for counter types whose values are
// averages (occupancy, queue), where a share of the total means nothing.
struct PeakMeasure {
    std::vector<int> in;
    std::vector<int> volume;
    bool shares = true;
};
PeakMeasure PeakMeasureOf(int counterType, int valueCount);

struct PeakBucket {
    bool found = false;  // false when every bucket is 0 (or there is none)
    size_t row = 0;      // index into the rows
    uint64_t value = 0;
    uint64_t total = 0;   // of the whole period
    double share = -1.0;  // value / total; negative when not given
};

// The 60-minute window with the largest sum, sliding by the period. The factor is the hour's
// volume over 4 x its largest quarter hour (quarters counted from the hour's start). With a
// period that does not divide 15 minutes (10) the quarter cannot be formed: the factor is then
// the volume over 6 x the hour's largest period.
struct PeakHour {
    bool found = false;
    size_t firstRow = 0, lastRow = 0;  // rows of the hour, inclusive
    uint64_t volume = 0;
    uint64_t largestPart = 0;  // largest quarter (or period) within the hour
    int partMinutes = 15;
    double factor = 0.0;
};

struct PeakResult {
    PeakBucket in;
    PeakBucket volume;  // traffic counters only
    PeakHour hour;      // Day reports with periods of 15 minutes or less, counting types
};

// `rows` in time order, one per bucket; `range` 0 Day, 1 Week, 2 Month.
PeakResult ComputePeak(const std::vector<CountRecord>& rows, int counterType, int valueCount,
                       int range, int periodMinutes);

}  // namespace zl
