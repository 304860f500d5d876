// The pop-up of the date picker: a month calendar shown under the picker. A click on a day
// selects that day at 00:00:01 and closes the pop-up with dayPicked(); a click anywhere else
// (or Escape) closes it and leaves the selected date as it was.
#pragma once

#include <QFrame>

#include "base/SysTime.h"

namespace zl {

class CHighlightMonthCal;

class CCalendarPopup : public QFrame {
    Q_OBJECT

  public:
    static constexpr int kCalendarId = 1204;

    // The selected date starts as the current local time.
    explicit CCalendarPopup(QWidget* parent = nullptr);

    // Shows the pop-up with its top-left corner at the bottom-left corner of `anchor`, the
    // selected date selected in the calendar and the calendar asking for fresh highlight days.
    void Open(QWidget* anchor);
    bool IsOpen() const { return isVisible(); }

    const SYSTEMTIME& SelectedTime() const { return selected_; }
    void SetSelectedTime(const SYSTEMTIME& t) { selected_ = t; }
    const SYSTEMTIME& ConstructionTime() const { return constructed_; }
    CHighlightMonthCal* Calendar() const { return calendar_; }

  signals:
    // A day was clicked (or chosen with Enter); SelectedTime() holds it.
    void dayPicked();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void PickDay(QDate day);

    CHighlightMonthCal* calendar_;
    SYSTEMTIME selected_;
    SYSTEMTIME constructed_;
};

}  // namespace zl
