// The start-date control of the report window: a widget that shows the chosen day and answers
// it when a query starts. The window holds it behind this interface, so the calendar control can
// replace the plain date field without the window changing.
#pragma once

#include "base/SysTime.h"

class QWidget;

namespace zl {

class IDatePicker {
  public:
    virtual ~IDatePicker() = default;
    // The widget to place in the window (owned by the picker's owner through Qt parenting).
    virtual QWidget* Widget() = 0;
    // The chosen day (its time of day is the picker's own: 00:00:00 for the plain field).
    virtual SYSTEMTIME Get_Select_Time() const = 0;
    virtual void Set_Select_Time(const SYSTEMTIME& day) = 0;
    // The checked sites or the counter type changed: a picker that marks the days with data
    // fetches them again. The plain field has nothing to mark.
    virtual void RefreshDataDays() {}
};

}  // namespace zl
