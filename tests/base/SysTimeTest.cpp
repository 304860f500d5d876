#include <gtest/gtest.h>

#include "base/SysTime.h"

namespace zl {

namespace {

std::string Sql(const SYSTEMTIME& t) {
    return FormatSqlTime(t);
}

tagDSSYSTIMEPERIOD Period(int h1, int m1, int h2, int m2) {
    return {MakeSysTime(2024, 3, 5, h1, m1), MakeSysTime(2024, 3, 5, h2, m2)};
}

}  // namespace

TEST(SysTime, OleDateRoundTripToTheSecond) {
    EXPECT_DOUBLE_EQ(SystemTimeToOleDate(MakeSysTime(1899, 12, 30)), 0.0);
    EXPECT_DOUBLE_EQ(SystemTimeToOleDate(MakeSysTime(1900, 1, 1, 12)), 2.5);
    EXPECT_DOUBLE_EQ(SystemTimeToOleDate(MakeSysTime(2000, 1, 1)), 36526.0);
    SYSTEMTIME t = MakeSysTime(2024, 2, 29, 23, 59, 59);
    t.wMilliseconds = 999;
    SYSTEMTIME back = OleDateToSystemTime(SystemTimeToOleDate(t));
    EXPECT_EQ(Sql(back), "2024-02-29 23:59:59");
    EXPECT_EQ(back.wMilliseconds, 0);
    EXPECT_EQ(back.wDayOfWeek, 4);  // Thursday
    // A value a hair below the next second still names that second.
    EXPECT_EQ(Sql(OleDateToSystemTime(36526.0 + 30.0 / 86400 - 1e-10)), "2000-01-01 00:00:30");
    EXPECT_EQ(Sql(OleDateToSystemTime(1e300)), Sql(SYSTEMTIME{}));
}

TEST(SysTime, ShiftsRecomputeDayOfWeek) {
    struct Case {
        SYSTEMTIME from;
        int seconds;
        const char* expected;
        int dayOfWeek;
    };
    const Case cases[] = {
        {MakeSysTime(2021, 2, 28, 23), 86400, "2021-03-01 23:00:00", 1},
        {MakeSysTime(2024, 2, 28, 23), 86400, "2024-02-29 23:00:00", 4},
        {MakeSysTime(2024, 3, 15), -518400, "2024-03-09 00:00:00", 6},
        {MakeSysTime(2023, 12, 31, 23, 59, 59), 1, "2024-01-01 00:00:00", 1},
        {MakeSysTime(2024, 1, 1), -1, "2023-12-31 23:59:59", 0},
    };
    for (const Case& c : cases) {
        SYSTEMTIME r = PlusTime(c.from, c.seconds);
        EXPECT_EQ(Sql(r), c.expected);
        EXPECT_EQ(r.wDayOfWeek, c.dayOfWeek) << c.expected;
        EXPECT_EQ(Sql(MinusTime(c.from, -c.seconds)), c.expected);
    }
}

TEST(SysTime, MinusTimeOfTwoTimesIsExact) {
    EXPECT_EQ(MinusTime(MakeSysTime(2024, 3, 5, 10), MakeSysTime(2024, 3, 5, 9, 59, 30)), -30);
    EXPECT_EQ(MinusTime(MakeSysTime(2024, 3, 5), MakeSysTime(2024, 3, 6)), 86400);
    for (int s = -200000; s <= 200000; s += 977) {
        SYSTEMTIME a = MakeSysTime(2024, 3, 5, 12);
        EXPECT_EQ(MinusTime(a, PlusTime(a, s)), s);
    }
}

TEST(SysTime, ZLTimeDigits) {
    SYSTEMTIME t = MakeSysTime(2021, 3, 3, 12, 34, 56);
    t.wMilliseconds = 789;
    EXPECT_EQ(SysTimeToZLTime(t), 20210303123456000);
    SYSTEMTIME back = ZLTimeToSysTime(20210303123456789);
    EXPECT_EQ(Sql(back), "2021-03-03 12:34:56");
    EXPECT_EQ(back.wMilliseconds, 789);
    EXPECT_EQ(back.wDayOfWeek, 0);
}

TEST(SysTime, ComparisonsIgnoreDayOfWeekAndMilliseconds) {
    SYSTEMTIME a = MakeSysTime(2024, 3, 5, 10);
    SYSTEMTIME b = a;
    b.wDayOfWeek = 6;
    b.wMilliseconds = 500;
    EXPECT_EQ(a == b, 1);
    EXPECT_EQ(a != b, 0);
    SYSTEMTIME c = PlusTime(a, 1);
    EXPECT_EQ(a < c, 1);
    EXPECT_EQ(c > a, 1);
    EXPECT_EQ(a <= b, 1);
    EXPECT_EQ(a >= c, 0);
    EXPECT_TRUE(Period(9, 0, 10, 0) < Period(9, 30, 9, 45));
}

TEST(SysTime, IntersectTouchingPeriodsDoNotOverlap) {
    tagDSSYSTIMEPERIOD out = Period(1, 1, 2, 2);
    EXPECT_EQ(IntersectSysTime(out, Period(10, 0, 11, 0), Period(11, 0, 12, 0)), 0);
    EXPECT_EQ(Sql(out.start), "2024-03-05 01:01:00");  // untouched
    ASSERT_EQ(IntersectSysTime(out, Period(10, 0, 11, 30), Period(11, 0, 12, 0)), 1);
    EXPECT_EQ(Sql(out.start), "2024-03-05 11:00:00");
    EXPECT_EQ(Sql(out.end), "2024-03-05 11:30:00");
    ASSERT_EQ(IntersectSysTime(out, Period(8, 0, 18, 0), Period(9, 0, 10, 0)), 1);
    EXPECT_EQ(Sql(out.start), "2024-03-05 09:00:00");
    EXPECT_EQ(Sql(out.end), "2024-03-05 10:00:00");
}

TEST(SysTime, Formats) {
    SYSTEMTIME t = MakeSysTime(2021, 3, 3, 8, 5, 9);
    t.wMilliseconds = 7;
    EXPECT_EQ(FormatSTTIME(t), "2021/03/03 08:05:09:0007");
    EXPECT_EQ(FormatSqlTime(t), "2021-03-03 08:05:09");
}

TEST(SysTime, CalendarHelpers) {
    EXPECT_EQ(DayOfWeek(2024, 3, 15), 5);
    EXPECT_EQ(DayOfWeek(1899, 12, 30), 6);
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DaysInMonth(2023, 2), 28);
    EXPECT_EQ(DaysInMonth(1900, 2), 28);
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(2024, 1), 31);
    EXPECT_EQ(DaysInMonth(2024, 13), 0);
}

TEST(SysTime, NowIsWholeSeconds) {
    SYSTEMTIME now = GetSysTime();
    EXPECT_EQ(now.wMilliseconds, 0);
    EXPECT_GE(now.wYear, 2020);
    EXPECT_LE(MinusTime(now, AddTime(10)) - 10, 2);
    EXPECT_EQ(GetZLTime() % 1000, 0);
}

}  // namespace zl
