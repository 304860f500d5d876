// The plan's two renderers and its one row-to-values rule: the bucket pass carries the pieces
// the per-bucket texts are written from, plans it cannot state are refused, and on one real
// file both ways hand on the same rows for every counter type and range.
#include <gtest/gtest.h>

#include "DataTestKit.h"
#include "base/CounterTypes.h"
#include "data/BucketPassRun.h"
#include "data/SqlBuilders.h"
#include "data/SqlText.h"
#include "store/SiteRecord.h"

namespace zl {

namespace {

using zl::recnet::BucketPass;
using zl::recnet::BucketPassResult;

const SYSTEMTIME kDate = Day(2024, 3, 5);

// Monday to Sunday 08:00-18:30.
WorkingHourTable ShopHours() {
    WorkingHourTable h;
    for (int k = 0; k < 7; ++k) {
        h.start[k].wHour = 8;
        h.end[k].wHour = 18;
        h.end[k].wMinute = 30;
    }
    return h;
}

// Every text of the plan, as the per-bucket run sends it, is the pass's pieces in the
// per-bucket form with the pass's bounds of that bucket.
void ExpectPassStandsForTheTexts(const BucketPlan& plan, const BucketPass& pass) {
    ASSERT_EQ(pass.buckets.size(), plan.buckets.size());
    ASSERT_EQ(pass.parts.size(), plan.pieces.parts.size());
    for (size_t b = 0; b < plan.buckets.size(); ++b) {
        const std::vector<std::string> texts = BucketTexts(plan, plan.buckets[b]);
        ASSERT_EQ(texts.size(), pass.parts.size());
        for (size_t j = 0; j < texts.size(); ++j)
            EXPECT_EQ(texts[j], "SELECT " + pass.parts[j].select + " from " + pass.table +
                                    " where " + pass.parts[j].condition + " AND " +
                                    pass.timeColumn + " BETWEEN '" + pass.buckets[b].from +
                                    "' AND '" + pass.buckets[b].to + "';")
                << b << "/" << j;
    }
}

TEST(BucketPlan, ThePassCarriesThePiecesOfThePerBucketTexts) {
    BucketPass q;
    BucketPlan plan = Plan2D("Camera= 1 OR Camera= 3", kReportDay, kDate, {});
    ASSERT_TRUE(BucketPassOf(plan, &q));
    EXPECT_EQ(q.table, "Records");
    EXPECT_EQ(q.timeColumn, "EnterTime");
    ASSERT_EQ(q.parts.size(), 1u);
    EXPECT_EQ(q.parts[0].select, "SUM(Inward), SUM(Outward)");
    EXPECT_EQ(q.parts[0].condition, "(Camera= 1 OR Camera= 3)");
    ASSERT_EQ(q.buckets.size(), 24u);
    EXPECT_EQ(q.buckets[23].to, "2024-03-05 23:59:59");
    ExpectPassStandsForTheTexts(plan, q);

    plan = Plan3D("Camera= 2", kReportDay, kDate, 1200, 1600, 1, {});
    ASSERT_TRUE(BucketPassOf(plan, &q));
    EXPECT_EQ(q.table, "_3DRecords");
    EXPECT_EQ(q.timeColumn, "Time");
    ASSERT_EQ(q.parts.size(), 6u);
    EXPECT_EQ(q.parts[2].select, "COUNT(InOut)");
    EXPECT_EQ(q.parts[2].condition,
              "InOut = 1 AND (Camera= 2) AND Height >=1200 AND Height <=1600 AND (Camera= 2)");
    ExpectPassStandsForTheTexts(plan, q);

    plan = Plan3D("Camera= 2", kReportWeek, kDate, 1200, 1600, 1, ShopHours());
    ASSERT_TRUE(BucketPassOf(plan, &q));
    ExpectPassStandsForTheTexts(plan, q);

    plan = PlanGeneric("SUM(Line1_In),SUM(Line1_Out)", "Camera= 1 ", "CountingTime", kReportDay,
                       kDate, 5, {});
    ASSERT_TRUE(BucketPassOf(plan, &q));
    EXPECT_EQ(q.timeColumn, "CountingTime");
    EXPECT_EQ(q.parts[0].condition, "(Camera= 1 )");
    EXPECT_EQ(q.buckets.size(), 288u);
    ExpectPassStandsForTheTexts(plan, q);
}

TEST(BucketPlan, PlansThePassCannotStateAreRefused) {
    BucketPass q;
    // "a OR b AND time ..." does not mean "(a OR b) AND time ...".
    EXPECT_FALSE(BucketPassOf(Plan3D("Camera= 1) OR (1", kReportDay, kDate, 0, 0, 0, {}), &q));
    EXPECT_TRUE(q.parts.empty());
    EXPECT_FALSE(BucketPassOf(Plan3D("Camera= 1", kReportDay, kDate, 0, 0, 4, {}), &q));  // none
    EXPECT_FALSE(BucketPassOf(PlanGeneric("", "Camera= 1", "StartTime", kReportWeek, kDate, 60, {}),
                              &q));  // the pass's own check refuses an empty select list
    BucketPlan two = Plan2D("Camera= 1", kReportDay, kDate, {});
    two.pieces.parts.push_back(two.pieces.parts.front());  // columns of two statements
    EXPECT_FALSE(BucketPassOf(two, &q));
    BucketPlan many = Plan3D("Camera= 1", kReportDay, kDate, 1, 2, 1, {});
    many.pieces.parts.resize(11, many.pieces.parts.front());
    EXPECT_FALSE(BucketPassOf(many, &q));
}

TEST(BucketPlan, ValuesOfARow) {
    BucketPlan columns = Plan2D("Camera= 1", kReportDay, kDate, {});
    RowValues v;
    ASSERT_TRUE(ValuesOfRow(columns, {3, 4}, &v));
    EXPECT_EQ(v.count, 4);  // in, out and two unused values
    EXPECT_EQ(std::vector<uint32_t>(v.values, v.values + 4), (std::vector<uint32_t>{3, 4, 0, 0}));
    EXPECT_FALSE(ValuesOfRow(columns, {-1, 4}, &v));  // a negative first value: no row
    EXPECT_FALSE(ValuesOfRow(columns, {}, &v));
    ASSERT_TRUE(ValuesOfRow(columns, {0, -2}, &v));  // later values are kept as they are
    EXPECT_EQ(v.values[1], static_cast<uint32_t>(-2));

    BucketPlan generic = PlanGeneric("X", "Camera= 1", "StartTime", kReportDay, kDate, 60, {});
    ASSERT_TRUE(ValuesOfRow(generic, SqlRow(12, 7), &v));
    EXPECT_EQ(v.count, kMaxRowValues);  // at most ten columns

    BucketPlan parts = Plan3D("Camera= 1", kReportDay, kDate, 1, 2, 1, {});
    ASSERT_TRUE(ValuesOfRow(parts, {5, -3, 0, 2, 1, 9}, &v));
    EXPECT_EQ(v.count, 6);
    EXPECT_EQ(std::vector<uint32_t>(v.values, v.values + 6),
              (std::vector<uint32_t>{5, 0, 0, 2, 1, 9}));  // a negative count reads as 0
}

class CollectedCounts : public IRecordCountSink {
  public:
    void AddCounts(PassRecordCounts counts) override { all.push_back(std::move(counts)); }
    std::vector<PassRecordCounts> all;
};

// One file with the tables of every counter type; the generic types share one table.
class BothWays : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = dir_.File("all.db");
        // 600 records over 40 days at odd minutes, some on bucket bounds, some NULL or
        // negative values, cameras 1-3.
        const std::string times =
            "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 599) ";
        const std::string at =
            "strftime('%Y-%m-%d %H:%M:%S', '2024-01-27', (i * 9973 % 57600) || ' minutes', "
            "(CASE WHEN i % 5 = 0 THEN 0 ELSE i % 60 END) || ' seconds')";
        ASSERT_TRUE(MakeDb(
            path_,
            {"CREATE TABLE Records(EnterTime TEXT, StartTime TEXT, CountingTime TEXT, Inward INT, "
             "Outward INT, Camera INT, Count1 INT, Count2 INT, Count3 INT, AverageCount INT, "
             "Line1_In INT, Line1_Out INT, Line2_In INT, Line2_Out INT, LargeIn INT, LargeOut "
             "INT, MediumIn INT, MediumOut INT, SmallIn INT, SmallOut INT, PedestrianIn INT, "
             "PedestrianOut INT, WaitingTime TEXT, ServedTime TEXT, Queue INT, Counter INT);",
             "CREATE TABLE _3DRecords(Time TEXT, InOut INT, Height INT, Camera INT);",
             times + "INSERT INTO Records SELECT " + at + ", " + at + ", " + at +
                 ", CASE WHEN i % 11 = 0 THEN NULL ELSE i % 9 END, i % 7 - 1, 1 + i % 3, i % 4, "
                 "i % 5, i % 6, i % 8, i % 3, i % 4, i % 5, i % 6, i % 2, i % 3, i % 4, i % 5, "
                 "i % 6, i % 7, i % 8, i % 9, '00:0' || (i % 10) || ':1' || (i % 6), "
                 "'00:1' || (i % 6) || ':0' || (i % 10), 1 + i % 3, 1 + i % 4 FROM n;",
             times + "INSERT INTO _3DRecords SELECT " + at +
                 ", 1 + i % 2, 500 + (i * 37) % 1600, 1 + i % 3 FROM n;"}));
        local_ = CreateRecNetLocal();
        ASSERT_TRUE(local_->Open(path_.c_str()));
        site_.localDb = local_;
        site_.localDB = path_;
    }
    void TearDown() override { DestroyRecNetLocal(&local_); }

