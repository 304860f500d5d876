// The report window's handlers of the query controls, the tree and the site buttons.
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>

#include "chart/HtmlChart.h"
#include "data/QueueDatabase.h"
#include "query/CountTable.h"
#include "query/QueryRun.h"
#include "sites/SiteLogic.h"
#include "store/IString.h"
#include "store/SiteListStore.h"
#include "store/StringIds.h"
#include "ui/datepicker/IDatePicker.h"
#include "ui/options/ISettingsDialog.h"
#include "ui/reportwin/CReportDlg.h"
#include "ui/reportwin/ProgressDlg.h"
#include "ui/sitetree/CDragDropTreeCtrl.h"

namespace zl {

namespace {

QString Str(unsigned id) {
    return QString::fromUtf8(IString::Instance()->LoadStringA(id));
}

}  // namespace

void CReportDlg::Connect() {
    // `activated` only: a combo filled or set by the window itself runs no handler.
    connect(counterType_, &QComboBox::activated, this, &CReportDlg::SelectCounterType);
    connect(direction_, &QComboBox::activated, this, &CReportDlg::OnDirectionChanged);
    connect(height_, &QComboBox::activated, this, &CReportDlg::OnHeightChanged);
    connect(region_, &QComboBox::activated, this, &CReportDlg::OnRegionChanged);
    connect(period_, &QComboBox::activated, this, &CReportDlg::OnPeriodChanged);
    connect(queueType_, &QComboBox::activated, this, &CReportDlg::OnQueueTypeChanged);
    for (int r = 0; r < 3; ++r) {
        connect(rangeButtons_[r], &QRadioButton::clicked, this, [this, r] { SelectRange(r); });
    }
    connect(viewGroup_, &QButtonGroup::idClicked, this, &CReportDlg::SwitchView);
    connect(query_, &QPushButton::clicked, this, &CReportDlg::RunQuery);
    connect(add_, &QPushButton::clicked, this, &CReportDlg::OnAdd);
    connect(remove_, &QPushButton::clicked, this, &CReportDlg::OnRemove);
    connect(settings_, &QPushButton::clicked, this, &CReportDlg::OnSettings);
    connect(export_, &QPushButton::clicked, this, &CReportDlg::Export);
    connect(print_, &QPushButton::clicked, this, &CReportDlg::Print);
    connect(tree_, &CDragDropTreeCtrl::treeLeftClicked, this, &CReportDlg::OnTreeLeftClicked);
    connect(tree_, &CDragDropTreeCtrl::treeRightClicked, this, &CReportDlg::OnTreeRightClicked);
    connect(tree_, &CDragDropTreeCtrl::treeLabelEditEnded, this, &CReportDlg::OnTreeLabelEdited);
    connect(resizeTimer_, &QTimer::timeout, this, [this] {
        if (hasResult_ == 1) RenderPage();
    });
}

// --- Filter controls ---------------------------------------------------------------------------

void CReportDlg::ApplyFilterVisibility() {
    for (int id : kFilterControlIds) {
        if (QWidget* w = Control(id)) w->setVisible(filters_.Visible(id));
    }
}

void CReportDlg::ApplyFilterChange(const FilterChange& change) {
    if (change.directionRefilled) {
        direction_->clear();
        for (unsigned id : filters_.Direction().stringIds) direction_->addItem(Str(id));
        direction_->setCurrentIndex(filters_.Direction().selected);
    }
    if (change.heightLowText) heightLow_->setText(QString::fromStdString(*change.heightLowText));
    if (change.heightHighText) heightHigh_->setText(QString::fromStdString(*change.heightHighText));
    ApplyFilterVisibility();
}

void CReportDlg::SelectCounterType(int index) {
    if (counterType_->currentIndex() != index) counterType_->setCurrentIndex(index);
    const CounterTypeChange change = filters_.SelectCounterType(index);
    if (!change.refreshPeopleSites && !change.refreshOtherSites) return;
    // The previous type's report is no report of this one: the area is cleared at once.
    CReportTable::Instance()->Clear();
    ClearResult(kStrHintTypeChanged);
    lineVisible_.fill(1);
    for (int i = 0; i < 10; ++i) chart_.SetSeriesEnabled(i, 1);
    FillRegionList(change.regionList);
    ApplyFilterVisibility();
    siteLogic_->SetQueueMeasure(filters_.QueueType());
    ReconnectSites(!change.refreshOtherSites);
    if (picker_) picker_->RefreshDataDays();
}

void CReportDlg::ReconnectSites(bool people) {
    SiteLogic::RefreshJob job = siteLogic_->BeginRefresh(filters_.CounterType(), people);
    lastReconnectCancelled_ = !ConnectInBackground(job);
    siteLogic_->EndRefresh(job);
}

bool CReportDlg::RetryUnreachableSites() {
    SiteLogic::RefreshJob job = siteLogic_->BeginRetry();
    if (std::find(job.wanted.begin(), job.wanted.end(), 1) == job.wanted.end()) return true;
    const bool finished = ConnectInBackground(job);
    siteLogic_->EndRefresh(job);
    return finished;
}

bool CReportDlg::ConnectInBackground(SiteLogic::RefreshJob& job) {
    // The sites connect on a worker thread behind the progress dialog, so the window keeps
    // painting; Cancel starts no further site (those are connected before the next query).
    QueryRun run;
    run.Start([&job](QueryRun& self) {
        SiteLogic::ConnectRefresh(
            job, [&self] { return self.Aborted(); }, [&self] { self.Step(); });
        return 1;
    });
    CProgressDlg progress(this);
    const bool cancelled = progress.RunFor(run);
    WaitForWorker(run);
    return !cancelled;
}

void CReportDlg::SelectRange(int range) {
    if (range < 0 || range > 2) return;
    if (!rangeButtons_[range]->isChecked()) rangeButtons_[range]->setChecked(true);
    if (filters_.SelectRange(range)) ApplyFilterVisibility();
    FillCompareCombo();
}

void CReportDlg::OnHeightChanged(int index) {
    ApplyFilterChange(filters_.ApplyFilterControls(index));
}

void CReportDlg::OnDirectionChanged(int) {
    if (hasResult_ != 1) return;
    ReadControls();
    ApplyChart();
    BuildColumnsAndTable();
    RenderPage();
}

void CReportDlg::OnRegionChanged(int index) {
    filters_.SelectRegion(index);
}

void CReportDlg::OnPeriodChanged(int index) {
    filters_.SelectPeriod(period_->itemText(index).toStdString());
}

void CReportDlg::OnQueueTypeChanged(int index) {
    filters_.SelectQueueType(index);
    siteLogic_->SetQueueMeasure(index);
    RefreshQueueSites(CSiteListStore::Instance()->Sites(), filters_.CounterType(), index);
}

// --- Tree and sites ----------------------------------------------------------------------------

void CReportDlg::OnChecksChanged() {
    ApplyFilterChange(filters_.SetHas3DCameras(siteLogic_->Has3DCameras()));
    if (picker_) picker_->RefreshDataDays();
}

void CReportDlg::OnTreeLeftClicked(QTreeWidgetItem* item, QPoint point) {
    siteLogic_->OnTreeCheckChanged(item, point.x(), point.y());
}

void CReportDlg::OnTreeRightClicked(QTreeWidgetItem* item, QPoint point) {
    siteLogic_->OnTreeContextMenu(item, point.x(), point.y());
}

void CReportDlg::OnTreeLabelEdited(QTreeWidgetItem* item, QPoint) {
    siteLogic_->RenameTreeItem(item);
}

void CReportDlg::OnAdd() {
    const int type = filters_.CounterType();
    if (filters_.UsePeopleWorker() == 1)
        siteLogic_->AddPeopleSite(type);
    else
        siteLogic_->AddSite(type);
    counterType_->setCurrentIndex(type - 1);
}

void CReportDlg::OnRemove() {
    siteLogic_->RemoveCheckedSites();
}

void CReportDlg::OnSettings() {
    if (!settingsDialog_ || !settingsDialog_->Run(this, filters_.CounterType())) return;
    ApplyChart();
    BuildColumnsAndTable();
    if (hasResult_ == 1) RenderPage();
}

}  // namespace zl
