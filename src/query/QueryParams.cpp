#include "query/QueryParams.h"

#include <cstdint>

#include "store/ChartSettingsStore.h"

namespace zl {

WorkingHourTable WorkingHoursOf(const ChartSettings& settings) {
    WorkingHourTable hours;
    hours.start = settings.weekStart;
    hours.end = settings.weekEnd;
    return hours;
}

int ThresholdToMillimetres(int value, int unit) {
    const long long v = value;
    const long long mm = unit == 1 ? v * 254 / 10 : v * 10;
    if (mm > INT32_MAX) return INT32_MAX;
    if (mm < INT32_MIN) return INT32_MIN;
    return static_cast<int>(mm);
}

}  // namespace zl
