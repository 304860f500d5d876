#include "ui/reportwin/DateEditPicker.h"

#include <QDate>
#include <QDateEdit>

namespace zl {

DateEditPicker::DateEditPicker(QWidget* parent) : edit_(new QDateEdit(parent)) {
    edit_->setObjectName(QStringLiteral("id1015"));
    edit_->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    edit_->setCalendarPopup(true);
    edit_->setDate(QDate::currentDate());
}

QWidget* DateEditPicker::Widget() {
    return edit_;
}

SYSTEMTIME DateEditPicker::Get_Select_Time() const {
    const QDate d = edit_->date();
    return MakeSysTime(d.year(), d.month(), d.day());
}

void DateEditPicker::Set_Select_Time(const SYSTEMTIME& day) {
    edit_->setDate(QDate(day.wYear, day.wMonth, day.wDay));
}

}  // namespace zl
