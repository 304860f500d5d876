// Text helpers and the date arithmetic of the day-marks query.
#include <gtest/gtest.h>

#include <cstring>

#include "recnet/MonthDays.h"
#include "recnet/SqliteText.h"

namespace zl::recnet {
namespace {

TEST(SqliteText, QuotesIdentifiers) {
    EXPECT_EQ(QuoteIdentifier("Records"), "\"Records\"");
    EXPECT_EQ(QuoteIdentifier("a\"b"), "\"a\"\"b\"");
    EXPECT_EQ(QuoteIdentifier("x\"; DROP TABLE t; --"), "\"x\"\"; DROP TABLE t; --\"");
}

TEST(SqliteText, CopyTextCutsAtCapacity) {
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    CopyText(buffer, 5, "abcdefgh");
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_EQ(buffer[5], 'x');  // nothing written past the capacity
    CopyText(buffer, 1, "abc");
    EXPECT_STREQ(buffer, "");
    CopyText(buffer, 0, "abc");  // no room at all: untouched
    EXPECT_STREQ(buffer, "");
    CopyText(nullptr, 5, "abc");
}

TEST(SqliteText, FileUriPrefixIsMadePlain) {
    EXPECT_EQ(PlainFilePath("file:x.db"), "./file:x.db");
    EXPECT_EQ(PlainFilePath("FILE:x.db"), "./FILE:x.db");
    EXPECT_EQ(PlainFilePath("/data/x.db"), "/data/x.db");
    EXPECT_EQ(PlainFilePath("x.db"), "x.db");
}

TEST(MonthDays, CivilDatesRoundTrip) {
    struct Case {
        int y, m, d;
        int64_t days;
    } cases[] = {{1970, 1, 1, 0},        {2000, 3, 1, 11017}, {2024, 2, 29, 19782},
                 {1899, 12, 30, -25569}, {2024, 3, 1, 19783}, {9999, 12, 31, 2932896}};
    for (const Case& c : cases) {
        EXPECT_EQ(DaysFromCivil(c.y, c.m, c.d), c.days) << c.y << "-" << c.m << "-" << c.d;
        int y = 0, m = 0, d = 0;
        CivilFromDays(c.days, &y, &m, &d);
        EXPECT_EQ(y * 10000 + m * 100 + d, c.y * 10000 + c.m * 100 + c.d);
    }
}

TEST(MonthDays, ValidDates) {
    EXPECT_TRUE(IsValidDate(2024, 2, 29));
    EXPECT_FALSE(IsValidDate(2023, 2, 29));
    EXPECT_FALSE(IsValidDate(1900, 2, 29));
    EXPECT_TRUE(IsValidDate(2000, 2, 29));
    EXPECT_FALSE(IsValidDate(2024, 4, 31));
    EXPECT_FALSE(IsValidDate(2024, 13, 1));
    EXPECT_FALSE(IsValidDate(2024, 0, 1));
    EXPECT_FALSE(IsValidDate(0, 1, 1));
}

TEST(MonthDays, QueryCoversTheRangeAsText) {
    MonthDaysQuery query;
    ASSERT_TRUE(BuildMonthDaysQuery("Records", "EnterTime", 2024, 2, 26, 42, &query));
    EXPECT_EQ(query.sql,
              "SELECT DISTINCT substr(\"EnterTime\",1,10) FROM \"Records\" WHERE \"EnterTime\" "
              ">= '2024-02-26 00:00:00' AND \"EnterTime\" < '2024-04-08 00:00:00';");
    EXPECT_EQ(DayIndexOfText(query, "2024-02-26"), 0);
    EXPECT_EQ(DayIndexOfText(query, "2024-03-01 10:00:00"), 4);
    EXPECT_EQ(DayIndexOfText(query, "2024-04-07"), 41);
    EXPECT_EQ(DayIndexOfText(query, "2024-04-08"), -1);
    EXPECT_EQ(DayIndexOfText(query, "2024-02-25"), -1);
    EXPECT_EQ(DayIndexOfText(query, "garbage"), -1);
    EXPECT_EQ(DayIndexOfText(query, nullptr), -1);
}

TEST(MonthDays, RefusesBadArguments) {
    MonthDaysQuery query;
    EXPECT_FALSE(BuildMonthDaysQuery("Records", "EnterTime", 2024, 2, 30, 42, &query));
    EXPECT_FALSE(BuildMonthDaysQuery("Records", "EnterTime", 2024, 2, 1, 0, &query));
    EXPECT_FALSE(
        BuildMonthDaysQuery("Records", "EnterTime", 2024, 2, 1, kMaxMonthDays + 1, &query));
    EXPECT_FALSE(BuildMonthDaysQuery("", "EnterTime", 2024, 2, 1, 42, &query));
    EXPECT_FALSE(BuildMonthDaysQuery("Records", "", 2024, 2, 1, 42, &query));
}

}  // namespace
}  // namespace zl::recnet
