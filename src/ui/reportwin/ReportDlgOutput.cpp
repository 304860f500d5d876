// The report window's export and print.
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QTableWidget>

#include "export/CsvExporter.h"
#include "export/ExportText.h"
#include "export/XmlExporter.h"
#include "query/CountTable.h"
#include "query/QueryWorker.h"
#include "query/ReportColumns.h"
#include "store/IString.h"
#include "store/SiteListStore.h"
#include "store/StringIds.h"
#include "ui/chartview/WebBrowserHost.h"
#include "ui/reportwin/CReportDlg.h"
#include "ui/reportwin/PrintReport.h"
#include "ui/reportwin/ReportHeading.h"
#include "ui/reportwin/ResultTable.h"

namespace zl {

namespace {

QString Str(unsigned id) {
    return QString::fromUtf8(IString::Instance()->LoadStringA(id));
}

// The site name every export carries.
constexpr const char* kExportSiteName = "Site Name";

QString AskSavePath(QWidget* parent, const QString& filter, const QString& suffix) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filter.split(QStringLiteral(";;")));
    // A name typed without an extension gets the one of the filter chosen, so it is written.
    dialog.setDefaultSuffix(suffix);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
        const qsizetype star = f.indexOf(QStringLiteral("(*."));
        if (star >= 0) dialog.setDefaultSuffix(f.mid(star + 3).section(QLatin1Char(')'), 0, 0));
    });
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

bool AskPrinter(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace

void CReportDlg::Export() {
    const bool table = view_ == kViewTable;
    // The view's own file type first; the workbook and the PDF report from either view.
    const QString filter = (table ? QStringLiteral("CSV(*.csv)") : QStringLiteral("BMP(*.bmp) ")) +
                           QStringLiteral(";;Excel workbook(*.xlsx);;PDF(*.pdf)");
    const QString suffix = table ? QStringLiteral("csv") : QStringLiteral("bmp");
    const QString path =
        chooseExportPath ? chooseExportPath(filter, suffix) : AskSavePath(this, filter, suffix);
    if (path.isEmpty()) return;
    ExportTo(path);
}

bool CReportDlg::ExportTo(const QString& path) {
    const std::string file = path.toStdString();
    const ExportKind kind = ExportKindOfPath(file);
    if (kind == ExportKind::None) return false;
    if (kind == ExportKind::Xlsx || kind == ExportKind::Pdf)
        return ExportDocument(file, kind == ExportKind::Pdf);
    if (kind == ExportKind::Bmp) {
        // The picture says what it shows: the heading above the chart.
        if (SaveImageAsBmp(WithHeading(host_->Capture(), HeadingLines()), file)) return true;
        ShowError(QString::fromStdString(FailureText(kStrBitmapFailed, file)));
        return false;
    }
    // The titles of the table's value columns as they stand; values by the same columns.
    std::vector<std::string> headers;
    const QStringList texts = HeaderTexts(table_);
    // The compared columns of the table are not exported: the file keeps its layout.
    for (int c = 2; c < texts.size() && c < 2 + reportValueColumns_; ++c)
        headers.push_back(texts[c].toStdString());
    const std::vector<std::string> columns = ExportColumns(
        Str(kStrExportStartTime).toStdString(), Str(kStrExportEndTime).toStdString(), headers);
    const std::vector<CountRecord> rows = ShownValueRows(
        CReportTable::Instance()->Records(),
        ReportValueCount(filters_.CounterType(), filters_.HeightClass()), lineVisible_);
    CExporter* exporter = kind == ExportKind::Csv
                              ? static_cast<CExporter*>(CCsvExporter::Instance())
                              : CXmlExporter::Instance();
    std::string error;
    if (!exporter->Export(file, kExportSiteName, rows, columns, &error)) {
        ShowError(QString::fromStdString(FailureText(kStrExportFailed, file, error)));
        return false;
    }
    if (kind == ExportKind::Xml &&
        CXmlExporter::Instance()->LastStylesheet() == CXmlExporter::Stylesheet::UsersKept)
        ShowError(QString::fromStdString(FailureText(kStrStylesheetKept, StylesheetPathFor(file))));
    return true;
}

void CReportDlg::Print() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(view_ == kViewTable ? QPageLayout::Portrait
                                                   : QPageLayout::Landscape);
    const bool chosen = choosePrinter ? choosePrinter(printer) : AskPrinter(this, printer);
    if (chosen && !PrintTo(printer))
        ShowError(QString::fromStdString(FailureText(kStrPrintFailed, {})));
}

bool CReportDlg::PrintTo(QPrinter& printer) {
    if (view_ == kViewTable)
        return PrintTable(printer, HeadingLines(), HeaderTexts(table_), CellTexts(table_));
    return PrintImage(printer, WithHeading(host_->Capture(), HeadingLines()));
}

QStringList CReportDlg::HeadingLines() const {
    return ReportHeadingLines(HeadingFields());
}

ReportHeadingFields CReportDlg::HeadingFields() const {
    ReportHeadingFields f;
    for (const SiteRecord& site : CheckedSites(CSiteListStore::Instance()->Sites()))
        f.sites << QString::fromStdString(site.name);
    f.counterType = counterType_->currentText();
    f.range = Str(queryRange_ == 2   ? kStrRangeMonth
                  : queryRange_ == 1 ? kStrRangeWeek
                                     : kStrRangeDay);
    const std::vector<CountRecord>& records = CReportTable::Instance()->Records();
    if (!records.empty()) {
        const auto day = [](const SYSTEMTIME& t) {
            return QString::asprintf("%04d/%02d/%02d", t.wYear, t.wMonth, t.wDay);
        };
        f.firstDay = day(records.front().From());
        f.lastDay = day(records.back().To());
    }
    // Every filter the window shows, as "<label> <value>".
    const std::pair<int, QWidget*> filters[] = {{kIdDirectionLabel, direction_},
                                                {kIdHeightLabel, height_},
                                                {kIdRegionLabel, region_},
                                                {kIdPeriodLabel, period_},
                                                {kIdQueueTypeLabel, queueType_}};
    for (const auto& [labelId, control] : filters) {
        auto* combo = qobject_cast<QComboBox*>(control);
        if (!combo || !combo->isVisibleTo(this) || combo->currentIndex() < 0) continue;
        QString text = combo->currentText();
        if (combo == height_ && heightLow_->isVisibleTo(this)) {
            text += QStringLiteral(" ") + heightLow_->text();
            if (heightHigh_->isVisibleTo(this)) text += QStringLiteral(" - ") + heightHigh_->text();
            text += QStringLiteral(" ") + heightUnit_->currentText();
        }
        const auto* label = qobject_cast<QLabel*>(Control(labelId));
        f.filters << (label ? label->text() + QStringLiteral(" ") : QString()) + text;
    }
    f.madeAt = QDateTime::currentDateTime();
    f.sitesCaption = Str(kStrHeadingSites);
    f.rangeCaption = Str(kStrHeadingRange);
    f.filtersCaption = Str(kStrHeadingFilters);
    f.madeCaption = Str(kStrHeadingPrinted);
    return f;
}

void CReportDlg::ShowError(const QString& text) {
    QMessageBox box(QMessageBox::Warning, Str(kStrAppCaption), text, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("errorMessage"));
    box.exec();
}

}  // namespace zl
