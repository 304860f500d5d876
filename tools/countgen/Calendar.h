// Civil dates as day numbers (days since 1970-01-01), for walking the generated days.
#pragma once

#include <cstdint>
#include <string>

#include "base/CivilDays.h"

namespace zl {

using CivilDate = zl::CivilDay;

int64_t DaysFromCivil(const CivilDate& date);
// 1..366.
int DayOfYear(const CivilDate& date);
// 'YYYY-MM-DD' with a valid date; false otherwise.
bool ParseIsoDate(const std::string& text, CivilDate* out);
CivilDate LocalToday();

}  // namespace zl
