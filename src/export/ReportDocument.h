// A report as a document one passes on (workbook, PDF): what was queried, the table with its
// captions and the chart's kind. Made by the window and by reporter-cli; handed to the picture
// helper as JSON.
#pragma once

#include <string>
#include <vector>

#include "query/CountTable.h"

namespace zl {

struct ReportQueryItem {
    std::string label;  // "Sites", "Counter type", ...
    std::string value;
};

struct ReportDocument {
    std::string title;  // the heading's first line: counter type, range and dates
    std::vector<ReportQueryItem> query;
    std::string fromTitle = "Start time", toTitle = "End time", totalTitle = "Total";
    // The value columns' captions; a line feed splits a caption over the header's two lines.
    std::vector<std::string> captions;
    // Rows whose values 0..captions.size()-1 are the columns' (see ShownValueRows).
    std::vector<CountRecord> rows;
    bool barChart = false;  // else a line chart
};

// The totals of the value columns.
std::vector<unsigned long long> ColumnTotals(const ReportDocument& document);

// "YYYY-MM-DD hh:mm:ss" of a row's start and end.
std::string RowStartText(const CountRecord& row);
std::string RowEndText(const CountRecord& row);

// The document as JSON and back; false with *error when the text is not such a document.
std::string ReportDocumentToJson(const ReportDocument& document);
bool ReportDocumentFromJson(const std::string& text, ReportDocument* document, std::string* error);

}  // namespace zl
