// The main report window: the site tree on the left with the +, -, Settings, Print and Export
// buttons under it, the query controls across the top, and the result area (line chart, bar
// chart or table) filling the rest. It wires the widgets to the logic classes: FilterState for
// the controls, SiteLogic for the sites and the tree, QueryRun and the workers for a query, the
// chart model and the report table text for the views, the exporters for the files.
//
// Every control carries the object name "id<number>" of its control id (ReportControlId), so
// tests and tools can find it with Control().
#pragma once

#include <QPointer>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <map>
#include <memory>

#include "chart/HtmlChart.h"
#include "export/ReportDocument.h"
#include "query/InsightRun.h"
#include "sites/SiteLogic.h"
#include "ui/reportwin/FilterState.h"
#include "ui/reportwin/ReportHeading.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTableWidget;
class QTimer;
class QTreeWidgetItem;

namespace zl {

class CDragDropTreeCtrl;
class CWebBrowserHost;
class IDatePicker;
class ISettingsDialog;
class MessagePrompt;
class QueryRun;
struct ReportTableText;
class SiteConnDialogRunner;
class SiteLogic;
class SiteTreeAdapter;
class SiteTreeMenu;
class UiRetryPrompt;

enum ReportView { kViewChart = 0, kViewBar = 1, kViewTable = 2 };

class CReportDlg : public QWidget {
    Q_OBJECT

  public:
    // The size the window is created with, which is also its least size.
    static constexpr QSize kCreationSize{1180, 720};

    // Builds the window and runs its start-up: language strings, chart settings and site list
    // from the program folder, the controls and their captions, the last counter type.
    explicit CReportDlg(QWidget* parent = nullptr);
    // Runs the shutdown if closing has not run it.
    ~CReportDlg() override;

    // The start-date control (the window starts with the calendar picker; DateEditPicker is a
    // plain date field).
    void SetDatePicker(std::unique_ptr<IDatePicker> picker);
    IDatePicker* DatePicker() const { return picker_.get(); }
    // The dialog of the Settings button (not owned; the window starts with its own settings
    // dialog). Without one the button does nothing.
    void SetSettingsDialog(ISettingsDialog* dialog) { settingsDialog_ = dialog; }

    // Where Export asks for the file: given the filter and the default suffix, answers the
    // chosen path or an empty string. Default: a save-file dialog.
    std::function<QString(const QString& filter, const QString& suffix)> chooseExportPath;
    // The print dialog: true when the user chose to print. Default: the system's dialog.
    std::function<bool(QPrinter& printer)> choosePrinter;

    QWidget* Control(int id) const;
    CDragDropTreeCtrl* Tree() const { return tree_; }
    CWebBrowserHost* Host() const { return host_; }
    CHtmlChart& Chart() { return chart_; }
    QTableWidget* Table() const { return table_; }
    SiteLogic& Sites() { return *siteLogic_; }
    const FilterState& Filters() const { return filters_; }
    UiRetryPrompt* RetryPrompt() const { return retryPrompt_; }

    int CounterType() const { return filters_.CounterType(); }
    int View() const { return view_; }
    // 1 while the result area shows a result with rows (Print and Export work on it).
    int HasResult() const { return hasResult_; }
    // The hint the result area shows while there is no result (object name "resultHint").
    QLabel* Hint() const { return hint_; }
    const std::array<int, 10>& LineVisible() const { return lineVisible_; }
    // The peak, coverage and compared period of the last query; the lines under the result.
    const ReportInsights& Insights() const { return insights_; }
    QLabel* InsightLine() const { return insightLine_; }
    // Outcome of the last query (QueryOutcome), and whether the user cancelled it.
    int LastOutcome() const { return lastOutcome_; }
    bool LastCancelled() const { return lastCancelled_; }
    // True when the last re-connection of the sites (a counter type change) was cancelled.
    bool LastReconnectCancelled() const { return lastReconnectCancelled_; }

    // The actions of the controls, as the user runs them.
    void SelectCounterType(int index);
    void SelectRange(int range);
    void SwitchView(int view);
    void RunQuery();
    void Export();
    void Print();
    // The export after the file dialog: writes `path` by its extension. False when a file
    // could not be written (the user was told why) or nothing was written.
    bool ExportTo(const QString& path);
    // Prints what the view shows on `printer`, under the report's heading.
    bool PrintTo(QPrinter& printer);
    // The heading of printed reports and exported pictures: sites, counter type, range and
    // dates, the filters shown, the time now.
    QStringList HeadingLines() const;
    // What the heading says, field by field.
    ReportHeadingFields HeadingFields() const;
    // The report as a document (workbook, PDF): the heading's facts and the table as shown.
    ReportDocument Document() const;

    // Shutdown: the counter type into "Setting .ini", the site list and the chart settings
    // saved, every site's connections closed. Runs once.
    void Shutdown();

  signals:
    void queryFinished(int outcome);

