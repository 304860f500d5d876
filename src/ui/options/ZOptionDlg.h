// The settings dialog: the chart page and the working-hour page for one counter type. It works
// on a copy of that counter type's chart settings; OK gives the copy back to the settings store
// (the chart page's record becoming both the line and the bar chart record) and tells the
// window through settingsSaved(); Cancel changes nothing. The store is written to disk when the
// program closes.
//
// Use: ZOptionDlg dlg(counterType, window); if (dlg.exec() == QDialog::Accepted) { re-apply
// the chart settings, rebuild captions, re-render the chart when a result is shown }.
#pragma once

#include <QDialog>

#include "store/ChartSettingsStore.h"

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QTabWidget;

namespace zl {

class ZClosedDaysPage;
class ZFourLinePage;
class ZWorkingHourPage;

class ZOptionDlg : public QDialog {
    Q_OBJECT

  public:
    // Caption: language string 91; first tab selected; loaded from `store` (default: the
    // process-wide store).
    explicit ZOptionDlg(int counterType, QWidget* parent = nullptr,
                        CChartSettingsStore* store = nullptr);

    // Copies the counter type's chart settings from the store into the pages.
    void LoadFromStore();
    // Reads the pages into the copy and hands it to the store.
    void SaveToStore();

    int CounterType() const { return counterType_; }
    const ChartSettings& Settings() const { return settings_; }
    QTabWidget* Tabs() const { return tabs_; }
    ZFourLinePage* FourLinePage() const { return fourLine_; }
    ZWorkingHourPage* WorkingHourPage() const { return workingHours_; }
    // Closed days: loaded from and saved into the settings file's own section at once.
    ZClosedDaysPage* ClosedDaysPage() const { return closedDays_; }
    QDialogButtonBox* Buttons() const { return buttons_; }
    // The language files of the LANG folder by name; the one of the settings file's
    // [LANGUAGE] TYPE is selected. OK writes the chosen name there (shown from the next start).
    QComboBox* LanguageCombo() const { return language_; }
    void SetLanguageFolder(const QString& folder);

    // OK: stays open when the working-hour page is shown and its check fails; else stores and
    // closes.
    void accept() override;

  signals:
    // The store now holds the dialog's settings for this counter type.
    void settingsSaved(int counterType);

  private:
    void OnTabChanged(int index);

    int counterType_;
    CChartSettingsStore* store_;
    ChartSettings settings_;
    QTabWidget* tabs_;
    ZFourLinePage* fourLine_;
    ZWorkingHourPage* workingHours_;
    ZClosedDaysPage* closedDays_;
    QDialogButtonBox* buttons_;
    QComboBox* language_;
    QLabel* languageNote_;
    QString languageAtOpen_;
    int shownTab_ = 0;
    bool reverting_ = false;
};

}  // namespace zl
