// The report window: its controls, layout, start-up and shutdown.
#include "ui/reportwin/CReportDlg.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "base/ProgramFolder.h"
#include "base/Version.h"
#include "export/ExportText.h"
#include "query/QueryWorker.h"
#include "sites/SiteLogic.h"
#include "store/ChartSettingsStore.h"
#include "store/IString.h"
#include "store/InsightStringIds.h"
#include "store/SettingsFile.h"
#include "store/SiteListStore.h"
#include "store/StringIds.h"
#include "ui/chartview/WebBrowserHost.h"
#include "ui/datepicker/CalendarDatePicker.h"
#include "ui/options/OptionDialogRunner.h"
#include "ui/reportwin/ReportResources.h"
#include "ui/reportwin/ResultTable.h"
#include "ui/reportwin/RetryPrompt.h"
#include "ui/siteconn/CSiteConnDlg.h"
#include "ui/siteconn/MessagePrompt.h"
#include "ui/sitetree/CDragDropTreeCtrl.h"
#include "ui/sitetree/SiteTreeAdapter.h"

namespace zl {

namespace {

QString Str(unsigned id) {
    return QString::fromUtf8(IString::Instance()->LoadStringA(id));
}

// Caption of each control from the language strings; 102 stands for the window title.
constexpr int kWindowTitle = 102;
constexpr std::pair<int, unsigned> kCaptions[] = {
    {kWindowTitle, kStrAppCaption},
    {kIdStartTimeLabel, kStrStartTimeLabel},
    {kIdRangeLabel, kStrRangeLabel},
    {kIdDirectionLabel, kStrDirectionLabel},
    {kIdHeightLabel, kStrHeightLabel},
    {kIdPeriodLabel, kStrPeriodLabel},
    {kIdRegionLabel, kStrRegionLabel},
    {kIdQueueTypeLabel, kStrQueueTypeLabel},
    {kIdDay, kStrRangeDay},
    {kIdWeek, kStrRangeWeek},
    {kIdMonth, kStrRangeMonth},
    {kIdCounterTypeLabel, kStrCounterTypeLabel},
    {kIdAdd, kStrButtonAdd},
    {kIdRemove, kStrButtonRemove},
    {kIdSettings, kStrButtonSettings},
    {kIdPrint, kStrButtonPrint},
    {kIdExport, kStrButtonExport},
    {kIdQuery, kStrButtonQuery},
    {kIdViewChart, kStrButtonChart},
    {kIdViewBar, kStrButtonBar},
    {kIdViewTable, kStrButtonTable},
};

constexpr std::pair<int, unsigned> kToolTips[] = {
    {kIdAdd, kStrTipAdd},         {kIdRemove, kStrTipRemove}, {kIdSettings, kStrTipSettings},
    {kIdPrint, kStrTipPrint},     {kIdExport, kStrTipExport}, {kIdDay, kStrTipDay},
    {kIdWeek, kStrTipWeek},       {kIdMonth, kStrTipMonth},   {kIdQuery, kStrTipQuery},
    {kIdViewChart, kStrTipChart}, {kIdViewBar, kStrTipBar},   {kIdViewTable, kStrTipTable},
};

void FillCombo(QComboBox* combo, const std::vector<unsigned>& ids) {
    combo->clear();
    for (unsigned id : ids) combo->addItem(Str(id));
}

}  // namespace

template <class W>
W* CReportDlg::Add(int id, W* widget) {
    widget->setObjectName(QStringLiteral("id%1").arg(id));
    controls_[id] = widget;
    return widget;
}

QLabel* CReportDlg::AddLabel(int id) {
    return Add(id, new QLabel(this));
}

CReportDlg::CReportDlg(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("reportWindow"));
    BuildControls();
    BuildLayout();
    BuildMenu();
    BuildShortcuts();
    Connect();
    StartUp();
}

CReportDlg::~CReportDlg() {
    Shutdown();
    // The site logic refers to the tree; it goes first.
    siteLogic_.reset();
}

