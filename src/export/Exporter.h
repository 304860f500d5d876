// Writers of a report result as a file: the CSV report and the XML document. Each is a
// process-wide object with one virtual operation; the window, the command-line tool and the
// tests call the same code.
#pragma once

#include <string>
#include <vector>

#include "query/CountTable.h"

namespace zl {

class CExporter {
  public:
    virtual ~CExporter() = default;

    // Writes `rows` under the column titles `columns` (element 0 and 1 the two time columns,
    // then one per value column) to `path`. The file is written completely or not at all: the
    // text goes to a temporary file beside it that replaces `path` only when complete.
    // Returns 1 when written, or when there are no rows (nothing is written then); 0 when the
    // file could not be written, with the reason in *error (when given).
    virtual int Export(const std::string& path, const std::string& siteName,
                       const std::vector<CountRecord>& rows,
                       const std::vector<std::string>& columns, std::string* error = nullptr) = 0;

    // The "Report date" written into files; empty (the default) means the current local time.
    // For reproducible output.
    void SetReportTime(const std::string& text) { reportTime_ = text; }

  protected:
    // "%Y-%m-%d %H:%M:%S" of now, or the text set with SetReportTime.
    std::string ReportTime() const;

  private:
    std::string reportTime_;
};

// Which writer a chosen file name asks for, tested in this order on the text (anywhere in the
// path, case-sensitive): ".csv", ".xml", ".bmp"; then by its ending: ".xlsx", ".pdf".
enum class ExportKind { None, Csv, Xml, Bmp, Xlsx, Pdf };
ExportKind ExportKindOfPath(const std::string& path);

// The start or end time of a row as a CountRecord holds it.
struct RowTime {
    int year, month, day, hour, minute, second;
};
RowTime RowFrom(const CountRecord& r);
RowTime RowTo(const CountRecord& r);

}  // namespace zl
