// Configuration of the chart from the chart settings of the current counter type: series
// types, widths and colours for the view, then title, legend texts, colours, grid and value
// flags, y unit, tooltip mode and the enable flags of the Direction filter.
#pragma once

#include <array>
#include <string>

#include "store/ChartSettingsStore.h"

namespace zl {

class CHtmlChart;

// The main window's selections that the chart configuration reads.
struct ChartSelection {
    int counterType = 1;  // 1..7
    int view = 0;         // 0 line chart, 1 bar chart, 2 table
    int range = 0;        // the range radio selected now: 0 Day, 1 Week, 2 Month
    int heightClass = 0;  // 0 all, 1 three classes, 2 above, 3 below
    int heightLow = 0;    // thresholds as typed
    int heightHigh = 0;
    int queueType = 0;  // queue measure 0..3
    int direction = 0;  // 0 both, 1 in, 2 out
};

// Grey of every series in the table view.
constexpr COLORREF kTableSeriesColor = 0x007D7D7D;

// Series i: aux 4; type, width and colour from the line chart record (view 0), the bar chart
// record (view 1) or the table grey (view 2, type unchanged, width 2). Pair i / 2, "in" for
// even i, "out" for odd i; series beyond the four pairs take the colour and width defaults.
void ConfigureSeries(CHtmlChart& chart, int i, const ChartSettings& settings, int view);

// Configures the whole chart. `yUnitSeconds` is the y unit of the queue time measures
// (language string kStrYUnitSeconds). For counter types 1 and 2 the enable flags of the
// Direction filter are set on the chart and copied into *lineVisible (when given) for the
// series they concern (0..1 for type 1, 0..5 for type 2).
void ApplyChartSettings(CHtmlChart& chart, const ChartSettings& settings,
                        const ChartSelection& selection, const std::string& yUnitSeconds,
                        std::array<int, 10>* lineVisible);

// The same with the settings of selection.counterType from CChartSettingsStore::Instance()
// and the y unit from IString::Instance() (ChartStoreConfig.cpp, needs zl::store).
void ApplyChartSettingsFromStore(CHtmlChart& chart, const ChartSelection& selection,
                                 std::array<int, 10>* lineVisible);

}  // namespace zl
