// The comma-separated report: a header line with the site name and the report date, the
// column titles, one line per row and the totals of the value columns.
#pragma once

#include "export/Exporter.h"

namespace zl {

class CCsvExporter : public CExporter {
  public:
    static CCsvExporter* Instance();

    int Export(const std::string& path, const std::string& siteName,
               const std::vector<CountRecord>& rows, const std::vector<std::string>& columns,
               std::string* error = nullptr) override;

    // The whole file as text (empty when there are no rows).
    std::string Format(const std::string& siteName, const std::vector<CountRecord>& rows,
                       const std::vector<std::string>& columns) const;
};

// A CSV field: quoted (with inner quotes doubled) when it holds a comma, a double quote or a
// line break; unchanged otherwise.
std::string CsvField(const std::string& text);

}  // namespace zl
