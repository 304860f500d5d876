// The plain start-date field: a QDateEdit with a calendar pop-up, showing "yyyy/MM/dd".
#pragma once

#include "ui/datepicker/IDatePicker.h"

class QDateEdit;

namespace zl {

class DateEditPicker : public IDatePicker {
  public:
    // Starts on today.
    explicit DateEditPicker(QWidget* parent);
    QWidget* Widget() override;
    SYSTEMTIME Get_Select_Time() const override;
    void Set_Select_Time(const SYSTEMTIME& day) override;

  private:
    QDateEdit* edit_;
};

}  // namespace zl
