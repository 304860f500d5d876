#include "base/SysTime.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "base/CivilDays.h"

namespace zl {

namespace {

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
    const zl::CivilDay civil = zl::CivilFromDays(days + kOleEpochDays);
    const int y = civil.year, m = civil.month, d = civil.day;
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
    return zl::WeekdayOfDays(DaysFromCivil(year, month, day));
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

}  // namespace zl
