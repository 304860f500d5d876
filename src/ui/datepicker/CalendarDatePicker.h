// The report window's start-date control (IDatePicker) as the calendar picker: the picker
// widget and the requester that fills its calendar with the days holding data. The window gives
// the source of its checked sites and counter-type mode.
#pragma once

#include <memory>

#include "ui/datepicker/DayMarksRequester.h"
#include "ui/datepicker/IDatePicker.h"
#include "ui/datepicker/ZPickCalendar.h"

namespace zl {

class CalendarDatePicker : public IDatePicker {
  public:
    // The widget gets the object name "id1015" and `parent` (the window re-parents it).
    CalendarDatePicker(DayMarksRequester::Source source, QWidget* parent = nullptr);
    ~CalendarDatePicker() override;

    QWidget* Widget() override { return picker_; }
    SYSTEMTIME Get_Select_Time() const override;
    void Set_Select_Time(const SYSTEMTIME& day) override;
    // The checked sites or the counter type changed: an open calendar asks again; a closed one
    // asks when it is next opened.
    void RefreshDataDays() override;

    ZPickCalendar* Picker() const { return picker_; }
    DayMarksRequester* Requester() const { return requester_.get(); }

  private:
    QPointer<ZPickCalendar> picker_;
    std::unique_ptr<DayMarksRequester> requester_;
};

}  // namespace zl
