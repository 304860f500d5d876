#include "ui/options/ZOptionDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "base/ProgramFolder.h"
#include "store/IString.h"
#include "store/InsightStringIds.h"
#include "store/SettingsFile.h"
#include "store/StringIds.h"
#include "ui/options/OptionRules.h"
#include "ui/options/ZClosedDaysPage.h"
#include "ui/options/ZFourLinePage.h"
#include "ui/options/ZWorkingHourPage.h"

namespace zl {

namespace {

QString Str(unsigned id) {
    return QString::fromUtf8(IString::Instance()->LoadStringA(id));
}

constexpr int kChartTab = 0;
constexpr int kWorkingHourTab = 1;

}  // namespace

ZOptionDlg::ZOptionDlg(int counterType, QWidget* parent, CChartSettingsStore* store)
    : QDialog(parent),
      counterType_(counterType),
      store_(store != nullptr ? store : CChartSettingsStore::Instance()) {
    setWindowTitle(Str(kStrSettingsCaption));
    tabs_ = new QTabWidget(this);
    fourLine_ = new ZFourLinePage(tabs_);
    workingHours_ = new ZWorkingHourPage(tabs_);
    tabs_->addTab(fourLine_, Str(kStrChartPageTitle));
    tabs_->addTab(workingHours_, Str(kStrWorkingHourPageTitle));
    closedDays_ = new ZClosedDaysPage(tabs_);
    tabs_->addTab(closedDays_, Str(kStrClosedDaysTitle));
    tabs_->setCurrentIndex(kChartTab);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons_->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("id1"));
    buttons_->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("id2"));
    language_ = new QComboBox(this);
    language_->setObjectName(QStringLiteral("languageCombo"));
    languageNote_ = new QLabel(Str(kStrLanguageChanged), this);
    languageNote_->setVisible(false);
    auto* languageRow = new QHBoxLayout;
    languageRow->addWidget(new QLabel(Str(kStrSettingsLanguage), this));
    languageRow->addWidget(language_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addLayout(languageRow);
    layout->addWidget(languageNote_);
    layout->addWidget(buttons_);
    connect(language_, &QComboBox::currentTextChanged, this, [this](const QString& name) {
        languageNote_->setVisible(!languageAtOpen_.isEmpty() && name != languageAtOpen_);
    });
    SetLanguageFolder(QString::fromStdString(zl::ProgramFolder() + "LANG"));
    connect(buttons_, &QDialogButtonBox::accepted, this, &ZOptionDlg::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &ZOptionDlg::reject);
    connect(tabs_, &QTabWidget::currentChanged, this, &ZOptionDlg::OnTabChanged);
    LoadFromStore();
}

void ZOptionDlg::SetLanguageFolder(const QString& folder) {
    languageAtOpen_.clear();
    language_->clear();
    const QStringList files =
        QDir(folder).entryList({QStringLiteral("*.ini")}, QDir::Files, QDir::Name);
    language_->addItems(files);
    const QString current = QString::fromStdString(zl::LoadLanguageFileName(store_->File()));
    if (language_->findText(current) < 0) language_->addItem(current);  // kept as it is
    language_->setCurrentText(current);
    languageAtOpen_ = current;
    languageNote_->setVisible(false);
}

void ZOptionDlg::LoadFromStore() {
    store_->GetSettings(settings_, counterType_);
    const OptionValues values = LoadOptionValues(settings_);
    fourLine_->LoadRecord(values.page);
    workingHours_->Load(values.synAdjust, values.weekStart, values.weekEnd);
    closedDays_->Load(LoadClosedDays(store_->File()));
}

void ZOptionDlg::SaveToStore() {
    fourLine_->ReadControls();
    workingHours_->ReadControls();
    OptionValues values;
    values.page = fourLine_->Record();
    values.synAdjust = workingHours_->SynAdjust();
    values.weekStart = workingHours_->WeekStart();
    values.weekEnd = workingHours_->WeekEnd();
    StoreOptionValues(values, settings_);
    store_->SetSettings(settings_, counterType_);
}

void ZOptionDlg::OnTabChanged(int index) {
    if (reverting_) return;
    // Leaving the working-hour page needs valid hours; else back to it.
    if (shownTab_ == kWorkingHourTab && index != kWorkingHourTab &&
        !workingHours_->CheckOnLeave()) {
        reverting_ = true;
        tabs_->setCurrentIndex(kWorkingHourTab);
        reverting_ = false;
        return;
    }
    shownTab_ = index;
    // A page that becomes active takes over what its controls show.
    if (index == kChartTab) fourLine_->ReadControls();
    if (index == kWorkingHourTab) workingHours_->ReadControls();
}

void ZOptionDlg::accept() {
    // OK leaves the page that is shown; only the working-hour page has anything to check.
    if (tabs_->currentIndex() == kWorkingHourTab && !workingHours_->CheckOnLeave()) return;
    // A closed date that is not a date keeps the dialog open on its page.
    ClosedDays closed;
    QString bad;
    if (!closedDays_->Read(&closed, &bad)) {
        tabs_->setCurrentWidget(closedDays_);
        QMessageBox::warning(this, windowTitle(),
                             Str(kStrClosedDateInvalid).replace(QStringLiteral("%1"), bad));
        return;
    }
    SaveToStore();
    SaveClosedDays(store_->File(), closed);
    if (language_->currentText() != languageAtOpen_)
        zl::SaveLanguageFileName(store_->File(), language_->currentText().toStdString());
    QDialog::accept();
    emit settingsSaved(counterType_);
}

}  // namespace zl
