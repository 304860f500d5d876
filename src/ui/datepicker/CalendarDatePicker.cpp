#include "ui/datepicker/CalendarDatePicker.h"

#include "ui/datepicker/CHighlightMonthCal.h"

namespace zl {

CalendarDatePicker::CalendarDatePicker(DayMarksRequester::Source source, QWidget* parent)
    : picker_(new ZPickCalendar(parent)) {
    picker_->setObjectName(QStringLiteral("id1015"));
    requester_ = std::make_unique<DayMarksRequester>(picker_, std::move(source));
    // The picker's request stands for the window's message: queued, as a posted message is.
    QObject::connect(picker_, &ZPickCalendar::highlightRequested, requester_.get(),
                     &DayMarksRequester::HighlightDaysWithData, Qt::QueuedConnection);
}

CalendarDatePicker::~CalendarDatePicker() = default;

SYSTEMTIME CalendarDatePicker::Get_Select_Time() const {
    SYSTEMTIME t{};
    if (picker_) picker_->Get_Select_Time(t);
    return t;
}

void CalendarDatePicker::Set_Select_Time(const SYSTEMTIME& day) {
    if (picker_) picker_->Set_Select_Time(day);
}

void CalendarDatePicker::RefreshDataDays() {
    if (!picker_ || !picker_->IsCalendarOpen()) return;
    requester_->HighlightDaysWithData();
}

}  // namespace zl
