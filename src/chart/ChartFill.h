// Filling the chart from a report table: which values of each record go to which series, the
// x labels and the y-axis scale.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "query/CountTable.h"

namespace zl {

class CHtmlChart;

// The x label of a bucket: for a Day result "%02d" of the start hour, or "%02d:%02d" (hour,
// minute) when the bucket does not start on the hour; for Week and Month "%02d" of the day.
std::string ChartXLabel(const CountRecord& record, int queryRange);

// How many series of a record the chart shows: types 1, 2: 2 (type 2 with three height
// classes: 6); 5: 4; 6: 8; 3, 4, 7: 1.
int ChartSeriesOfType(int counterType, int heightClass);

// Clears every series and the labels, adds one point per record to each series of the counter
// type and one x label per record, then sets 10 y steps and the y maximum max(chartMax, 50).
// Returns chartMax, the largest value added (0 for no records).
uint32_t FillChart(CHtmlChart& chart, const std::vector<CountRecord>& records, int counterType,
                   int heightClass, int queryRange);

}  // namespace zl
