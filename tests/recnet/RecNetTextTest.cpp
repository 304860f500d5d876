// Text helpers and the date arithmetic of the day-marks query.
#include <gtest/gtest.h>

#include <cstring>

#include "recnet/MonthDays.h"
#include "recnet/RecNet.h"
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

// Every connect through RecNetConnect waits as long as the others (the worker's own client and
// the queue re-pointing used to give up after 300 ms on a slow link).
namespace {
struct DeadlineClient : RecNetClient {
    int timeOut = -1;
    int Connect(const char*, int, int timeOutMs) override {
        timeOut = timeOutMs;
        return 1;
    }
    int Login(const char*, const char*) override { return 1; }
    int Close() override { return 1; }
    int IsConnected() override { return 0; }
    int OpenDatabase(const char*) override { return 1; }
    int Exec(const char*, RecNetRowCallback, void*) override { return 1; }
    int GetPeopleDbPaths(char*, char*, int) override { return 0; }
    int GetMonthDays(const char*, const char*, uint16_t, uint16_t, uint16_t, int,
                     uint8_t*) override {
        return 0;
    }
    int GetServerName(char*, int) override { return 0; }
    int GetDatabaseCount() override { return 0; }
    int GetDatabaseEntry(int, int*, char*, int) override { return 0; }
};
}  // namespace

TEST(RecNetConnect, UsesTheCommonDeadline) {
    DeadlineClient client;
    RecNetClient* handle = &client;
    EXPECT_EQ(RecNetConnect(&handle, "127.0.0.1", 1), 1);
    EXPECT_EQ(client.timeOut, kRecNetConnectTimeOutMs);
    EXPECT_GE(kRecNetConnectTimeOutMs, 10000);
}
