// A comparison reads both periods in one bucket pass per site, also with days between them: its
// rows (and the coverage counted in the pass) are those of two separate reports, on a real file
// with and without an index on the time column.
#include <gtest/gtest.h>

#include <cstdio>

#include "QueryTestKit.h"
#include "data/BucketPassRun.h"
#include "data/PassPairing.h"
#include "data/SqlBuilders.h"
#include "query/Compare.h"
#include "query/InsightRun.h"
#include "store/SiteRecord.h"

namespace zl {

namespace {

std::string RowText(const CountRecord& r) {
    char head[96];
    std::snprintf(head, sizeof head, "%04d-%02d-%02d %02d:%02d:%02d..%02d-%02d %02d:%02d:%02d k%d",
                  r.fromYear, r.fromMonth, r.fromDay, r.fromHour, r.fromMinute, r.fromSecond,
                  r.toMonth, r.toDay, r.toHour, r.toMinute, r.toSecond, r.kind);
    std::string out = head;
    for (uint32_t i = 0; i < r.valueCount && i < 10; ++i) out += " " + std::to_string(r.values[i]);
    return out;
}

std::vector<std::string> Texts(const std::vector<CountRecord>& rows) {
    std::vector<std::string> out;
    for (const CountRecord& r : rows) out.push_back(RowText(r));
    return out;
}

// Cameras 1 and 2 every hour from 1 January to 31 March 2024 (values changing by day and
// hour), nothing on 5 March and from 14:00 on 20 March.
class ComparePassDb : public ::testing::Test {
  protected:
    void SetUp() override {
        std::vector<std::string> sql{
            "CREATE TABLE Records(EnterTime TEXT, Inward INT, Outward INT, Camera INT);", "BEGIN;"};
        for (int month = 1; month <= 3; ++month)
            for (int day = 1; day <= (month == 2 ? 29 : 31); ++day) {
                if (month == 3 && day == 5) continue;
                for (int hour = 0; hour < 24; ++hour) {
                    if (month == 3 && day == 20 && hour >= 14) continue;
                    for (int camera : {1, 2}) {
                        char t[160];
                        std::snprintf(
                            t, sizeof t,
                            "INSERT INTO Records VALUES('2024-%02d-%02d %02d:00:00',%d,%d,"
                            "%d);",
                            month, day, hour, (day * 7 + hour * camera) % 11, (day + hour) % 5,
                            camera);
                        sql.push_back(t);
                    }
                }
            }
        sql.push_back("COMMIT;");
        ASSERT_TRUE(MakeDb(file_, sql));
        ASSERT_EQ(RecNetCreateLocal(&site_.localDb), 1);
        ASSERT_EQ(site_.localDb->Open(file_.c_str()), 1);
        site_.connectionType = kConnLocal;
        site_.localDB = file_;
        site_.checked = 1;
        for (int c : {0, 1})
            site_.cameras[static_cast<size_t>(c)] = CameraSlot{1, "c", nullptr, 1, 0, {}};
        params_.counterType = 1;
    }
    void TearDown() override { DestroyRecNetLocal(&site_.localDb); }

    std::vector<CountRecord> Alone(const SYSTEMTIME& date) {
        QueryParams p = params_;
        p.startDate = date;
        CCountTable people, threeD;
        CReportTable report;
        EXPECT_EQ(RunQuery(p, {site_}, nullptr, nullptr, {&people, &threeD, &report}), kQueryDone);
        return report.Records();
    }