QWidget* CReportDlg::Control(int id) const {
    if (id == kIdDatePicker && picker_) return picker_->Widget();
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

void CReportDlg::BuildControls() {
    tree_ = Add(kIdTree, new CDragDropTreeCtrl(this));
    tree_->SetTreeParent(this);

    for (int id : {kIdCounterTypeLabel, kIdStartTimeLabel, kIdRangeLabel, kIdDirectionLabel,
                   kIdHeightLabel, kIdRegionLabel, kIdPeriodLabel, kIdQueueTypeLabel}) {
        AddLabel(id);
    }
    AddLabel(kIdHeightTo)->setText(QString::fromUtf8(kResHeightTo));

    counterType_ = Add(kIdCounterType, new QComboBox(this));
    counterType_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    direction_ = Add(kIdDirection, new QComboBox(this));
    direction_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    height_ = Add(kIdHeight, new QComboBox(this));
    height_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    heightUnit_ = Add(kIdHeightUnit, new QComboBox(this));
    region_ = Add(kIdRegion, new QComboBox(this));
    region_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    period_ = Add(kIdPeriod, new QComboBox(this));
    queueType_ = Add(kIdQueueType, new QComboBox(this));
    queueType_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    heightLow_ = Add(kIdHeightLow, new QLineEdit(this));
    heightHigh_ = Add(kIdHeightHigh, new QLineEdit(this));
    for (QLineEdit* edit : {heightLow_, heightHigh_}) {
        edit->setMaxLength(6);
        edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 14);
    }

    BuildInsightControls();
    const int rangeIds[3] = {kIdDay, kIdWeek, kIdMonth};
    for (int r = 0; r < 3; ++r) rangeButtons_[r] = Add(rangeIds[r], new QRadioButton(this));

    viewGroup_ = new QButtonGroup(this);
    const int viewIds[3] = {kIdViewChart, kIdViewBar, kIdViewTable};
    for (int v = 0; v < 3; ++v) {
        viewButtons_[v] = Add(viewIds[v], new QPushButton(this));
        viewButtons_[v]->setCheckable(true);
        viewGroup_->addButton(viewButtons_[v], v);
    }
    query_ = Add(kIdQuery, new QPushButton(this));
    query_->setDefault(true);
    add_ = Add(kIdAdd, new QPushButton(this));
    remove_ = Add(kIdRemove, new QPushButton(this));
    settings_ = Add(kIdSettings, new QPushButton(this));
    print_ = Add(kIdPrint, new QPushButton(this));
    export_ = Add(kIdExport, new QPushButton(this));

    results_ = new QStackedWidget(this);
    host_ = Add(kIdChart, new CWebBrowserHost(results_));
    table_ = Add(kIdResultTable, new QTableWidget(results_));
    results_->addWidget(host_);
    results_->addWidget(table_);
    hint_ = new QLabel(results_);
    hint_->setObjectName(QStringLiteral("resultHint"));
    hint_->setAlignment(Qt::AlignCenter);
    hint_->setWordWrap(true);
    hint_->setMargin(24);
    QFont hintFont = hint_->font();
    hintFont.setPointSizeF(hintFont.pointSizeF() * 1.3);
    hint_->setFont(hintFont);
    hint_->setForegroundRole(QPalette::PlaceholderText);
    results_->addWidget(hint_);
    host_->installEventFilter(this);
    chart_.SetHost(host_);

    pickerSlot_ = new QWidget(this);
    auto* slotLayout = new QHBoxLayout(pickerSlot_);
    slotLayout->setContentsMargins(0, 0, 0, 0);

    // The page is laid out once for a size; after the window has settled at a new size it is
    // drawn again.
    resizeTimer_ = new QTimer(this);
    resizeTimer_->setSingleShot(true);
    resizeTimer_->setInterval(150);
}

