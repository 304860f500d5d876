// The report as a PDF document: the heading with what was queried, the chart, the table with
// its totals row (its header repeated on every page), and on every page its number and the
// time of printing. Made with Qt's PDF output, as printing is.
#pragma once

#include <QDateTime>
#include <QImage>
#include <QPageSize>
#include <QString>

#include "export/ReportDocument.h"

namespace zl {

struct PdfReportOptions {
    QPageSize::PageSizeId paper = QPageSize::A4;
    QDateTime printedAt = QDateTime::currentDateTime();
    QString printedCaption = QStringLiteral("Printed:");
    QString pageCaption = QStringLiteral("Page %1 of %2");
};

// Writes `path` completely or not at all (a temporary file replaces it when complete). An
// empty `chart` leaves the chart out. False with the reason in *error (when given).
bool WritePdfReport(const QString& path, const ReportDocument& document, const QImage& chart,
                    const PdfReportOptions& options, QString* error = nullptr);

// Letter where the locale's country uses it (the Americas' letter countries), else A4.
QPageSize::PageSizeId DefaultPaper();

}  // namespace zl