    // The records of each bucket the plan's pass counts, one statement per bucket.
    std::vector<uint64_t> CountedByHand(const BucketPlan& plan) {
        const std::string condition =
            plan.pieces.parts.size() == 1 ? plan.pieces.parts[0].condition : plan.recordCondition;
        std::vector<uint64_t> out;
        for (const PlannedBucket& b : plan.buckets) {
            std::vector<SqlRow> rows;
            const std::string sql = "SELECT COUNT(*) FROM " + plan.pieces.table + " WHERE " +
                                    condition + " AND " + plan.pieces.timeColumn + " BETWEEN '" +
                                    SqlTimeText(b.from) + "' AND '" + SqlTimeText(b.to) + "'";
            EXPECT_TRUE(ExecuteWithRetry(site_, plan.family, sql, rows, QueryHooks{}));
            out.push_back(rows.empty() || rows[0].empty() ? 0 : static_cast<uint64_t>(rows[0][0]));
        }
        return out;
    }

    // The rows and steps of both ways; the pass must have answered. The pass that also counts
    // the records of each bucket gives the same rows, and the counts a statement per bucket
    // gives.
    void ExpectSameRows(const BucketPlan& plan, const std::string& what) {
        ASSERT_FALSE(plan.buckets.empty()) << what;
        VectorSink perBucket, pass, counting;
        CountingProgress stepsA, stepsB, stepsC;
        ASSERT_EQ(RunPlan(site_, plan, QueryHooks{&stepsA, nullptr, &perBucket}), 1) << what;
        ASSERT_EQ(RunPlanBucketPass(site_, plan, QueryHooks{&stepsB, nullptr, &pass}),
                  BucketPassResult::kDone)
            << what;
        CollectedCounts counts;
        ASSERT_EQ(RunPlanBucketPass(
                      site_, plan, QueryHooks{&stepsC, nullptr, &counting, nullptr, true, &counts}),
                  BucketPassResult::kDone)
            << what;
        EXPECT_EQ(stepsA.steps, stepsB.steps) << what;
        EXPECT_EQ(stepsA.steps, stepsC.steps) << what;
        ASSERT_EQ(perBucket.rows.size(), counting.rows.size()) << what;
        for (size_t i = 0; i < counting.rows.size(); ++i)
            EXPECT_EQ(perBucket.rows[i].values, counting.rows[i].values) << what << " row " << i;
        ASSERT_EQ(counts.all.size(), 1u) << what;
        EXPECT_EQ(counts.all[0].family, plan.family) << what;
        EXPECT_EQ(counts.all[0].buckets.size(), plan.buckets.size()) << what;
        EXPECT_EQ(counts.all[0].records, CountedByHand(plan)) << what;
        ASSERT_EQ(perBucket.rows.size(), pass.rows.size()) << what;
        bool anyValue = false;
        for (size_t i = 0; i < pass.rows.size(); ++i) {
            const RecordedRow& a = perBucket.rows[i];
            const RecordedRow& b = pass.rows[i];
            EXPECT_TRUE(a.from == b.from && a.to == b.to && a.kind == b.kind) << what << " " << i;
            EXPECT_EQ(a.values, b.values) << what << " row " << i;
            for (uint32_t value : a.values) anyValue = anyValue || value != 0;
        }
        EXPECT_TRUE(anyValue) << what << ": the file gives this plan no value at all";
    }

