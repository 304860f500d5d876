// Calendar times as the report logic uses them: SYSTEMTIME records (local time), OLE dates
// (days since 1899-12-30 as a double), ZLTime decimal stamps and periods of two SYSTEMTIMEs.
#pragma once

#include <cstdint>
#include <string>

#include "base/CivilDays.h"

namespace zl {

struct SYSTEMTIME {
    uint16_t wYear = 0;
    uint16_t wMonth = 0;
    uint16_t wDayOfWeek = 0;  // 0 = Sunday
    uint16_t wDay = 0;
    uint16_t wHour = 0;
    uint16_t wMinute = 0;
    uint16_t wSecond = 0;
    uint16_t wMilliseconds = 0;
};

// YYYYMMDDhhmmssmmm as one decimal number; the day of week is not part of it.
using ZLTime = int64_t;

struct tagDSSYSTIMEPERIOD {
    SYSTEMTIME start;
    SYSTEMTIME end;
};

// OLE date conversions, to the second; the day of week of the result is recomputed.
double SystemTimeToOleDate(const SYSTEMTIME& t);
SYSTEMTIME OleDateToSystemTime(double oleDate);
// 0 = Sunday .. 6 = Saturday, for a Gregorian date.
int DayOfWeek(int year, int month, int day);
SYSTEMTIME MakeSysTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

SYSTEMTIME GetSysTime();
SYSTEMTIME AddTime(int seconds);
SYSTEMTIME MinusTime(int seconds);
SYSTEMTIME MinusTime(const SYSTEMTIME& t, int seconds);
SYSTEMTIME PlusTime(const SYSTEMTIME& t, int seconds);
int MinusTime(const SYSTEMTIME& a, const SYSTEMTIME& b);  // seconds from a to b (b - a)

ZLTime GetZLTime();
ZLTime SysTimeToZLTime(const SYSTEMTIME& t);
SYSTEMTIME ZLTimeToSysTime(ZLTime v);

int operator<(const SYSTEMTIME& a, const SYSTEMTIME& b);
int operator>(const SYSTEMTIME& a, const SYSTEMTIME& b);
int operator<=(const SYSTEMTIME& a, const SYSTEMTIME& b);
int operator>=(const SYSTEMTIME& a, const SYSTEMTIME& b);
int operator==(const SYSTEMTIME& a, const SYSTEMTIME& b);
int operator!=(const SYSTEMTIME& a, const SYSTEMTIME& b);
bool operator<(const tagDSSYSTIMEPERIOD& a, const tagDSSYSTIMEPERIOD& b);

int IntersectSysTime(tagDSSYSTIMEPERIOD& out, const tagDSSYSTIMEPERIOD& a,
                     const tagDSSYSTIMEPERIOD& b);
std::string FormatSTTIME(const SYSTEMTIME& t);
// 'YYYY-MM-DD hh:mm:ss', the form counting databases store and SQL compares.
std::string FormatSqlTime(const SYSTEMTIME& t);

}  // namespace zl
