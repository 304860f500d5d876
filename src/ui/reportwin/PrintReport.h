// Printing what the report window shows: the chart as a picture scaled to the page, or the
// table with its header and totals row, continued over as many pages as it needs.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <vector>

class QPrinter;

namespace zl {

// False when the image is empty or the printer cannot be started.
bool PrintImage(QPrinter& printer, const QImage& image);
// `heading` above the table (its first line as the title); header captions may hold a line
// feed (printed on two lines).
bool PrintTable(QPrinter& printer, const QStringList& heading, const QStringList& headers,
                const std::vector<QStringList>& rows);
// The HTML the table is printed from.
QString TableHtml(const QStringList& heading, const QStringList& headers,
                  const std::vector<QStringList>& rows);

}  // namespace zl
