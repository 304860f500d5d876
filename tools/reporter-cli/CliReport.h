// The report document (workbook, PDF) of a reporter-cli run: what was queried, in words, and
// the table of the shown columns.
#pragma once

#include <string>
#include <vector>

#include "CliOptions.h"
#include "CliOutput.h"
#include "export/ReportDocument.h"

namespace zl {

struct CliReportTexts {
    std::string counterType;  // the counter type's name
    std::string fromTitle, toTitle, totalTitle;
};

// `rows` already hold the shown values in column order; `captions` are the shown captions.
ReportDocument MakeCliReport(const CliOptions& options, const CliReportTexts& texts,
                             const std::vector<std::string>& captions,
                             const std::vector<CountRecord>& rows,
                             const std::vector<JsonSite>& sites);

}  // namespace zl
