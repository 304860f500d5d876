// The result table as text, as the window's list view shows it: the captions of the shown
// value columns, one row per record and the totals row. Shared by the window and the
// command-line tool; the columns themselves come from query/ReportColumns.h.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "query/CountTable.h"
#include "store/ChartSettingsStore.h"

namespace zl {

// The main window's selections that decide the columns.
struct ColumnSelection {
    int counterType = 1;
    int heightClass = 0;
    int heightLow = 0;  // thresholds as typed
    int heightHigh = 0;
    int queueType = 0;
};

struct ReportTableText {
    // Captions of the shown value columns (columns 2, 3, ...).
    std::vector<std::string> valueCaptions;
    // Lines of the header captions: 2 for counter type 2 with a height class, else 1.
    int captionLines = 1;
    // Every row: "%d" of the row number from 1, the bucket ("%04d/%02d/%02d %02d:%02d:%02d" of
    // its start and end joined by "-"), then the shown values ("%ld"). When there are records
    // the last row holds the totals: the row number, `totalsCaption`, the sums.
    std::vector<std::vector<std::string>> rows;
    bool hasTotals = false;
};

// "%04d/%02d/%02d %02d:%02d:%02d-%04d/%02d/%02d %02d:%02d:%02d" of the bucket start and end.
std::string BucketText(const CountRecord& record);

// Value j goes to the next column when lineVisible[j] is set; values beyond the captioned
// columns are left out (the table has no column for them).
ReportTableText BuildReportTableText(const std::vector<CountRecord>& records,
                                     const LineStyleRecord& line, const ColumnSelection& sel,
                                     const std::array<int, 10>& lineVisible,
                                     const std::string& totalsCaption);

}  // namespace zl
