#include "base/SysTime.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date; months outside 1..12 and days outside
// the month carry over arithmetically.
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y += (m - 1) / 12;
    m = (m - 1) % 12 + 1;
    if (m <= 0) {
        m += 12;
        --y;
    }
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + (d - 1);
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

const int64_t kOleEpochDays = DaysFromCivil(1899, 12, 30);
constexpr int64_t kSecondsPerDay = 86400;

// Seconds since the OLE epoch, ignoring milliseconds.
int64_t OleSeconds(const SYSTEMTIME& t) {
    return (DaysFromCivil(t.wYear, t.wMonth, 1) + t.wDay - 1 - kOleEpochDays) * kSecondsPerDay +
           t.wHour * 3600 + t.wMinute * 60 + t.wSecond;
}

SYSTEMTIME FromOleSeconds(int64_t s) {
    int64_t days = s / kSecondsPerDay;
    int64_t rest = s % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --days;
    }
    int y, m, d;
    CivilFromDays(days + kOleEpochDays, y, m, d);
    if (y < 1 || y > 9999) return SYSTEMTIME{};
    SYSTEMTIME t;
    t.wYear = static_cast<uint16_t>(y);
    t.wMonth = static_cast<uint16_t>(m);
    t.wDay = static_cast<uint16_t>(d);
    t.wDayOfWeek = static_cast<uint16_t>(DayOfWeek(y, m, d));
    t.wHour = static_cast<uint16_t>(rest / 3600);
    t.wMinute = static_cast<uint16_t>(rest / 60 % 60);
    t.wSecond = static_cast<uint16_t>(rest % 60);
    return t;
}

}  // namespace

int DayOfWeek(int year, int month, int day) {
    const int64_t days = DaysFromCivil(year, month, day);  // 1970-01-01 was a Thursday
    return static_cast<int>(((days % 7) + 11) % 7);
}

int DaysInMonth(int year, int month) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

SYSTEMTIME MakeSysTime(int year, int month, int day, int hour, int minute, int second) {
    SYSTEMTIME t;
    t.wYear = static_cast<uint16_t>(year);
    t.wMonth = static_cast<uint16_t>(month);
    t.wDay = static_cast<uint16_t>(day);
    t.wHour = static_cast<uint16_t>(hour);
    t.wMinute = static_cast<uint16_t>(minute);
    t.wSecond = static_cast<uint16_t>(second);
    t.wDayOfWeek = static_cast<uint16_t>(DayOfWeek(year, month, day));
    return t;
}

double SystemTimeToOleDate(const SYSTEMTIME& t) {
    return static_cast<double>(OleSeconds(t)) / kSecondsPerDay;
}

SYSTEMTIME OleDateToSystemTime(double oleDate) {
    // Round to the nearest second: day fractions such as 1/86400 are not exact in binary.
    if (!std::isfinite(oleDate) || std::fabs(oleDate) > 4.0e6) return SYSTEMTIME{};
    return FromOleSeconds(std::llround(oleDate * kSecondsPerDay));
}

SYSTEMTIME GetSysTime() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return MakeSysTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                       tm.tm_sec);
}

SYSTEMTIME PlusTime(const SYSTEMTIME& t, int seconds) {
    // Whole seconds are added exactly; the result is the date the OLE arithmetic stands for.
    return FromOleSeconds(OleSeconds(t) + seconds);
}

SYSTEMTIME MinusTime(const SYSTEMTIME& t, int seconds) {
    return FromOleSeconds(OleSeconds(t) - static_cast<int64_t>(seconds));
}

SYSTEMTIME AddTime(int seconds) {
    return PlusTime(GetSysTime(), seconds);
}

SYSTEMTIME MinusTime(int seconds) {
    return MinusTime(GetSysTime(), seconds);
}

int MinusTime(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    const int64_t d = OleSeconds(b) - OleSeconds(a);
    if (d > INT_MAX) return INT_MAX;
    if (d < INT_MIN) return INT_MIN;
    return static_cast<int>(d);
}

ZLTime GetZLTime() {
    return SysTimeToZLTime(GetSysTime());
}

ZLTime SysTimeToZLTime(const SYSTEMTIME& t) {
    ZLTime v = t.wYear;
    v = v * 100 + t.wMonth;
    v = v * 100 + t.wDay;
    v = v * 100 + t.wHour;
    v = v * 100 + t.wMinute;
    v = v * 100 + t.wSecond;
    return v * 1000;
}

SYSTEMTIME ZLTimeToSysTime(ZLTime v) {
    SYSTEMTIME t;
    if (v < 0) return t;
    t.wMilliseconds = static_cast<uint16_t>(v % 1000);
    v /= 1000;
    t.wSecond = static_cast<uint16_t>(v % 100);
    v /= 100;
    t.wMinute = static_cast<uint16_t>(v % 100);
    v /= 100;
    t.wHour = static_cast<uint16_t>(v % 100);
    v /= 100;
    t.wDay = static_cast<uint16_t>(v % 100);
    v /= 100;
    t.wMonth = static_cast<uint16_t>(v % 100);
    v /= 100;
    t.wYear = static_cast<uint16_t>(v > 0xFFFF ? 0xFFFF : v);
    t.wDayOfWeek = 0;
    return t;
}

int operator<(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    return SysTimeToZLTime(a) < SysTimeToZLTime(b);
}
int operator>(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    return SysTimeToZLTime(a) > SysTimeToZLTime(b);
}
int operator<=(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    return SysTimeToZLTime(a) <= SysTimeToZLTime(b);
}
int operator>=(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    return SysTimeToZLTime(a) >= SysTimeToZLTime(b);
}
int operator==(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    return SysTimeToZLTime(a) == SysTimeToZLTime(b);
}
int operator!=(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    return SysTimeToZLTime(a) != SysTimeToZLTime(b);
}

bool operator<(const tagDSSYSTIMEPERIOD& a, const tagDSSYSTIMEPERIOD& b) {
    return SysTimeToZLTime(a.start) < SysTimeToZLTime(b.start);
}

int IntersectSysTime(tagDSSYSTIMEPERIOD& out, const tagDSSYSTIMEPERIOD& a,
                     const tagDSSYSTIMEPERIOD& b) {
    const ZLTime as = SysTimeToZLTime(a.start), ae = SysTimeToZLTime(a.end);
    const ZLTime bs = SysTimeToZLTime(b.start), be = SysTimeToZLTime(b.end);
    if (as >= be || ae <= bs) return 0;  // periods that only touch do not overlap
    tagDSSYSTIMEPERIOD r;
    r.start = as > bs ? a.start : b.start;
    r.end = ae < be ? a.end : b.end;
    out = r;
    return 1;
}

std::string FormatSTTIME(const SYSTEMTIME& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d/%02d/%02d %02d:%02d:%02d:%04d", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    return buf;
}

std::string FormatSqlTime(const SYSTEMTIME& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay,
                  t.wHour, t.wMinute, t.wSecond);
    return buf;
}