    TempFolder dir_;
    std::string file_ = dir_.File("c.db");
    SiteRecord site_;
    QueryParams params_;
};

TEST_F(ComparePassDb, ComparedPeriodInOnePassGivesTheRowsOfTwoReports) {
    for (bool indexed : {false, true}) {
        if (indexed) {
            ASSERT_TRUE(MakeDb(file_, {"CREATE INDEX ByTime ON Records(EnterTime);"}));
        }
        for (int range : {kReportDay, kReportWeek, kReportMonth}) {
            for (CompareMode mode : {kComparePrevious, kComparePreviousWeekday, kCompareLastYear}) {
                for (int day : {6, 21}) {
                    params_.range = range;
                    params_.startDate = MakeSysTime(2024, 3, day);
                    const std::string what = std::string(indexed ? "indexed" : "plain") +
                                             " range " + std::to_string(range) + " day " +
                                             std::to_string(day) + " " + CompareModeName(mode);
                    const SYSTEMTIME before = ComparedDate(range, params_.startDate, mode);

                    // The joined pass itself: the current rows delivered, the earlier ones kept.
                    const std::string filter = CameraFilter(CheckedCameras(site_, false));
                    const BucketPlan now = Plan2D(filter, range, params_.startDate, params_.hours);
                    const BucketPlan earlier = Plan2D(filter, range, before, params_.hours);
                    PassPairing pairing(before);
                    QueryHooks hooks;
                    hooks.bucketPass = true;
                    hooks.earlierInPass = &pairing;
                    ASSERT_EQ(RunJoinedBucketPass(site_, now, earlier, hooks),
                              zl::recnet::BucketPassResult::kDone)
                        << what;
                    zl::recnet::BucketPass pass;
                    ASSERT_TRUE(BucketPassOf(earlier, &pass));
                    zl::recnet::BucketRows rows;
                    std::string statement;
                    EXPECT_TRUE(pairing.Take(BucketPassHandle(site_, kFamily2D), pass, false, &rows,
                                             &statement))
                        << what;
                    EXPECT_EQ(rows.size(), earlier.buckets.size()) << what;

                    // The whole comparison, with the coverage counted in its pass.
                    ReportInsights insights, plain;
                    insights.mode = mode;
                    insights.hasCoverage = plain.hasCoverage = true;
                    CCountTable people, threeD, people2, threeD2;
                    CReportTable report, report2;
                    ASSERT_EQ(RunReportWithInsights(params_, {site_}, {"shop"}, nullptr, nullptr,
                                                    &insights, {&people, &threeD, &report}),
                              kQueryDone)
                        << what;
                    ASSERT_EQ(RunReportWithInsights(params_, {site_}, {"shop"}, nullptr, nullptr,
                                                    &plain, {&people2, &threeD2, &report2}),
                              kQueryDone)
                        << what;
                    EXPECT_EQ(Texts(report.Records()), Texts(Alone(params_.startDate))) << what;
                    EXPECT_EQ(Texts(report.Records()), Texts(report2.Records())) << what;
                    EXPECT_EQ(Texts(insights.compared), Texts(Alone(before))) << what;
                    ASSERT_EQ(insights.coverage.total.size(), plain.coverage.total.size()) << what;
                    for (size_t b = 0; b < plain.coverage.total.size(); ++b) {
                        EXPECT_EQ(insights.coverage.total[b].any, plain.coverage.total[b].any)
                            << what;
                        EXPECT_EQ(insights.coverage.total[b].present,
                                  plain.coverage.total[b].present)
                            << what << " " << b;
                    }
                }
            }
        }
    }
}

TEST_F(ComparePassDb, PeriodsThatOverlapOrDifferAreNotJoined) {
    params_.range = kReportDay;
    const std::string filter = CameraFilter(CheckedCameras(site_, false));
    const BucketPlan now = Plan2D(filter, kReportDay, MakeSysTime(2024, 3, 21), params_.hours);
    const BucketPlan sameDay = Plan2D(filter, kReportDay, MakeSysTime(2024, 3, 21), params_.hours);
    PassPairing pairing(MakeSysTime(2024, 3, 14));
    QueryHooks hooks;
    hooks.bucketPass = true;
    EXPECT_EQ(
        RunJoinedBucketPass(
            site_, now, Plan2D(filter, kReportDay, MakeSysTime(2024, 3, 20), params_.hours), hooks),
        zl::recnet::BucketPassResult::kUnusable);  // no pairing asked
    hooks.earlierInPass = &pairing;
    EXPECT_EQ(RunJoinedBucketPass(site_, now, sameDay, hooks),
              zl::recnet::BucketPassResult::kUnusable);  // overlapping
    EXPECT_EQ(
        RunJoinedBucketPass(
            site_, now, Plan2D("(Camera = 1)", kReportDay, MakeSysTime(2024, 3, 20), params_.hours),
            hooks),
        zl::recnet::BucketPassResult::kUnusable);  // other cameras
}

// A cancel in the joined pass or in the compared period's run ends the run as failed with no
// report.
TEST_F(ComparePassDb, ACancelAnywhereInAJoinedComparisonLeavesNoReport) {
    params_.range = kReportMonth;
    params_.startDate = MakeSysTime(2024, 3, 21);
    for (int stopAt : {1, 5, 20, 40}) {
        testsupport::CountingProgress progress;
        progress.stopAt = stopAt;
        ReportInsights insights;
        insights.mode = kCompareLastYear;
        CCountTable people, threeD;
        CReportTable report;
        EXPECT_EQ(RunReportWithInsights(params_, {site_}, {"shop"}, &progress, nullptr, &insights,
                                        {&people, &threeD, &report}),
                  kQueryFailed)
            << stopAt;
        EXPECT_TRUE(report.Records().empty()) << stopAt;
    }
}

}  // namespace

}  // namespace zl