void CReportDlg::BuildLayout() {
    auto* left = new QVBoxLayout;
    tree_->setMinimumWidth(300);
    tree_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    left->addWidget(tree_, 1);
    auto* bottom = new QHBoxLayout;
    for (QPushButton* b : {add_, remove_}) {
        b->setFixedWidth(qMax(36, b->fontMetrics().horizontalAdvance(QStringLiteral("+")) + 24));
        bottom->addWidget(b);
    }
    // Small buttons: as wide as their texts, so that the tree keeps the left side narrow.
    for (QPushButton* b : {settings_, print_, export_}) bottom->addWidget(b);
    bottom->addStretch(1);
    left->addLayout(bottom);

    const auto label = [this](int id) { return Control(id); };
    // The query row holds the Compare combo too at the window's least width: tighter spacing,
    // and the combo's items say what it is without a label of their own.
    auto* row1 = new QHBoxLayout;
    row1->setSpacing(4);
    row1->addWidget(label(kIdCounterTypeLabel));
    row1->addWidget(counterType_);
    row1->addSpacing(6);
    row1->addWidget(label(kIdStartTimeLabel));
    row1->addWidget(pickerSlot_);
    row1->addSpacing(6);
    row1->addWidget(label(kIdRangeLabel));
    for (QRadioButton* r : rangeButtons_) row1->addWidget(r);
    row1->addSpacing(6);
    row1->addWidget(compare_);
    row1->addStretch(1);
    query_->setMinimumWidth(80);
    row1->addWidget(query_);

    auto* row2 = new QHBoxLayout;
    row2->addWidget(label(kIdDirectionLabel));
    row2->addWidget(direction_);
    row2->addSpacing(8);
    row2->addWidget(label(kIdHeightLabel));
    row2->addWidget(height_);
    row2->addWidget(heightLow_);
    row2->addWidget(label(kIdHeightTo));
    row2->addWidget(heightHigh_);
    row2->addWidget(heightUnit_);
    // Region, then Period: with the Region combo hidden the Period combo takes its place.
    row2->addWidget(label(kIdRegionLabel));
    row2->addWidget(region_);
    row2->addSpacing(8);
    row2->addWidget(label(kIdPeriodLabel));
    row2->addWidget(period_);
    row2->addSpacing(8);
    row2->addWidget(label(kIdQueueTypeLabel));
    row2->addWidget(queueType_);
    row2->addStretch(1);

    // The view switch under the result area, in one line with the buttons under the tree.
    auto* views = new QHBoxLayout;
    for (QPushButton* b : viewButtons_) views->addWidget(b);
    views->addStretch(1);

    auto* right = new QVBoxLayout;
    right->addLayout(row1);
    right->addLayout(row2);
    results_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    right->addWidget(results_, 1);
    right->addWidget(insightLine_);
    right->addLayout(views);

    auto* main = new QHBoxLayout(this);
    main->addLayout(left, 0);
    main->addLayout(right, 1);
}

void CReportDlg::BuildMenu() {
    auto* bar = new QMenuBar(this);
    QMenu* help = bar->addMenu(QString::fromUtf8(kResHelpMenu));
    const QString about = QString::fromUtf8(kResAboutMenu);
    if (!about.isEmpty()) {
        QAction* action = help->addAction(about);
        action->setObjectName(QStringLiteral("aboutAction"));
        connect(action, &QAction::triggered, this, &CReportDlg::ShowAbout);
    }
    layout()->setMenuBar(bar);
}

