// The report window's query run and result views: the table, the chart and the view switch.
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>
#include <memory>
#include <string>

#include "chart/ChartConfig.h"
#include "chart/ChartFill.h"
#include "chart/ReportTableText.h"
#include "query/QueryParams.h"
#include "query/QueryRun.h"
#include "query/QueryWorker.h"
#include "query/ReportColumns.h"
#include "sites/SiteLogic.h"
#include "store/ChartSettingsStore.h"
#include "store/IString.h"
#include "store/SiteListStore.h"
#include "store/StringIds.h"
#include "ui/chartview/WebBrowserHost.h"
#include "ui/datepicker/IDatePicker.h"
#include "ui/reportwin/CReportDlg.h"
#include "ui/reportwin/ProgressDlg.h"
#include "ui/reportwin/QueryReadiness.h"
#include "ui/reportwin/ResultTable.h"
#include "ui/reportwin/RetryPrompt.h"

namespace zl {

namespace {

QString Str(unsigned id) {
    return QString::fromUtf8(IString::Instance()->LoadStringA(id));
}

}  // namespace

void CReportDlg::ReadControls() {
    directionIndex_ = direction_->currentIndex() < 0 ? 0 : direction_->currentIndex();
    heightUnitIndex_ = heightUnit_->currentIndex() < 0 ? 0 : heightUnit_->currentIndex();
    // Text that is not a number reads as 0, as the query has always taken it.
    heightLowValue_ = heightLow_->text().trimmed().toInt();
    heightHighValue_ = heightHigh_->text().trimmed().toInt();
}

void CReportDlg::RunQuery() {
    // Nothing to run: say what is missing rather than come back empty.
    if (const unsigned missing = MissingForQuery(counterType_->currentIndex() >= 0,
                                                 CSiteListStore::Instance()->Sites())) {
        QMessageBox box(QMessageBox::Information, Str(kStrAppCaption), Str(missing),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("missingMessage"));
        box.exec();
        return;
    }
    queryRange_ = filters_.Range();
    ReadControls();

    QueryParams params;
    params.counterType = filters_.CounterType();
    params.range = queryRange_;
    params.startDate = picker_ ? picker_->Get_Select_Time() : GetSysTime();
    params.direction = directionIndex_;
    params.heightClass = filters_.HeightClass();
    params.heightUnit = heightUnitIndex_;
    params.heightLow = heightLowValue_;
    params.heightHigh = heightHighValue_;
    params.periodMinutes = filters_.PeriodMinutes();
    params.regionVisible = filters_.RegionVisible();
    params.queueType = filters_.QueueType();
    ChartSettings settings;
    CChartSettingsStore::Instance()->GetSettings(settings, params.counterType);
    params.hours = WorkingHoursOf(settings);
    // Sites that could not be reached are tried again first; those still out are told about
    // (by name) and left out of this query.
    if (!RetryUnreachableSites()) return;  // cancelled: no query
    // The worker takes copies: nothing it reads can change under it.
    std::vector<SiteRecord> sites;
    for (const SiteRecord& site : CheckedSites(CSiteListStore::Instance()->Sites()))
        if (!siteLogic_->IsUnreachable(site)) sites.push_back(site);
    if (sites.empty()) return;

    // The site whose query failed; the worker writes it before its run ends.
    auto failedSite = std::make_shared<std::string>();
    // The compared period and the coverage belong to the same run (one progress, one cancel).
    insights_ = ReportInsights();
    insights_.mode = static_cast<CompareMode>(ChosenCompareMode());
    insights_.hasCoverage = true;
    insights_.closedDays = LoadClosedDays(CChartSettingsStore::Instance()->File());
    std::vector<std::string> names;
    for (const SiteRecord& site : sites) names.push_back(site.name);
    {
        QueryRun run;
        retryPrompt_->SetRun(&run);
        UiRetryPrompt* prompt = retryPrompt_;
        ReportInsights* insights = &insights_;
        run.Start([params, sites, names, prompt, insights, failedSite](QueryRun& self) {
            QueryTables tables;
            tables.failedSite = failedSite.get();
            return RunReportWithInsights(params, sites, names, &self, prompt, insights, tables);
        });
        CProgressDlg progress(this);
        lastCancelled_ = progress.RunFor(run);
        WaitForWorker(run);
        lastOutcome_ = run.Result();
        retryPrompt_->SetRun(nullptr);
    }
    // A failed site leaves no report (never its rows as zeros); the user is told which.
    if (lastOutcome_ == kQueryFailed && !lastCancelled_ && !failedSite->empty()) {
        QMessageBox box(
            QMessageBox::Warning, Str(kStrAppCaption),
            Str(kStrSiteError).arg(QString::fromStdString(*failedSite), Str(kStrCauseQueryFailed)),
            QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("siteFailedMessage"));
        box.exec();
    }
    CompleteInsights(CReportTable::Instance()->Records(), params,
                     ReportValueCount(params.counterType, params.heightClass), &insights_);

    ApplyChart();
    BuildColumnsAndTable();
    FillChartFromReport();
    // Print and Export need rows; a query without any shows why the area is empty.
    if (!CReportTable::Instance()->Records().empty()) {
        hasResult_ = 1;
        SwitchView(view_);
    } else {
        ClearResult(lastOutcome_ == kQueryDone ? kStrHintNoRows : kStrHintStart);
    }
    ShowInsightLines();
    emit queryFinished(lastOutcome_);
}

void CReportDlg::WaitForWorker(QueryRun& run) {
    // After a cancel the worker may still be inside a query or waiting for an answer on this
    // thread (answered No at once, the run being cancelled); events keep being served until it
    // has ended, but not the user's: the sites it reads must not change under it.
    while (!run.WaitFor(20)) QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    run.Wait();
}

void CReportDlg::ApplyChart() {
    ChartSelection selection;
    selection.counterType = filters_.CounterType();
    selection.view = view_;
    selection.range = filters_.Range();
    selection.heightClass = filters_.HeightClass();
    selection.heightLow = heightLowValue_;
    selection.heightHigh = heightHighValue_;
    selection.queueType = filters_.QueueType();
    selection.direction = directionIndex_;
    ApplyChartSettingsFromStore(chart_, selection, &lineVisible_);
    ApplyInsightsToChart();
}

void CReportDlg::BuildColumnsAndTable() {
    ChartSettings settings;
    CChartSettingsStore::Instance()->GetSettings(settings, filters_.CounterType());
    ColumnSelection selection;
    selection.counterType = filters_.CounterType();
    selection.heightClass = filters_.HeightClass();
    selection.heightLow = heightLowValue_;
    selection.heightHigh = heightHighValue_;
    selection.queueType = filters_.QueueType();
    ReportTableText text =
        BuildReportTableText(CReportTable::Instance()->Records(), settings.line, selection,
                             lineVisible_, IString::Instance()->LoadStringA(kStrTotalRow));
    reportValueColumns_ = static_cast<int>(text.valueCaptions.size());
    ApplyInsightsToTable(text);
    SetValueColumns(table_, text.valueCaptions);
    SetRows(table_, text.rows);
}

void CReportDlg::FillChartFromReport() {
    chartMax_ = FillChart(chart_, CReportTable::Instance()->Records(), filters_.CounterType(),
                          filters_.HeightClass(), queryRange_);
    ApplyChart();
    chart_.WritePage();
}

void CReportDlg::RenderPage() {
    ApplyChart();
    chart_.WritePage();
}

void CReportDlg::SwitchView(int view) {
    if (view < kViewChart || view > kViewTable) return;
    view_ = view;
    viewButtons_[view]->setChecked(true);
    if (view != kViewTable) {
        ApplyChart();
        if (hasResult_ == 1) chart_.WritePage();
    }
    ShowResultArea();
    UpdateOutputButtons();
}

void CReportDlg::ShowResultArea() {
    if (hasResult_ != 1)
        results_->setCurrentWidget(hint_);
    else
        results_->setCurrentWidget(view_ == kViewTable ? static_cast<QWidget*>(table_) : host_);
}

void CReportDlg::ClearResult(unsigned hintId) {
    hasResult_ = 0;
    table_->setRowCount(0);
    hint_->setText(Str(hintId));
    ShowResultArea();
    UpdateOutputButtons();
}

void CReportDlg::UpdateOutputButtons() {
    // The table prints too (with its totals), so both buttons follow the result alone.
    print_->setEnabled(hasResult_ == 1);
    export_->setEnabled(hasResult_ == 1);
}

bool CReportDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == host_ && event->type() == QEvent::Resize && hasResult_ == 1)
        resizeTimer_->start();
    return QWidget::eventFilter(watched, event);
}

}  // namespace zl
