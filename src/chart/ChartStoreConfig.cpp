// The chart configuration fed from the process-wide stores. Kept apart from ChartConfig.cpp so
// that programs which pass the settings themselves do not need the stores.
#include "chart/ChartConfig.h"
#include "store/IString.h"
#include "store/StringIds.h"

namespace zl {

void ApplyChartSettingsFromStore(CHtmlChart& chart, const ChartSelection& selection,
                                 std::array<int, 10>* lineVisible) {
    ChartSettings settings;
    CChartSettingsStore::Instance()->GetSettings(settings, selection.counterType);
    const char* unit = IString::Instance()->LoadStringA(kStrYUnitSeconds);
    ApplyChartSettings(chart, settings, selection, unit ? unit : "", lineVisible);
}

}  // namespace zl
