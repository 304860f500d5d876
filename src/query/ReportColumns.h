// The value columns of a report: how many values a record of a counter type carries, their
// captions (from the chart settings' line titles), which of them the Direction choice shows,
// and the column titles of an export.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "query/CountTable.h"

namespace zl {

struct LineStyleRecord;

// How many values of a record the views use: 2 for people counters (6 for the 3D people
// counter with three height classes), 4 flow, 8 traffic, 1 access, occupancy and queue.
int ReportValueCount(int counterType, int heightClass);

// The captions of the value columns in value order. A 3D height class adds a second line
// "\n(h<%d)", "\n(%d<=h<=%d)" or "\n(h>%d)" with the thresholds as typed. The class "above"
// shows the lower threshold, the one its query uses.
std::vector<std::string> ReportValueCaptions(const LineStyleRecord& titles, int counterType,
                                             int heightClass, int heightLow, int heightHigh,
                                             int queueType);

// Which values are shown: for people counters Direction 1 shows the even values (in), 2 the
// odd ones (out); everything else shows all.
std::array<int, 10> LineVisibleFor(int counterType, int direction);

// The captions of the shown values, in order.
std::vector<std::string> VisibleCaptions(const std::vector<std::string>& captions,
                                         const std::array<int, 10>& lineVisible);

// The column titles of an export: the two time column titles (language strings 156 and 157),
// then the header texts of the value columns, each line feed replaced by a blank.
std::vector<std::string> ExportColumns(const std::string& fromTitle, const std::string& toTitle,
                                       const std::vector<std::string>& valueHeaders);

// Rows whose values are those of the shown columns, moved to the front in column order, so an
// exporter that takes value c-2 for column c writes each value under its own title.
std::vector<CountRecord> ShownValueRows(const std::vector<CountRecord>& rows, int valueCount,
                                        const std::array<int, 10>& lineVisible);

}  // namespace zl
