#include "ui/options/ZClosedDaysPage.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "store/IString.h"
#include "store/InsightStringIds.h"
#include "store/StringIds.h"

namespace zl {

namespace {

QString Str(unsigned id) {
    return QString::fromUtf8(IString::Instance()->LoadStringA(id));
}

}  // namespace

ZClosedDaysPage::ZClosedDaysPage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("closedDaysPage"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(Str(kStrClosedWeekdays), this));
    auto* grid = new QGridLayout;
    for (int row = 0; row < 7; ++row) {
        // Rows as the working-hour page: Monday first; its labels end in ':'.
        QString name = Str(kStrWeekdayRow0 + static_cast<unsigned>(row));
        if (name.endsWith(QLatin1Char(':'))) name.chop(1);
        const int day = (row + 1) % 7;
        auto* box = new QCheckBox(name, this);
        box->setObjectName(QStringLiteral("closedWeekday%1").arg(day));
        weekdays_[static_cast<size_t>(day)] = box;
        grid->addWidget(box, row / 4, row % 4);
    }
    layout->addLayout(grid);
    layout->addWidget(new QLabel(Str(kStrClosedDates), this));
    dates_ = new QPlainTextEdit(this);
    dates_->setObjectName(QStringLiteral("closedDates"));
    layout->addWidget(dates_, 1);
}

void ZClosedDaysPage::Load(const ClosedDays& days) {
    for (int d = 0; d < 7; ++d)
        weekdays_[static_cast<size_t>(d)]->setChecked(days.weekdays.count(d) > 0);
    QString text = QString::fromStdString(ClosedDatesText(days.dates));
    text.replace(QLatin1Char(','), QLatin1Char('\n'));
    dates_->setPlainText(text);
}

bool ZClosedDaysPage::Read(ClosedDays* days, QString* bad) const {
    ClosedDays out;
    for (int d = 0; d < 7; ++d)
        if (weekdays_[static_cast<size_t>(d)]->isChecked()) out.weekdays.insert(d);
    std::string wrong;
    if (!ParseClosedDates(dates_->toPlainText().toStdString(), &out.dates, &wrong)) {
        if (bad) *bad = QString::fromStdString(wrong);
        return false;
    }
    *days = out;
    return true;
}

QCheckBox* ZClosedDaysPage::WeekdayBox(int dayOfWeekSundayZero) const {
    return dayOfWeekSundayZero >= 0 && dayOfWeekSundayZero < 7
               ? weekdays_[static_cast<size_t>(dayOfWeekSundayZero)]
               : nullptr;
}

}  // namespace zl