void CReportDlg::StartUp() {
    setWindowIcon(ReportAppIcon());

    // Language strings, chart settings and the site list (base/ProgramFolder.h says where).
    IString::Instance()->Load();
    CChartSettingsStore* settings = CChartSettingsStore::Instance();
    settings->SetFile(zl::DefaultSettingsFile());
    settings->Load();
    CSiteListStore* list = CSiteListStore::Instance();
    list->Clear();
    list->SetFile(zl::SettingsFolder() + "SiteList.ini");
    // A site list that is no text is never saved over; the user is told why it shows no sites.
    if (!list->Load())
        ShowError(QString::fromStdString(
            FailureText(kStrFileUnreadable, list->File(), list->LoadError())));

    // The child controls: the tree with its look and its site logic.
    ApplyReportTreeLook(tree_);
    treeAdapter_ = std::make_unique<SiteTreeAdapter>(tree_);
    treeMenu_ = std::make_unique<SiteTreeMenu>(tree_);
    prompt_ = std::make_unique<MessagePrompt>(this);
    siteDialog_ = std::make_unique<SiteConnDialogRunner>(this, &list->Sites(), prompt_.get());
    siteLogic_ = std::make_unique<SiteLogic>(list->Sites(), *treeAdapter_, *prompt_, *siteDialog_,
                                             *treeMenu_);
    siteLogic_->SetChecksChangedHandler([this] { OnChecksChanged(); });
    siteLogic_->FillPeopleSiteTree();
    retryPrompt_ = new UiRetryPrompt(this);
    retryPrompt_->setParent(this);
    // The worker's question starts with the address of the failing site; the user knows the
    // site by its name.
    retryPrompt_->SetDescriber([](const QString& message) {
        for (const SiteRecord& site : CSiteListStore::Instance()->Sites()) {
            const QString address = QString::fromStdString(site.ipAddress);
            if (site.connectionType == kConnLocal || address.isEmpty() ||
                !message.startsWith(address + QLatin1Char(' ')))
                continue;
            return Str(kStrSiteError).arg(QString::fromStdString(site.name), message);
        }
        return message;
    });

    // The calendar picker asks the checked sites for the days that hold data.
    SetDatePicker(std::make_unique<CalendarDatePicker>(
        [this] {
            DayMarksQuery query;
            query.sites = CheckedSites(CSiteListStore::Instance()->Sites());
            query.peopleMode = filters_.UsePeopleWorker() == 1;
            query.counterType = filters_.CounterType();
            query.queueMeasure = filters_.QueueType();
            return query;
        },
        pickerSlot_));
    SetTabOrder();
    optionDialog_ = std::make_unique<OptionDialogRunner>();
    SetSettingsDialog(optionDialog_.get());
    rangeButtons_[0]->setChecked(true);
    viewButtons_[kViewChart]->setChecked(true);
    SetUpResultTable(table_, Str(kStrColumnNumber), Str(kStrColumnTime),
                     {Str(kStrDirectionIn), Str(kStrDirectionOut)});
    FillCombos();

    // The counter type of the last session; the combo shows no selection until the user
    // picks a type.
    filters_.SetCounterTypeOnly(zl::LoadLastCounterType(zl::DefaultSettingsFile()));
    // "Add Site" of the tree's menu adds sites of this type too, as "+" does.
    siteLogic_->SetCounterType(filters_.CounterType(), filters_.UsePeopleWorker());
    counterType_->setCurrentIndex(-1);
    treeAdapter_->DeleteAllItems();
    for (const auto& [id, text] : kToolTips) Control(id)->setToolTip(Str(text));

    ApplyFilterChange(filters_.ApplyFilterControls(height_->currentIndex()));
    if (picker_) picker_->RefreshDataDays();
    SetCaptions();
    BuildColumnsAndTable();
    ClearResult(kStrHintStart);

    // The window is laid out for its creation size; it never gets smaller than that (nor than
    // its widest filter row needs).
    setMinimumSize(WidestFilterRow().expandedTo(kCreationSize));
    resize(kCreationSize);
}

