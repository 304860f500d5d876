#include <gtest/gtest.h>

#include <string>

#include "base/ReportPeriods.h"

namespace zl {

using namespace zl;

namespace {

std::string Text(const tagDSSYSTIMEPERIOD& p) {
    return FormatSqlTime(p.start) + " - " + FormatSqlTime(p.end);
}

// Entry k opens at (8 + k):00 and closes at (17 + k):3k, so each day shows which entry it used.
void DistinctHours(WorkingHours& start, WorkingHours& end) {
    for (int k = 0; k < 7; ++k) {
        start[k].wHour = static_cast<uint16_t>(8 + k);
        start[k].wMinute = 0;
        end[k].wHour = static_cast<uint16_t>(17 + k);
        end[k].wMinute = static_cast<uint16_t>(k * 3);
    }
}

}  // namespace

TEST(ReportPeriods, WorkingHourEntryIsMondayBased) {
    const int expected[7] = {6, 0, 1, 2, 3, 4, 5};  // Sunday .. Saturday
    for (int dow = 0; dow < 7; ++dow) EXPECT_EQ(WorkingHourEntry(dow), expected[dow]) << dow;
}

TEST(ReportPeriods, DayHours) {
    auto b = DayHourBuckets(MakeSysTime(2024, 3, 5, 13, 45));
    ASSERT_EQ(b.size(), 24u);
    EXPECT_EQ(Text(b[0]), "2024-03-05 00:00:00 - 2024-03-05 00:59:59");
    EXPECT_EQ(Text(b[23]), "2024-03-05 23:00:00 - 2024-03-05 23:59:59");
}

TEST(ReportPeriods, DayPeriods) {
    struct Case {
        int period;
        size_t count;
        size_t index;  // a bucket to look at
        const char* text;
    };
    const Case cases[] = {
        {15, 96, 40, "2024-03-05 10:00:00 - 2024-03-05 10:14:59"},
        {15, 96, 43, "2024-03-05 10:45:00 - 2024-03-05 10:59:59"},
        {60, 24, 10, "2024-03-05 10:00:00 - 2024-03-05 10:59:59"},
        {0, 24, 10, "2024-03-05 10:00:00 - 2024-03-05 10:59:59"},
        {1, 1440, 61, "2024-03-05 01:01:00 - 2024-03-05 01:01:59"},
        {7, 216, 8, "2024-03-05 00:56:00 - 2024-03-05 00:59:59"},  // 9 per hour, last cut
        {90, 24, 1, "2024-03-05 01:00:00 - 2024-03-05 01:59:59"},  // never past the hour
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.period);
        auto b = DayPeriodBuckets(MakeSysTime(2024, 3, 5), c.period);
        ASSERT_EQ(b.size(), c.count);
        EXPECT_EQ(Text(b[c.index]), c.text);
        EXPECT_EQ(Text(b.back()).substr(22), "2024-03-05 23:59:59");
    }
    auto b = DayPeriodBuckets(MakeSysTime(2024, 3, 5), 15);
    EXPECT_EQ(Text(b[41]), "2024-03-05 10:15:00 - 2024-03-05 10:29:59");
    EXPECT_EQ(Text(b[42]), "2024-03-05 10:30:00 - 2024-03-05 10:44:59");
}

TEST(ReportPeriods, WeekEndsOnTheDayWithMondayBasedEntries) {
    WorkingHours start{}, end{};
    DistinctHours(start, end);
    auto b = WeekBuckets(MakeSysTime(2024, 3, 15), start, end);  // a Friday
    ASSERT_EQ(b.size(), 7u);
    EXPECT_EQ(Text(b[0]), "2024-03-09 13:00:00 - 2024-03-09 22:15:59");  // Saturday: entry 5
    EXPECT_EQ(Text(b[1]), "2024-03-10 14:00:00 - 2024-03-10 23:18:59");  // Sunday: entry 6
    EXPECT_EQ(Text(b[2]), "2024-03-11 08:00:00 - 2024-03-11 17:00:59");  // Monday: entry 0
    EXPECT_EQ(Text(b[6]), "2024-03-15 12:00:00 - 2024-03-15 21:12:59");  // Friday: entry 4
}