    TempFolder dir_;
    std::string path_;
    RecNetLocal* local_ = nullptr;
    SiteRecord site_;
};

TEST_F(BothWays, SameRowsForEveryCounterTypeAndRange) {
    const WorkingHourTable hours = ShopHours();
    const std::string cameras = CameraFilter({1, 3});
    for (int range : {kReportDay, kReportWeek, kReportMonth}) {
        const std::string in = " range " + std::to_string(range);
        ExpectSameRows(Plan2D(cameras, range, kDate, hours), "2D" + in);
        for (int mode : {0, 1, 2, 3})
            ExpectSameRows(Plan3D(cameras, range, kDate, 1100, 1500, mode, hours),
                           "3D mode " + std::to_string(mode) + in);
        for (int type = kAccess; type <= kQueue; ++type) {
            for (int measure = 0; measure < (type == kQueue ? 4 : 1); ++measure) {
                const std::vector<int> regions = {1, 3};
                const std::string select = SelectExpression(type, regions, measure);
                const std::string filter = GenericFilter(cameras, type, measure, regions);
                for (int period : {60, 15}) {
                    if (range != kReportDay && period != 60) continue;
                    ExpectSameRows(PlanGeneric(select, filter, TimeColumnOf(type), range, kDate,
                                               period, hours),
                                   "type " + std::to_string(type) + " measure " +
                                       std::to_string(measure) + " period " +
                                       std::to_string(period) + in);
                }
            }
        }
    }
}

}  // namespace

}  // namespace zl
