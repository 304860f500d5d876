// The chart of a report for reporter-cli: the chart page folder (--chart) and its picture
// (--png, --bmp), made by the same chart code as the window's.
#pragma once

#include <ostream>
#include <vector>

#include "CliOptions.h"
#include "export/ReportDocument.h"
#include "query/CountTable.h"

namespace zl {

struct ChartInsightData;

// True when this build can write the page folder / render the picture.
bool CliCanWriteChart();
bool CliCanRenderChart();

// Writes what the options ask for (the page folder, pictures, the PDF report of `document`);
// 0, or 4 with one error line on `err`. `insights` (may be null): gaps, compared series and
// the peak marker drawn on the page.
int WriteCliChart(const CliOptions& options, const std::vector<CountRecord>& rows,
                  const ReportDocument& document, std::ostream& err,
                  const ChartInsightData* insights = nullptr);

}  // namespace zl
