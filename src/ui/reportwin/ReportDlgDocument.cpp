// The report window's documents to pass on: the workbook and the PDF report.
#include <QTableWidget>

#include "base/Version.h"
#include "export/ExportText.h"
#include "export/XlsxReport.h"
#include "query/CountTable.h"
#include "query/QueryWorker.h"
#include "query/ReportColumns.h"
#include "store/IString.h"
#include "store/SiteListStore.h"
#include "store/StringIds.h"
#include "ui/chartview/PdfReport.h"
#include "ui/chartview/WebBrowserHost.h"
#include "ui/reportwin/CReportDlg.h"
#include "ui/reportwin/ResultTable.h"

namespace zl {

namespace {

std::string Text(unsigned id) {
    return IString::Instance()->LoadStringA(id);
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

// A heading caption without its colon ("Sites:" -> "Sites").
std::string Label(const QString& caption) {
    QString label = caption.trimmed();
    if (label.endsWith(QLatin1Char(':'))) label.chop(1);
    return label.toStdString();
}

// "Site: Camera01, Camera02; Other site: ..." of the checked sites' checked cameras.
std::string CamerasText(const std::vector<SiteRecord>& sites) {
    std::string out;
    for (const SiteRecord& site : sites) {
        std::string names;
        for (const CameraSlot& slot : site.cameras)
            if (slot.used && slot.checked) names += (names.empty() ? "" : ", ") + slot.name;
        out += (out.empty() ? "" : "; ") + site.name + ": " + names;
    }
    return out;
}

}  // namespace

ReportDocument CReportDlg::Document() const {
    const ReportHeadingFields f = HeadingFields();
    ReportDocument d;
    d.title = ReportHeadingLines(f).value(0).toStdString();
    QString dates = f.firstDay;
    if (!f.lastDay.isEmpty() && f.lastDay != f.firstDay) dates += QStringLiteral(" - ") + f.lastDay;
    d.query = {
        {Label(f.sitesCaption), f.sites.join(QStringLiteral(", ")).toStdString()},
        {"Cameras", CamerasText(CheckedSites(CSiteListStore::Instance()->Sites()))},
        {"Counter type", f.counterType.toStdString()},
        {Label(f.rangeCaption), (f.range + QLatin1Char(' ') + dates).trimmed().toStdString()},
        {Label(f.filtersCaption), f.filters.join(QStringLiteral("; ")).toStdString()},
        {"Program", FirstLine(zl::VersionText("zelkoReporter"))},
        {"Exported", f.madeAt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString()},
    };
    d.fromTitle = Text(kStrExportStartTime);
    d.toTitle = Text(kStrExportEndTime);
    d.totalTitle = Text(kStrTotalRow);
    // The value columns' titles as the table shows them, two lines where it has two.
    const QStringList headers = HeaderTexts(table_);
    for (int c = 2; c < headers.size(); ++c) d.captions.push_back(headers[c].toStdString());
    d.rows = ShownValueRows(CReportTable::Instance()->Records(),
                            ReportValueCount(filters_.CounterType(), filters_.HeightClass()),
                            lineVisible_);
    d.barChart = view_ == kViewBar;
    return d;
}

bool CReportDlg::ExportDocument(const std::string& file, bool pdf) {
    const ReportDocument document = Document();
    std::string error;
    if (!pdf) {
        if (WriteXlsxReport(file, document, &error)) return true;
    } else {
        PdfReportOptions options;
        options.paper = DefaultPaper();
        options.printedCaption = QString::fromUtf8(Text(kStrHeadingPrinted));
        QString why;
        // The chart as the window shows it; from the table view (the chart hidden, so not
        // drawn) the report holds the heading and the table.
        const QImage chart = host_->isVisible() ? host_->Capture() : QImage();
        if (WritePdfReport(QString::fromStdString(file), document, chart, options, &why))
            return true;
        error = why.toStdString();
    }
    ShowError(QString::fromStdString(FailureText(kStrExportFailed, file, error)));
    return false;
}

}  // namespace zl
