// The report as a spreadsheet workbook (.xlsx): a sheet with the table (typed date-times and
// numbers, the captions as a two-line header, a totals row of formulas, a frozen header), a
// native chart of the same series, and a sheet saying what was queried.
#pragma once

#include <string>
#include <vector>

#include "export/ReportDocument.h"

namespace zl {

// The sheet names.
inline constexpr const char* kXlsxReportSheet = "Report";
inline constexpr const char* kXlsxQuerySheet = "Query";

// Writes the workbook to `path`, completely or not at all: it is made beside `path` under a
// temporary name that replaces `path` only when the workbook was closed without error. False
// with the reason in *error (when given).
bool WriteXlsxReport(const std::string& path, const ReportDocument& report,
                     std::string* error = nullptr);

// The width (in characters) a column needs for these texts: the longest line plus a margin.
double XlsxColumnWidth(const std::vector<std::string>& texts);

}  // namespace zl
