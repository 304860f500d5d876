// The two workers on fake record-database objects and a fake device: the camera filters and
// thresholds they send, the merge of several sites, the report table they build, the retry
// question and cancellation.
#include <gtest/gtest.h>

#include "QueryTestKit.h"
#include "query/QueryWorker.h"

namespace zl {

namespace {

const SYSTEMTIME kDate = MakeSysTime(2024, 3, 5);

SiteRecord LocalSite(RecNetLocal* db, std::initializer_list<int> cameras2D,
                     std::initializer_list<int> cameras3D = {}) {
    SiteRecord s;
    s.connectionType = kConnLocal;
    s.localDB = "/data";
    s.localDb = db;
    s.checked = 1;
    for (int c : cameras2D) s.cameras[c - 1] = CameraSlot{1, "c", nullptr, 1, 0, {}};
    for (int c : cameras3D) s.cameras[c - 1] = CameraSlot{1, "c", nullptr, 1, 1, {}};
    return s;
}

class Worker : public ::testing::Test {
  protected:
    QueryTables Tables() { return QueryTables{&people_, &threeD_, &report_}; }
    QueryParams Params(int type, int range = kReportDay) {
        QueryParams p;
        p.counterType = type;
        p.range = range;
        p.startDate = kDate;
        for (int k = 0; k < 7; ++k) {
            p.hours.start[k] = MakeSysTime(2000, 1, 1, 0, 0);
            p.hours.end[k] = MakeSysTime(2000, 1, 1, 23, 59);
        }
        return p;
    }
    CCountTable people_, threeD_;
    CReportTable report_;
    CountingProgress progress_;
    ScriptedPrompt prompt_{0};
};

TEST_F(Worker, CheckedCamerasTwoAndFiveMakeOneFilter) {
    FakeLocal db;
    SiteRecord site = LocalSite(&db, {2, 5});
    site.cameras[6] = CameraSlot{1, "unchecked", nullptr, 0, 0, {}};
    ASSERT_EQ(RunQuery(Params(1), {site}, &progress_, &prompt_, Tables()), kQueryDone);
    ASSERT_EQ(db.sql.size(), 24u);
    EXPECT_EQ(db.sql.front(),
              "SELECT SUM(Inward), SUM(Outward) from Records where (Camera= 2 OR Camera= 5) AND "
              "EnterTime BETWEEN '2024-03-05 00:00:00' AND '2024-03-05 00:59:59';");
    EXPECT_EQ(report_.Size(), 24u);
    EXPECT_EQ(report_.At(23).values[1], 2u);
    EXPECT_EQ(progress_.steps, 24);
    EXPECT_EQ(progress_.closed, 1);
}

struct ThresholdCase {
    int unit;
    int low, high;
    const char* below;
    const char* between;
    const char* above;
};

class Thresholds : public Worker, public ::testing::WithParamInterface<ThresholdCase> {};

TEST_P(Thresholds, AreSentInMillimetres) {
    const ThresholdCase& c = GetParam();
    FakeLocal db;
    db.row = {"3"};
    QueryParams p = Params(2, kReportWeek);
    p.heightClass = 1;
    p.heightUnit = c.unit;
    p.heightLow = c.low;
    p.heightHigh = c.high;
    ASSERT_EQ(RunQuery(p, {LocalSite(&db, {}, {1})}, &progress_, &prompt_, Tables()), kQueryDone);
    ASSERT_EQ(db.sql.size(), 7u * 6u);
    EXPECT_NE(db.sql[0].find(c.below), std::string::npos) << db.sql[0];
    EXPECT_NE(db.sql[2].find(c.between), std::string::npos) << db.sql[2];
    EXPECT_NE(db.sql[4].find(c.above), std::string::npos) << db.sql[4];
    // Only 3D cameras: the report is the 3D table, with all six height-class values.
    ASSERT_EQ(report_.Size(), 7u);
    EXPECT_EQ(people_.Size(), 0u);
    EXPECT_EQ(report_.At(0).valueCount, 6u);
    EXPECT_EQ(report_.At(0).values[5], 3u);
}

INSTANTIATE_TEST_SUITE_P(
    Units, Thresholds,
    ::testing::Values(ThresholdCase{0, 110, 150, "Height < 1100", "Height >=1100 AND Height <=1500",
                                    "Height > 1500"},
                      ThresholdCase{1, 110, 150, "Height < 2794", "Height >=2794 AND Height <=3810",
                                    "Height > 3810"},
                      // 25.4 x 7 = 177.8: truncated, not rounded.
                      ThresholdCase{1, 7, 9, "Height < 177", "Height >=177 AND Height <=228",
                                    "Height > 228"}));

TEST(ThresholdConversion, CentimetresAndInches) {
    EXPECT_EQ(ThresholdToMillimetres(110, 0), 1100);
    EXPECT_EQ(ThresholdToMillimetres(150, 1), 3810);
    EXPECT_EQ(ThresholdToMillimetres(-7, 1), -177);
    EXPECT_EQ(ThresholdToMillimetres(0, 1), 0);
}

TEST_F(Worker, TwoSitesOfOneDayAreSummedPerBucket) {
    FakeLocal a, b;
    b.row = {"10", "20"};
    ASSERT_EQ(RunQuery(Params(1), {LocalSite(&a, {1}), LocalSite(&b, {1, 2})}, &progress_, &prompt_,
                       Tables()),
              kQueryDone);
    ASSERT_EQ(report_.Size(), 24u);
    for (size_t i = 0; i < 24; ++i) {
        EXPECT_EQ(report_.At(i).values[0], 11u);
        EXPECT_EQ(report_.At(i).values[1], 22u);
    }
}

TEST_F(Worker, MixedSiteAddsThe3DInAndOutToThe2DRecords) {
    FakeLocal db;
    db.answer = [](const std::string& sql) {
        return sql.find("_3DRecords") != std::string::npos ? std::vector<std::string>{"5"}
                                                           : std::vector<std::string>{"1", "2"};
    };
    ASSERT_EQ(RunQuery(Params(2), {LocalSite(&db, {1}, {2})}, &progress_, &prompt_, Tables()),
              kQueryDone);
    ASSERT_EQ(report_.Size(), 24u);
    EXPECT_EQ(report_.At(0).values[0], 6u);
    EXPECT_EQ(report_.At(0).values[1], 7u);
}

TEST_F(Worker, NoCheckedSiteTouchesNothing) {
    const uint32_t v[] = {9};
    people_.Add(kDate, kDate, v, 1, 0);
    report_.Append(people_.At(0));
    EXPECT_EQ(RunQuery(Params(1), CheckedSites({}), &progress_, &prompt_, Tables()), kQueryNoSites);
    EXPECT_EQ(report_.Size(), 1u);
    EXPECT_EQ(people_.Size(), 1u);
}

TEST_F(Worker, CheckedSitesKeepListOrder) {
    SiteRecord a, b, c;
    a.name = "a";
    a.checked = 1;
    b.name = "b";
    c.name = "c";
    c.checked = 1;
    const std::vector<SiteRecord> picked = CheckedSites({a, b, c});
    ASSERT_EQ(picked.size(), 2u);
    EXPECT_EQ(picked[1].name, "c");
}

// Four failed attempts before the first question, one more per Yes, No ends the run with
// no report table and the progress closed.
class Retry : public Worker, public ::testing::WithParamInterface<int> {};

TEST_P(Retry, QuestionCountsAndAttempts) {
    const int yes = GetParam();
    FakeLocal db;
    db.fail = true;
    ScriptedPrompt prompt(yes);
    const uint32_t v[] = {9};
    report_.Append(CountRecord{});
    people_.Add(kDate, kDate, v, 1, 0);
    EXPECT_EQ(RunQuery(Params(1), {LocalSite(&db, {1})}, &progress_, &prompt, Tables()),
              kQueryFailed);
    EXPECT_EQ(prompt.Asked(), yes + 1);
    EXPECT_EQ(db.sql.size(), static_cast<size_t>(4 + yes));
    EXPECT_TRUE(progress_.aborted);
    EXPECT_EQ(progress_.closed, 1);
    EXPECT_EQ(report_.Size(), 0u);  // emptied at the start, not built
    EXPECT_EQ(people_.Size(), 0u);
    EXPECT_NE(prompt.LastMessage().find("/data"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Answers, Retry, ::testing::Values(0, 1, 3));

TEST_F(Worker, AFailedSiteEndsTheSiteLoop) {
    FakeLocal bad, good;
    bad.fail = true;
    EXPECT_EQ(RunQuery(Params(1), {LocalSite(&bad, {1}), LocalSite(&good, {1})}, &progress_,
                       &prompt_, Tables()),
              kQueryFailed);
    EXPECT_TRUE(good.sql.empty());
}

TEST_F(Worker, CancelMidRunStopsAtTheNextStep) {
    FakeLocal db;
    progress_.stopAt = 5;
    EXPECT_EQ(RunQuery(Params(5), {LocalSite(&db, {1})}, &progress_, &prompt_, Tables()),
              kQueryFailed);
    EXPECT_EQ(db.sql.size(), 5u);  // one bucket per hour, stopped after the fifth
    EXPECT_EQ(report_.Size(), 0u);
}

TEST_F(Worker, GeneralWorkerSendsTheTypesExpressionsAndPeriods) {
    FakeLocal db;
    db.row = {"4"};
    QueryParams p = Params(3);
    p.regionVisible = {1, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    p.periodMinutes = 15;
    SiteRecord site = LocalSite(&db, {1}, {2});  // a 3D camera never enters a general query
    ASSERT_EQ(RunQuery(p, {site}, &progress_, &prompt_, Tables()), kQueryDone);
    ASSERT_EQ(db.sql.size(), 96u);
    EXPECT_EQ(db.sql[41],
              "SELECT SUM(Count1)+SUM(Count3) from records where (Camera= 1) AND StartTime "
              "BETWEEN '2024-03-05 10:15:00' AND '2024-03-05 10:29:59';");
    ASSERT_EQ(report_.Size(), 96u);
    EXPECT_EQ(report_.At(0).valueCount, 1u);
    EXPECT_EQ(progress_.steps, 24);
}

TEST_F(Worker, QueueRegionsBindToEveryCamera) {
    FakeLocal db;
    db.row = {"4"};
    QueryParams p = Params(7, kReportMonth);
    p.queueType = 2;
    p.regionVisible = {1, 0, 1, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(RunQuery(p, {LocalSite(&db, {1, 2})}, &progress_, &prompt_, Tables()), kQueryDone);
    ASSERT_FALSE(db.sql.empty());
    EXPECT_NE(db.sql[0].find("((Camera= 1 OR Camera= 2) AND (Counter=1 OR Counter=3))"),
              std::string::npos)
        << db.sql[0];
    EXPECT_NE(db.sql[0].find("strftime('%H',ServedTime)*3600"), std::string::npos);
}

// The device path: every checked 2D camera is asked per bucket; calls that fail add nothing.
TEST_F(Worker, DevicePathSumsTheCamerasOfEachHour) {
    FakeDevice device;
    device.failCamera = 4;
    SiteRecord site = LocalSite(nullptr, {1, 3, 4}, {2});
    site.connectionType = kConnDevice;
    site.deviceLink = &device;
    ASSERT_EQ(RunQuery(Params(1), {site}, &progress_, &prompt_, Tables()), kQueryDone);
    ASSERT_EQ(device.calls.size(), 24u * 3u);
    ASSERT_EQ(report_.Size(), 24u);
    EXPECT_EQ(report_.At(0).values[0], 4u);
    EXPECT_EQ(report_.At(0).values[1], 8u);
    // Hours end at hh:59:59, so a record at the full hour is counted once.
    const SYSTEMTIME end = OleDateToSystemTime(device.calls[0].to);
    EXPECT_EQ(end.wHour, 0);
    EXPECT_EQ(end.wMinute, 59);
    EXPECT_EQ(end.wSecond, 59);
    EXPECT_EQ(report_.At(23).toHour, 23);
}

TEST_F(Worker, DeviceMonthIsTheRollingMonthEndingOnTheDate) {
    FakeDevice device;
    SiteRecord site = LocalSite(nullptr, {1});
    site.connectionType = kConnDevice;
    site.deviceLink = &device;
    QueryParams p = Params(1, kReportMonth);
    p.startDate = MakeSysTime(2024, 1, 15);
    ASSERT_EQ(RunQuery(p, {site}, &progress_, &prompt_, Tables()), kQueryDone);
    ASSERT_EQ(report_.Size(), 31u);
    EXPECT_EQ(report_.At(0).fromMonth, 12);
    EXPECT_EQ(report_.At(0).fromDay, 16);
    EXPECT_EQ(report_.At(30).fromMonth, 1);
    EXPECT_EQ(report_.At(30).fromDay, 15);
    EXPECT_EQ(report_.At(0).kind, kReportMonth);
}

TEST_F(Worker, DeviceWeekIsTheSevenDaysEndingOnTheDateInWorkingHours) {
    FakeDevice device;
    SiteRecord site = LocalSite(nullptr, {1});
    site.connectionType = kConnDevice;
    site.deviceLink = &device;
    QueryParams p = Params(1, kReportWeek);
    p.startDate = MakeSysTime(2024, 3, 10);  // a Sunday: the week runs Monday 4th to it
    p.hours.start[0] = MakeSysTime(2000, 1, 1, 8, 30);
    p.hours.end[0] = MakeSysTime(2000, 1, 1, 17, 15);
    p.hours.start[6] = MakeSysTime(2000, 1, 1, 10, 0);  // Sunday
    ASSERT_EQ(RunQuery(p, {site}, &progress_, &prompt_, Tables()), kQueryDone);
    ASSERT_EQ(report_.Size(), 7u);
    EXPECT_EQ(report_.At(0).fromDay, 4);
    EXPECT_EQ(report_.At(0).fromHour, 8);
    EXPECT_EQ(report_.At(0).fromMinute, 30);
    EXPECT_EQ(report_.At(0).toHour, 17);
    EXPECT_EQ(report_.At(0).toSecond, 59);
    EXPECT_EQ(report_.At(6).fromDay, 10);
    EXPECT_EQ(report_.At(6).fromHour, 10);
}

// A report of a database site and a device site: one row per bucket, each the sum of what the
// two sites give alone, for every range and for the 2D and the 3D type.
TEST_F(Worker, MixedDeviceAndDatabaseSitesShareTheirBuckets) {
    for (int type : {1, 2}) {
        for (int range : {kReportDay, kReportWeek, kReportMonth}) {
            SCOPED_TRACE("type " + std::to_string(type) + " range " + std::to_string(range));
            auto run = [&](std::vector<SiteRecord> sites) {
                people_.Clear();
                threeD_.Clear();
                report_.Clear();
                QueryParams p = Params(type, range);
                p.startDate = MakeSysTime(2024, 1, 15);
                EXPECT_EQ(RunQuery(p, sites, &progress_, &prompt_, Tables()), kQueryDone);
                return report_.Records();
            };
            FakeLocal db;
            db.row = {"3", "5"};
            FakeDevice device;
            SiteRecord local = type == 2 ? LocalSite(&db, {}, {1}) : LocalSite(&db, {1});
            SiteRecord dev = LocalSite(nullptr, {2});
            dev.connectionType = kConnDevice;
            dev.deviceLink = &device;

            const std::vector<CountRecord> a = run({local});
            const std::vector<CountRecord> b = run({dev});
            const std::vector<CountRecord> both = run({local, dev});
            ASSERT_EQ(a.size(), b.size());
            ASSERT_EQ(both.size(), a.size());
            for (size_t i = 0; i < both.size(); ++i) {
                EXPECT_EQ(both[i].fromDay, a[i].fromDay) << i;
                EXPECT_EQ(both[i].fromDay, b[i].fromDay) << i;
                EXPECT_EQ(both[i].fromHour, b[i].fromHour) << i;
                EXPECT_EQ(both[i].values[0], a[i].values[0] + b[i].values[0]) << i;
                EXPECT_EQ(both[i].values[1], a[i].values[1] + b[i].values[1]) << i;
            }
            EXPECT_EQ(both.back().fromDay, 15);
            EXPECT_EQ(both.back().fromMonth, 1);
        }
    }
}

TEST_F(Worker, DeviceSiteWithoutLinkGetsZeroRows) {
    SiteRecord site = LocalSite(nullptr, {1});
    site.connectionType = kConnDevice;
    ASSERT_EQ(RunQuery(Params(1), {site}, &progress_, &prompt_, Tables()), kQueryDone);
    ASSERT_EQ(report_.Size(), 24u);
    EXPECT_EQ(report_.At(5).values[0], 0u);
}

}  // namespace

}  // namespace zl
