// Conversions between the calendar's dates and the report's SYSTEMTIME records.
#pragma once

#include <QDate>

#include "base/SysTime.h"

namespace zl {

// The date of a record (its time of day is dropped); invalid for a record that is no date.
inline QDate DateOf(const SYSTEMTIME& t) {
    return QDate(t.wYear, t.wMonth, t.wDay);
}

// The record of a date at the given time of day, with its weekday.
inline SYSTEMTIME SysTimeOf(const QDate& d, int hour = 0, int minute = 0, int second = 0) {
    return MakeSysTime(d.year(), d.month(), d.day(), hour, minute, second);
}

}  // namespace zl
