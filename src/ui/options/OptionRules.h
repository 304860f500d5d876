// The rules of the settings dialog without widgets: what the pages show of a counter type's
// chart settings, what OK gives back, and the check of the working hours when the working-hour
// page is left.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "store/ChartSettingsStore.h"

namespace zl {

// What the dialog edits: one line-style record (shown on the chart page) and the shared part.
struct OptionValues {
    LineStyleRecord page;
    int synAdjust = 0;
    std::array<SYSTEMTIME, 7> weekStart{};
    std::array<SYSTEMTIME, 7> weekEnd{};
};

// The page shows the bar chart record (it is loaded after the line chart record and replaces
// it); the working hours come from the shared part.
OptionValues LoadOptionValues(const ChartSettings& settings);
// OK: the page's record becomes both the line and the bar chart record; the working hours and
// the synchronisation flag go to the shared part.
void StoreOptionValues(const OptionValues& values, ChartSettings& settings);

// Width lists hold "1" .. "10"; the stored width is the selected index (0 shows "1").
constexpr int kWidthListSize = 10;
// The index a stored width selects; -1 (no selection) for a width outside the list.
int WidthListIndex(int storedWidth);
// The width OK stores: the selected index, or the stored width while nothing is selected.
int WidthFromList(int selectedIndex, int storedWidth);

// One row of the working-hour page as its four fields read; -1 for a field whose text is no
// whole number.
struct WorkingHourRow {
    int startHour = 0;
    int startMinute = 0;
    int endHour = 0;
    int endMinute = 0;
};

// The first row that may not be left, and why (language string 118 start invalid, 119 end
// invalid, 117 start later than end). row is -1 when every row is valid; start equal to end is
// valid.
struct WorkingHourProblem {
    int row = -1;
    unsigned reason = 0;
    bool Ok() const { return row < 0; }
};
WorkingHourProblem CheckWorkingHours(const std::array<WorkingHourRow, 7>& rows);

// The message of a problem: the row's day name (string 84 + row), a line feed, the reason.
std::string WorkingHourMessage(const WorkingHourProblem& problem,
                               const std::function<std::string(unsigned)>& text);

// A field's number: blanks around digits only; -1 for anything else (empty, signs, letters,
// too long).
int FieldNumber(const std::string& text);

}  // namespace zl
