// The settings page of the closed days: the weekdays that are always closed (one check box
// each, Monday first as the working-hour page lists them) and a list of closed dates, one
// YYYY-MM-DD a line. Kept in the settings file's own section (query/ClosedDays.h).
#pragma once

#include <QWidget>
#include <array>

#include "query/ClosedDays.h"

class QCheckBox;
class QPlainTextEdit;

namespace zl {

class ZClosedDaysPage : public QWidget {
    Q_OBJECT

  public:
    explicit ZClosedDaysPage(QWidget* parent = nullptr);

    void Load(const ClosedDays& days);
    // The days the controls show; false with the first line that is not a date in *bad.
    bool Read(ClosedDays* days, QString* bad) const;

    QCheckBox* WeekdayBox(int dayOfWeekSundayZero) const;
    QPlainTextEdit* DatesEdit() const { return dates_; }

  private:
    std::array<QCheckBox*, 7> weekdays_{};  // by day of week, 0 = Sunday
    QPlainTextEdit* dates_ = nullptr;
};

}  // namespace zl
