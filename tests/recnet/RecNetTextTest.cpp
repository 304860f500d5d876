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
