// The texts of the report insights (peak, coverage, comparison) as every view shows them,
// filled from the language texts.
#pragma once

#include <string>
#include <vector>

#include "base/SysTime.h"
#include "query/CountTable.h"

namespace zl {

// `text` with "%1".."%9" replaced by the arguments (missing ones by nothing).
std::string FillText(const std::string& text, const std::vector<std::string>& args);

// "YYYY-MM-DD hh:mm" of a time.
std::string ShortTimeText(const SYSTEMTIME& t);
// "hh:mm-hh:mm" of a Day bucket, "YYYY-MM-DD" of a Week or Month bucket.
std::string PeakBucketText(const CountRecord& r);
// "hh:mm-hh:mm" from the start of the first row to the end of the last one.
std::string SpanText(const CountRecord& first, const CountRecord& last);
// A change in per cent as the tables show it ("+12.5", "-3.0"); "" when `before` is 0.
std::string ChangeText(uint64_t now, uint64_t before);
// A share as "12.3%".
std::string ShareText(double share);

}  // namespace zl