QSize CReportDlg::WidestFilterRow() {
    // The filter row is widest for the 3D people counter and for the queue monitor; the window
    // never gets narrower than what both need.
    const std::vector<std::vector<int>> rows{
        {kIdDirectionLabel, kIdDirection, kIdHeightLabel, kIdHeight, kIdHeightLow, kIdHeightTo,
         kIdHeightHigh, kIdHeightUnit},
        {kIdRegionLabel, kIdRegion, kIdPeriodLabel, kIdPeriod, kIdQueueTypeLabel, kIdQueueType},
    };
    QSize wanted = minimumSizeHint();
    for (const auto& row : rows) {
        for (int id : kFilterControlIds) Control(id)->setVisible(false);
        for (int id : row) Control(id)->setVisible(true);
        layout()->invalidate();
        layout()->activate();
        wanted = wanted.expandedTo(minimumSizeHint());
    }
    ApplyFilterVisibility();
    layout()->invalidate();
    return wanted;
}

void CReportDlg::FillCombos() {
    FillRegionList(RegionListKind::kRegions);
    period_->clear();
    for (const std::string& item : PeriodItems(Str(kStrPeriodUnit).toStdString()))
        period_->addItem(QString::fromStdString(item));
    period_->setCurrentIndex(0);
    FillCombo(counterType_, CounterTypeStringIds());
    FillCombo(height_, HeightStringIds());
    height_->setCurrentIndex(0);
    FillCombo(heightUnit_, HeightUnitStringIds());
    heightUnit_->setCurrentIndex(0);
    heightLow_->setText(QStringLiteral("110"));
    heightHigh_->setText(QStringLiteral("150"));
    FillCombo(queueType_, QueueTypeStringIds());
    queueType_->setCurrentIndex(filters_.QueueType());
    FillCompareCombo();
}

void CReportDlg::FillRegionList(RegionListKind kind) {
    if (kind == RegionListKind::kNone) return;
    const bool queues = kind == RegionListKind::kQueues;
    const QString label = Str(queues ? kStrQueueItem : kStrRegionItem);
    const std::string all = queues ? std::string() : Str(kStrRegionAll).toStdString();
    region_->clear();
    for (const std::string& item : RegionItems(label.toStdString(), all))
        region_->addItem(QString::fromStdString(item));
    // The label passed to the list also names the combo.
    static_cast<QLabel*>(Control(kIdRegionLabel))->setText(label);
    const int index = RegionIndexFor(filters_.RegionVisible(), region_->count());
    region_->setCurrentIndex(index);
    filters_.SelectRegion(index);
}

void CReportDlg::SetCaptions() {
    for (const auto& [id, text] : kCaptions) {
        const QString caption = Str(text);
        if (id == kWindowTitle) {
            setWindowTitle(caption);
        } else if (auto* label = qobject_cast<QLabel*>(Control(id))) {
            label->setText(caption);
        } else if (auto* button = qobject_cast<QAbstractButton*>(Control(id))) {
            button->setText(caption);
        }
    }
    // The small buttons at the bottom left are as wide as their texts: the tree, not they,
    // sets the width of the left side, and the query row keeps the rest.
    for (QPushButton* b : {settings_, print_, export_})
        if (b) b->setFixedWidth(qMax(48, b->fontMetrics().horizontalAdvance(b->text()) + 24));
}

void CReportDlg::SetDatePicker(std::unique_ptr<IDatePicker> picker) {
    if (!picker) return;
    if (picker_ && picker_->Widget()) picker_->Widget()->deleteLater();
    picker_ = std::move(picker);
    QWidget* w = picker_->Widget();
    w->setParent(pickerSlot_);
    pickerSlot_->layout()->addWidget(w);
    w->show();
}

void CReportDlg::ShowAbout() {
    QMessageBox::about(
        this, QString::fromUtf8(kResAboutTitle),
        QString::fromUtf8(kResAboutText).arg(QString::fromUtf8(zl::ProjectVersion())));
}

void CReportDlg::closeEvent(QCloseEvent* event) {
    Shutdown();
    event->accept();
}

void CReportDlg::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    zl::SaveLastCounterType(zl::DefaultSettingsFile(), filters_.CounterType());
    CSiteListStore::Instance()->Save();
    CChartSettingsStore::Instance()->Save();
    if (siteLogic_) siteLogic_->CloseAllSites();
}

}  // namespace zl
