#include "ui/options/ZWorkingHourPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QSpinBox>
#include <QVBoxLayout>

#include "store/IString.h"
#include "store/StringIds.h"

namespace zl {

namespace {

QString Str(unsigned id) {
    return QString::fromUtf8(IString::Instance()->LoadStringA(id));
}

// Hours and minutes with two digits, as times are read ("08 : 05").
class TimeSpinBox : public QSpinBox {
  public:
    using QSpinBox::QSpinBox;

  protected:
    QString textFromValue(int value) const override {
        return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
    }
};

QSpinBox* Spin(QWidget* parent, int id, int max) {
    auto* spin = new TimeSpinBox(parent);
    spin->setObjectName(QStringLiteral("id%1").arg(id));
    spin->setRange(0, max);
    spin->setAlignment(Qt::AlignRight);
    return spin;
}

int Number(const QSpinBox* spin) {
    return FieldNumber(spin->cleanText().toStdString());
}

}  // namespace

ZWorkingHourPage::ZWorkingHourPage(QWidget* parent) : QWidget(parent) {
    messageBox_ = [this](const QString& caption, const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, this);
        box.exec();
    };
    auto* top = new QVBoxLayout(this);
    synchronized_ = new QCheckBox(Str(kStrSynchronizedAdjust), this);
    synchronized_->setObjectName(QStringLiteral("id%1").arg(kIdSynchronized));
    top->addWidget(synchronized_);

    auto* grid = new QGridLayout;
    auto* startLabel = new QLabel(Str(kStrWorkingHourStart), this);
    startLabel->setObjectName(QStringLiteral("id%1").arg(kIdStartLabel));
    auto* endLabel = new QLabel(Str(kStrWorkingHourEnd), this);
    endLabel->setObjectName(QStringLiteral("id%1").arg(kIdEndLabel));
    grid->addWidget(startLabel, 0, 1, 1, 3, Qt::AlignHCenter);
    grid->addWidget(endLabel, 0, 5, 1, 3, Qt::AlignHCenter);
    for (int k = 0; k < kRows; ++k) {
        auto* label = new QLabel(Str(kStrWeekdayRow0 + static_cast<unsigned>(k)), this);
        label->setObjectName(QStringLiteral("id%1").arg(kIdRowLabel + k));
        Row& r = rows_[k];
        r.startHour = Spin(this, kIdStartHour + k, 23);
        r.startMinute = Spin(this, kIdStartMinute + k, 59);
        r.endHour = Spin(this, kIdEndHour + k, 23);
        r.endMinute = Spin(this, kIdEndMinute + k, 59);
        const int row = k + 1;
        grid->addWidget(label, row, 0);
        grid->addWidget(r.startHour, row, 1);
        grid->addWidget(new QLabel(QStringLiteral(":"), this), row, 2);
        grid->addWidget(r.startMinute, row, 3);
        grid->addWidget(new QLabel(QStringLiteral("-"), this), row, 4, Qt::AlignHCenter);
        grid->addWidget(r.endHour, row, 5);
        grid->addWidget(new QLabel(QStringLiteral(":"), this), row, 6);
        grid->addWidget(r.endMinute, row, 7);
    }
    grid->setColumnStretch(8, 1);
    top->addLayout(grid);
    top->addStretch(1);

    connect(synchronized_, &QCheckBox::toggled, this, [this](bool on) {
        synAdjust_ = on ? 1 : 0;
        ApplySynchronisation();
    });
    // While synchronised, every change of the top row is copied to the other rows.
    for (QSpinBox* spin :
         {rows_[0].startHour, rows_[0].startMinute, rows_[0].endHour, rows_[0].endMinute}) {
        connect(spin, &QSpinBox::valueChanged, this, [this](int) {
            if (synAdjust_ == 1) CopyTopRow();
        });
    }
}

void ZWorkingHourPage::Load(int synAdjust, const std::array<SYSTEMTIME, 7>& weekStart,
                            const std::array<SYSTEMTIME, 7>& weekEnd) {
    synAdjust_ = synAdjust;
    weekStart_ = weekStart;
    weekEnd_ = weekEnd;
    for (int k = 0; k < kRows; ++k) {
        Row& r = rows_[k];
        r.startHour->setValue(weekStart[k].wHour);
        r.startMinute->setValue(weekStart[k].wMinute);
        r.endHour->setValue(weekEnd[k].wHour);
        r.endMinute->setValue(weekEnd[k].wMinute);
    }
    synchronized_->blockSignals(true);
    synchronized_->setChecked(synAdjust == 1);
    synchronized_->blockSignals(false);
    ApplySynchronisation();
}

void ZWorkingHourPage::ApplySynchronisation() {
    const bool on = synAdjust_ == 1;
    for (int k = 1; k < kRows; ++k) {
        for (QSpinBox* spin :
             {rows_[k].startHour, rows_[k].startMinute, rows_[k].endHour, rows_[k].endMinute})
            spin->setEnabled(!on);
    }
    if (on) CopyTopRow();
}

void ZWorkingHourPage::CopyTopRow() {
    if (copying_) return;
    copying_ = true;
    const Row& top = rows_[0];
    for (int k = 1; k < kRows; ++k) {
        rows_[k].startHour->setValue(top.startHour->value());
        rows_[k].startMinute->setValue(top.startMinute->value());
        rows_[k].endHour->setValue(top.endHour->value());
        rows_[k].endMinute->setValue(top.endMinute->value());
    }
    copying_ = false;
}

std::array<WorkingHourRow, 7> ZWorkingHourPage::Rows() const {
    std::array<WorkingHourRow, 7> rows{};
    for (int k = 0; k < kRows; ++k) {
        const Row& r = rows_[k];
        rows[k] = {Number(r.startHour), Number(r.startMinute), Number(r.endHour),
                   Number(r.endMinute)};
    }
    return rows;
}

void ZWorkingHourPage::ReadControls() {
    synAdjust_ = synchronized_->isChecked() ? 1 : 0;
    const std::array<WorkingHourRow, 7> rows = Rows();
    const auto put = [](uint16_t& field, int value) {
        if (value >= 0) field = static_cast<uint16_t>(value);
    };
    for (int k = 0; k < kRows; ++k) {
        put(weekStart_[k].wHour, rows[k].startHour);
        put(weekStart_[k].wMinute, rows[k].startMinute);
        put(weekEnd_[k].wHour, rows[k].endHour);
        put(weekEnd_[k].wMinute, rows[k].endMinute);
    }
}

bool ZWorkingHourPage::CheckOnLeave() {
    const WorkingHourProblem problem = CheckWorkingHours(Rows());
    if (problem.Ok()) return true;
    const std::string text = WorkingHourMessage(
        problem, [](unsigned id) { return std::string(IString::Instance()->LoadStringA(id)); });
    if (messageBox_) messageBox_(Str(kStrAppCaption), QString::fromUtf8(text.c_str()));
    return false;
}

}  // namespace zl