TEST(ReportPeriods, DeviceWeekBeginsOnTheDay) {
    WorkingHours start{}, end{};
    DistinctHours(start, end);
    auto b = DeviceWeekBuckets(MakeSysTime(2024, 2, 26), start, end);  // a Monday
    ASSERT_EQ(b.size(), 7u);
    EXPECT_EQ(Text(b[0]), "2024-02-26 08:00:00 - 2024-02-26 17:00:59");
    EXPECT_EQ(Text(b[3]), "2024-02-29 11:00:00 - 2024-02-29 20:09:59");
    EXPECT_EQ(Text(b[6]), "2024-03-03 14:00:00 - 2024-03-03 23:18:59");
}

TEST(ReportPeriods, WorkingHoursOutOfRangeStayInTheDay) {
    WorkingHours start{}, end{};
    for (int k = 0; k < 7; ++k) {
        start[k].wHour = 83;  // "830" read as hour 83, minute 30
        start[k].wMinute = 30;
        end[k].wHour = 23;
        end[k].wMinute = 99;
    }
    auto b = WeekBuckets(MakeSysTime(2024, 3, 15), start, end);
    EXPECT_EQ(Text(b[0]), "2024-03-09 23:30:00 - 2024-03-09 23:59:59");
}

TEST(ReportPeriods, RollingMonth) {
    struct Case {
        SYSTEMTIME day;
        size_t count;
        const char* first;
        const char* last;
    };
    const Case cases[] = {
        {MakeSysTime(2024, 3, 15), 29, "2024-02-16", "2024-03-15"},
        {MakeSysTime(2024, 3, 31), 31, "2024-03-01", "2024-03-31"},
        {MakeSysTime(2024, 3, 29), 29, "2024-03-01", "2024-03-29"},
        {MakeSysTime(2024, 3, 28), 29, "2024-02-29", "2024-03-28"},
        {MakeSysTime(2024, 1, 10), 31, "2023-12-11", "2024-01-10"},
        {MakeSysTime(2024, 1, 31), 31, "2024-01-01", "2024-01-31"},
        {MakeSysTime(2024, 5, 30), 30, "2024-05-01", "2024-05-30"},
        {MakeSysTime(2024, 5, 29), 30, "2024-04-30", "2024-05-29"},
        {MakeSysTime(2023, 3, 1), 28, "2023-02-02", "2023-03-01"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(FormatSqlTime(c.day));
        auto b = MonthBuckets(c.day);
        ASSERT_EQ(b.size(), c.count);
        EXPECT_EQ(Text(b.front()), std::string(c.first) + " 00:00:00 - " + c.first + " 23:59:59");
        EXPECT_EQ(Text(b.back()), std::string(c.last) + " 00:00:00 - " + c.last + " 23:59:59");
    }
}

TEST(ReportPeriods, DeviceDayAndMonth) {
    auto d = DeviceDayBuckets(MakeSysTime(2024, 3, 5, 9));
    ASSERT_EQ(d.size(), 24u);
    EXPECT_EQ(Text(d[0]), "2024-03-05 00:00:00 - 2024-03-05 01:00:00");
    EXPECT_EQ(Text(d[22]), "2024-03-05 22:00:00 - 2024-03-05 23:00:00");
    EXPECT_EQ(Text(d[23]), "2024-03-05 23:00:00 - 2024-03-05 23:59:59");

    auto m = DeviceMonthBuckets(MakeSysTime(2024, 1, 15));
    ASSERT_EQ(m.size(), 31u);
    EXPECT_EQ(Text(m[0]), "2024-01-15 00:00:00 - 2024-01-15 23:59:59");
    EXPECT_EQ(Text(m[30]), "2024-02-14 00:00:00 - 2024-02-14 23:59:59");
    EXPECT_EQ(DeviceMonthBuckets(MakeSysTime(2024, 2, 20)).size(), 29u);
}

}  // namespace zl