  protected:
    void closeEvent(QCloseEvent* event) override;
    // Enter (on any control that does not take it itself) runs Query.
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    template <class W>
    W* Add(int id, W* widget);
    QLabel* AddLabel(int id);
    void BuildControls();
    void BuildLayout();
    void BuildMenu();
    void BuildShortcuts();
    void SetTabOrder();
    void Connect();
    void StartUp();
    void SetCaptions();
    void FillCombos();
    void FillRegionList(RegionListKind kind);
    QSize WidestFilterRow();

    void ApplyFilterVisibility();
    void ApplyFilterChange(const FilterChange& change);
    void OnHeightChanged(int index);
    void OnDirectionChanged(int index);
    void OnRegionChanged(int index);
    void OnPeriodChanged(int index);
    void OnQueueTypeChanged(int index);
    void OnChecksChanged();
    void OnTreeLeftClicked(QTreeWidgetItem* item, QPoint point);
    void OnTreeRightClicked(QTreeWidgetItem* item, QPoint point);
    void OnTreeLabelEdited(QTreeWidgetItem* item, QPoint point);
    void OnAdd();
    void OnRemove();
    void OnSettings();
    void ShowAbout();

    void ReadControls();
    void ApplyChart();
    void BuildColumnsAndTable();
    void FillChartFromReport();
    void RenderPage();
    void UpdateOutputButtons();
    // The result area: the hint without a result, else the view's chart or table.
    void ShowResultArea();
    // Drops the result: no rows, the hint `hintId` in the result area, Print and Export off.
    void ClearResult(unsigned hintId);
    void WaitForWorker(QueryRun& run);
    // Re-connects every site for the current counter type off this thread (with progress).
    void ReconnectSites(bool people);
    // Connects the sites left unconnected, the same way; false when the user cancelled.
    bool RetryUnreachableSites();
    // Runs the job's connecting on a worker behind the progress dialog; false after Cancel.
    bool ConnectInBackground(SiteLogic::RefreshJob& job);
    void ShowError(const QString& text);
    // The workbook (or, with `pdf`, the PDF report) of Document(); false when not written.
    bool ExportDocument(const std::string& file, bool pdf);

    // Report insights (ReportDlgInsights.cpp): the Compare combo beside the range (its items
    // follow the range), the compared series, gaps and peak on the chart, the no-data marks
    // and compared columns in the table, the lines under the result.
    void BuildInsightControls();
    void FillCompareCombo();
    int ChosenCompareMode() const;
    void ApplyInsightsToChart();
    void ApplyInsightsToTable(ReportTableText& text);
    void ShowInsightLines();

    FilterState filters_;
    CHtmlChart chart_;

    // Controls.
    CDragDropTreeCtrl* tree_ = nullptr;
    CWebBrowserHost* host_ = nullptr;
    QTableWidget* table_ = nullptr;
    QStackedWidget* results_ = nullptr;
    QLabel* hint_ = nullptr;
    QComboBox* counterType_ = nullptr;
    QComboBox* direction_ = nullptr;
    QComboBox* height_ = nullptr;
    QComboBox* heightUnit_ = nullptr;
    QComboBox* region_ = nullptr;
    QComboBox* period_ = nullptr;
    QComboBox* queueType_ = nullptr;
    QLineEdit* heightLow_ = nullptr;
    QLineEdit* heightHigh_ = nullptr;
    QRadioButton* rangeButtons_[3] = {};
    QPushButton* viewButtons_[3] = {};
    QButtonGroup* viewGroup_ = nullptr;
    QPushButton* query_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* settings_ = nullptr;
    QPushButton* print_ = nullptr;
    QPushButton* export_ = nullptr;
    QWidget* pickerSlot_ = nullptr;
    std::map<int, QWidget*> controls_;
    QTimer* resizeTimer_ = nullptr;

    std::unique_ptr<IDatePicker> picker_;
    std::unique_ptr<ISettingsDialog> optionDialog_;
    ISettingsDialog* settingsDialog_ = nullptr;

    // The site logic and what it reaches the user through.
    std::unique_ptr<SiteTreeAdapter> treeAdapter_;
    std::unique_ptr<SiteTreeMenu> treeMenu_;
    std::unique_ptr<MessagePrompt> prompt_;
    std::unique_ptr<SiteConnDialogRunner> siteDialog_;
    std::unique_ptr<SiteLogic> siteLogic_;
    UiRetryPrompt* retryPrompt_ = nullptr;

    // Fields the views and the query read.
    int queryRange_ = 0;
    int view_ = kViewChart;
    int directionIndex_ = 0;
    int heightUnitIndex_ = 1;
    int heightLowValue_ = 150;
    int heightHighValue_ = 190;
    int hasResult_ = 0;
    std::array<int, 10> lineVisible_{1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    uint32_t chartMax_ = 0;
    int lastOutcome_ = 0;
    bool lastCancelled_ = false;
    bool lastReconnectCancelled_ = false;
    bool shutDown_ = false;

    QComboBox* compare_ = nullptr;
    QLabel* insightLine_ = nullptr;
    ReportInsights insights_;
    int reportValueColumns_ = 0;  // value columns of the report itself (export titles)
};

}  // namespace zl
