// The buckets and texts each builder plans, without a database.
#include <gtest/gtest.h>

#include "DataTestKit.h"
#include "data/SqlBuilders.h"
#include "data/SqlText.h"

namespace zl {

namespace {

std::string Range(const PlannedBucket& b) {
    return SqlTimeText(b.from) + " - " + SqlTimeText(b.to);
}

int Steps(const BucketPlan& plan) {
    int n = 0;
    for (const auto& b : plan.buckets) n += b.stepAfter;
    return n;
}

// Monday 08:30-17:45, Tuesday 09:00-18:00, ..., Sunday 14:00-20:15: distinct per entry.
WorkingHourTable DistinctHours() {
    WorkingHourTable h;
    for (int k = 0; k < 7; ++k) {
        h.start[k].wHour = static_cast<uint16_t>(8 + k);
        h.start[k].wMinute = static_cast<uint16_t>(k * 5);
        h.end[k].wHour = static_cast<uint16_t>(17 + (k % 3));
        h.end[k].wMinute = static_cast<uint16_t>(45 - k * 5);
    }
    return h;
}

TEST(SqlBuilders, TwoDDaySendsTwentyFourHourlyQueries) {
    const BucketPlan plan = Plan2D("Camera= 1", kReportDay, Day(2024, 3, 5, 13, 14, 15), {});
    ASSERT_EQ(plan.buckets.size(), 24u);
    EXPECT_EQ(BucketTexts(plan, plan.buckets.front()).at(0),
              "SELECT SUM(Inward), SUM(Outward) from Records where (Camera= 1) AND EnterTime "
              "BETWEEN '2024-03-05 00:00:00' AND '2024-03-05 00:59:59';");
    EXPECT_EQ(Range(plan.buckets.back()), "2024-03-05 23:00:00 - 2024-03-05 23:59:59");
    EXPECT_EQ(Steps(plan), 24);
    EXPECT_EQ(plan.family, kFamily2D);
    EXPECT_EQ(plan.fixedCount, 4);
    EXPECT_EQ(plan.kind, kReportDay);
}

TEST(SqlBuilders, GenericDayInFifteenMinutePeriods) {
    const BucketPlan plan = PlanGeneric("COUNT(WaitingTime)", "Camera= 1", "StartTime", kReportDay,
                                        Day(2024, 3, 5), 15, {});
    ASSERT_EQ(plan.buckets.size(), 96u);
    EXPECT_EQ(Range(plan.buckets[40]), "2024-03-05 10:00:00 - 2024-03-05 10:14:59");
    EXPECT_EQ(Range(plan.buckets[41]), "2024-03-05 10:15:00 - 2024-03-05 10:29:59");
    EXPECT_EQ(Range(plan.buckets[42]), "2024-03-05 10:30:00 - 2024-03-05 10:44:59");
    EXPECT_EQ(Range(plan.buckets[43]), "2024-03-05 10:45:00 - 2024-03-05 10:59:59");
    // One progress step per hour, after the hour's last period.
    EXPECT_EQ(Steps(plan), 24);
    EXPECT_FALSE(plan.buckets[42].stepAfter);
    EXPECT_TRUE(plan.buckets[43].stepAfter);
    EXPECT_EQ(BucketTexts(plan, plan.buckets[41]).at(0),
              "SELECT COUNT(WaitingTime) from records where (Camera= 1) AND StartTime BETWEEN "
              "'2024-03-05 10:15:00' AND '2024-03-05 10:29:59';");
}

TEST(SqlBuilders, GenericDayPeriodsOfEveryLength) {
    const int periods[] = {5, 10, 15, 30, 60};
    for (int p : periods) {
        const BucketPlan plan =
            PlanGeneric("X", "Camera= 1", "StartTime", kReportDay, Day(2024, 3, 5), p, {});
        EXPECT_EQ(plan.buckets.size(), static_cast<size_t>(24 * 60 / p)) << p;
        EXPECT_EQ(Range(plan.buckets.back()).substr(22), "2024-03-05 23:59:59") << p;
        EXPECT_EQ(Steps(plan), 24) << p;
    }
}

struct MonthCase {
    SYSTEMTIME date;
    size_t buckets;
    const char* first;
    const char* last;
};

TEST(SqlBuilders, RollingMonthRanges) {
    const MonthCase cases[] = {
        {Day(2024, 3, 15), 29, "2024-02-16 00:00:00 - 2024-02-16 23:59:59",
         "2024-03-15 00:00:00 - 2024-03-15 23:59:59"},
        {Day(2024, 3, 31), 31, "2024-03-01 00:00:00 - 2024-03-01 23:59:59",
         "2024-03-31 00:00:00 - 2024-03-31 23:59:59"},
        {Day(2024, 1, 10), 31, "2023-12-11 00:00:00 - 2023-12-11 23:59:59",
         "2024-01-10 00:00:00 - 2024-01-10 23:59:59"},
    };
    for (const MonthCase& c : cases) {
        const BucketPlan plan = Plan2D("Camera= 1", kReportMonth, c.date, {});
        ASSERT_EQ(plan.buckets.size(), c.buckets) << c.first;
        EXPECT_EQ(Range(plan.buckets.front()), c.first);
        EXPECT_EQ(Range(plan.buckets.back()), c.last);
        EXPECT_EQ(Steps(plan), static_cast<int>(c.buckets));
        EXPECT_EQ(plan.kind, kReportMonth);
    }
}

TEST(SqlBuilders, WeekEndsOnTheDateWithEachWeekdaysHours) {
    const WorkingHourTable hours = DistinctHours();
    // 2024-03-15 is a Friday; the week runs Saturday 2024-03-09 .. Friday 2024-03-15.
    const BucketPlan plan =
        PlanGeneric("X", "Camera= 1", "EnterTime", kReportWeek, Day(2024, 3, 15), 15, hours);
    ASSERT_EQ(plan.buckets.size(), 7u);
    for (size_t i = 0; i < 7; ++i) {
        const PlannedBucket& b = plan.buckets[i];
        const int entry = (b.from.wDayOfWeek + 6) % 7;  // Monday-based
        EXPECT_EQ(b.from.wDay, 9 + i);
        EXPECT_EQ(b.from.wHour, hours.start[entry].wHour);
        EXPECT_EQ(b.from.wMinute, hours.start[entry].wMinute);
        EXPECT_EQ(b.from.wSecond, 0);
        EXPECT_EQ(b.to.wHour, hours.end[entry].wHour);
        EXPECT_EQ(b.to.wMinute, hours.end[entry].wMinute);
        EXPECT_EQ(b.to.wSecond, 59);
        EXPECT_TRUE(b.stepAfter);
    }
    // Saturday uses entry 5: 13:25 to 19:20.
    EXPECT_EQ(Range(plan.buckets[0]), "2024-03-09 13:25:00 - 2024-03-09 19:20:59");
    // The 3D Week texts use the same days and hours.
    const BucketPlan plan3D =
        Plan3D("Camera= 1", kReportWeek, Day(2024, 3, 15), 1100, 1500, 0, hours);
    ASSERT_EQ(plan3D.buckets.size(), 7u);
    for (size_t i = 0; i < 7; ++i) EXPECT_EQ(Range(plan3D.buckets[i]), Range(plan.buckets[i]));
}

TEST(SqlBuilders, ThreeDDayModeOneSendsSixQueriesInValueOrder) {
    const BucketPlan plan = Plan3D("Camera= 2", kReportDay, Day(2024, 3, 5), 1200, 1600, 1, {});
    ASSERT_EQ(plan.buckets.size(), 24u);
    EXPECT_EQ(plan.shape, kRowFromParts);
    EXPECT_EQ(plan.fixedCount, 6);
    const std::vector<std::string> sql = BucketTexts(plan, plan.buckets[0]);
    ASSERT_EQ(sql.size(), 6u);
    const char* expected[] = {"InOut = 1 AND (Camera= 2) AND Height < 1200",
                              "InOut = 2 AND (Camera= 2) AND Height < 1200",
                              "InOut = 1 AND (Camera= 2) AND Height >=1200 AND Height <=1600",
                              "InOut = 2 AND (Camera= 2) AND Height >=1200 AND Height <=1600",
                              "InOut = 1 AND (Camera= 2) AND Height > 1600",
                              "InOut = 2 AND (Camera= 2) AND Height > 1600"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(sql[i], std::string("SELECT COUNT(InOut) from _3DRecords where ") + expected[i] +
                              " AND (Camera= 2) AND Time BETWEEN '2024-03-05 00:00:00' AND "
                              "'2024-03-05 00:59:59';");
}

TEST(SqlBuilders, ThreeDMonthUsesTheShortForm) {
    const BucketPlan plan = Plan3D("Camera= 2", kReportMonth, Day(2024, 3, 31), 1100, 1500, 2, {});
    ASSERT_EQ(plan.buckets.size(), 31u);
    EXPECT_EQ(BucketTexts(plan, plan.buckets[0]).at(0),
              "SELECT COUNT(InOut) from _3DRecords where InOut = 1 AND Height > 1100 AND "
              "(Camera= 2) AND Time BETWEEN '2024-03-01 00:00:00' AND '2024-03-01 23:59:59';");
}

TEST(SqlBuilders, UnknownHeightModeOrRangePlansNothing) {
    EXPECT_TRUE(Plan3D("Camera= 1", kReportDay, Day(2024, 3, 5), 1, 2, 4, {}).buckets.empty());
    EXPECT_TRUE(Plan2D("Camera= 1", 3, Day(2024, 3, 5), {}).buckets.empty());
}

}  // namespace

}  // namespace zl
