// The report insights: peak and peak hour from result rows, the compared period and its run,
// and the coverage statements on real SQLite files with holes.
#include <gtest/gtest.h>

#include <cmath>

#include "QueryTestKit.h"
#include "data/SqlText.h"
#include "query/ClosedDays.h"
#include "query/Compare.h"
#include "query/Coverage.h"
#include "query/InsightRun.h"
#include "query/Peak.h"
#include "recnet/RecNet.h"
#include "store/SiteRecord.h"

namespace zl {

namespace {

CountRecord Row(int hour, int minute, int periodMinutes, std::vector<uint32_t> values,
                int kind = kRangeDay, int day = 20) {
    CountRecord r;
    r.fromYear = r.toYear = 2024;
    r.fromMonth = r.toMonth = 3;
    r.fromDay = r.toDay = static_cast<uint8_t>(day);
    r.fromHour = static_cast<uint8_t>(hour);
    r.fromMinute = static_cast<uint8_t>(minute);
    const int end = hour * 60 + minute + periodMinutes - 1;
    r.toHour = static_cast<uint8_t>(end / 60);
    r.toMinute = static_cast<uint8_t>(end % 60);
    r.toSecond = 59;
    r.kind = static_cast<uint8_t>(kind);
    for (size_t i = 0; i < values.size(); ++i) r.values[i] = values[i];
    r.valueCount = static_cast<uint32_t>(values.size());
    return r;
}

// A Day of 15-minute rows with the given "in" values from 00:00 on (the rest 0).
std::vector<CountRecord> QuarterDay(const std::vector<uint32_t>& in, int periodMinutes = 15) {
    std::vector<CountRecord> rows;
    for (int m = 0; m < 24 * 60; m += periodMinutes) {
        const size_t k = static_cast<size_t>(m / periodMinutes);
        rows.push_back(Row(m / 60, m % 60, periodMinutes, {k < in.size() ? in[k] : 0u, 1u}));
    }
    return rows;
}

TEST(Peak, BucketShareAndEarliestOfEquals) {
    std::vector<CountRecord> rows = QuarterDay({0, 5, 9, 9, 2});
    const PeakResult p = ComputePeak(rows, 1, 2, kRangeDay, 60);
    ASSERT_TRUE(p.in.found);
    EXPECT_EQ(p.in.row, 2u);  // 9 twice: the earlier one
    EXPECT_EQ(p.in.value, 9u);
    EXPECT_EQ(p.in.total, 25u);
    EXPECT_DOUBLE_EQ(p.in.share, 9.0 / 25.0);
    EXPECT_FALSE(p.volume.found);  // only traffic counters have a volume peak
    EXPECT_FALSE(p.hour.found);    // 60-minute periods: no peak hour

    const PeakResult none = ComputePeak(QuarterDay({}), 1, 2, kRangeDay, 15);
    EXPECT_FALSE(none.in.found);
    EXPECT_FALSE(none.hour.found);
    EXPECT_FALSE(ComputePeak({}, 1, 2, kRangeDay, 15).in.found);
}

TEST(Peak, HourSlidesByThePeriodAndFactorUsesItsQuarters) {
    // 01:15-02:15 holds 10+40+20+10 = 80, more than any hour on the quarter grid.
    std::vector<uint32_t> in(96, 0);
    in[5] = 10;
    in[6] = 40;
    in[7] = 20;
    in[8] = 10;
    in[9] = 3;
    const std::vector<CountRecord> rows = QuarterDay(in);
    const PeakResult p = ComputePeak(rows, 3, 1, kRangeDay, 15);
    ASSERT_TRUE(p.hour.found);
    EXPECT_EQ(p.hour.firstRow, 5u);
    EXPECT_EQ(p.hour.lastRow, 8u);
    EXPECT_EQ(p.hour.volume, 80u);
    EXPECT_EQ(p.hour.largestPart, 40u);
    EXPECT_DOUBLE_EQ(p.hour.factor, 80.0 / (4 * 40.0));

    // 5-minute periods: quarters are three periods from the hour's start.
    std::vector<uint32_t> five(288, 0);
    for (int k = 0; k < 12; ++k) five[static_cast<size_t>(120 + k)] = k < 3 ? 10 : 2;
    const PeakResult q = ComputePeak(QuarterDay(five, 5), 3, 1, kRangeDay, 5);
    ASSERT_TRUE(q.hour.found);
    EXPECT_EQ(q.hour.firstRow, 120u);
    EXPECT_EQ(q.hour.volume, 48u);
    EXPECT_EQ(q.hour.largestPart, 30u);
    EXPECT_EQ(q.hour.partMinutes, 15);
    EXPECT_DOUBLE_EQ(q.hour.factor, 48.0 / 120.0);

    // 10-minute periods cannot form quarters: six periods.
    std::vector<uint32_t> ten(144, 0);
    ten[60] = 12;
    ten[61] = 6;
    const PeakResult t = ComputePeak(QuarterDay(ten, 10), 3, 1, kRangeDay, 10);
    ASSERT_TRUE(t.hour.found);
    EXPECT_EQ(t.hour.partMinutes, 10);
    EXPECT_DOUBLE_EQ(t.hour.factor, 18.0 / (6 * 12.0));
    // An hour never reaches past the day: the last window starts at 23:00.
    std::vector<uint32_t> late(96, 0);
    late[95] = 7;
    const PeakResult l = ComputePeak(QuarterDay(late), 3, 1, kRangeDay, 15);
    ASSERT_TRUE(l.hour.found);
    EXPECT_EQ(l.hour.firstRow, 92u);
}

TEST(Peak, MeasuresOfTheCounterTypes) {
    // Traffic: the volume counts every direction, the "in" peak only the even values.
    std::vector<CountRecord> rows{Row(8, 0, 60, {1, 9, 1, 9}), Row(9, 0, 60, {5, 0, 5, 0})};
    const PeakResult p = ComputePeak(rows, 6, 4, kRangeWeek, 60);
    EXPECT_EQ(p.in.row, 1u);
    EXPECT_EQ(p.volume.row, 0u);
    EXPECT_EQ(p.volume.value, 20u);
    EXPECT_FALSE(p.hour.found);  // not a Day report
    // Occupancy is an average: a peak but no share, no peak hour.
    const PeakResult z = ComputePeak(QuarterDay({3, 8, 1}), 4, 1, kRangeDay, 15);
    EXPECT_TRUE(z.in.found);
    EXPECT_LT(z.in.share, 0.0);
    EXPECT_FALSE(z.hour.found);
    // 3D people counter in three height classes: in = values 0, 2, 4.
    EXPECT_EQ(PeakMeasureOf(2, 6).in, (std::vector<int>{0, 2, 4}));
}

SYSTEMTIME Day(int y, int m, int d) {
    return MakeSysTime(y, m, d);
}

void ExpectDate(const SYSTEMTIME& t, int y, int m, int d) {
    EXPECT_EQ(t.wYear, y);
    EXPECT_EQ(t.wMonth, m);
    EXPECT_EQ(t.wDay, d);
}

TEST(Compare, ComparedPeriods) {
    ExpectDate(ComparedDate(kReportDay, Day(2024, 3, 1), kComparePrevious), 2024, 2, 29);
    ExpectDate(ComparedDate(kReportDay, Day(2024, 3, 1), kComparePreviousWeekday), 2024, 2, 23);
    ExpectDate(ComparedDate(kReportWeek, Day(2024, 3, 1), kComparePrevious), 2024, 2, 23);
    ExpectDate(ComparedDate(kReportWeek, Day(2024, 3, 1), kComparePreviousWeekday), 2024, 2, 23);
    // The rolling month to 31 March begins on 1 March: the one before ends on 29 February.
    ExpectDate(ComparedDate(kReportMonth, Day(2024, 3, 31), kComparePrevious), 2024, 2, 29);
    ExpectDate(ComparedDate(kReportMonth, Day(2024, 3, 20), kComparePrevious), 2024, 2, 20);
    // A year back on the same weekday.
    const SYSTEMTIME ly = ComparedDate(kReportDay, Day(2024, 3, 20), kCompareLastYear);
    ExpectDate(ly, 2023, 3, 22);
    EXPECT_EQ(DayOfWeek(2023, 3, 22), DayOfWeek(2024, 3, 20));

    CompareMode mode = kCompareNone;
    EXPECT_TRUE(ParseCompareMode("last-year", &mode));
    EXPECT_EQ(mode, kCompareLastYear);
    EXPECT_FALSE(ParseCompareMode("yesterday", &mode));
    EXPECT_STREQ(CompareModeName(kComparePreviousWeekday), "previous-weekday");
}

TEST(Compare, AlignmentSkipsLeftOutRowsAndChangeNeedsABase) {
    EXPECT_EQ(AlignCompared(3, 2, {}, {}), (std::vector<int>{0, 1, -1}));
    EXPECT_EQ(AlignCompared(4, 4, {false, true, false, false}, {true, false, false, false}),
              (std::vector<int>{1, -1, 2, 3}));
    double pct = 0.0;
    EXPECT_FALSE(PercentChange(5, 0, &pct));
    ASSERT_TRUE(PercentChange(5, 4, &pct));
    EXPECT_DOUBLE_EQ(pct, 25.0);
    ASSERT_TRUE(PercentChange(0, 4, &pct));
    EXPECT_DOUBLE_EQ(pct, -100.0);
}

// A 2D people-counter file: cameras 1 and 2 every 15 minutes, 08:00-19:45, 18-20 March 2024
// with holes: camera 2 offline 10:00-12:59 on the 20th, nothing at all on the 19th, and the
// data ends on the 20th at 16:45.
class InsightsDb : public ::testing::Test {
  protected:
    void SetUp() override {
        CountingDb db(dir_.File("p.db"));
        db.People2D();
        for (int day : {18, 20})
            for (int m = 8 * 60; m < 20 * 60; m += 15) {
                if (day == 20 && m > 16 * 60 + 45) break;
                char t[32];
                std::snprintf(t, sizeof t, "2024-03-%02d %02d:%02d:00", day, m / 60, m % 60);
                for (int camera : {1, 2}) {
                    if (day == 20 && camera == 2 && m >= 10 * 60 && m < 13 * 60) continue;
                    db.Camera(camera).Record(t, {day == 18 ? 2 : 1, 1});
                }
            }
        ASSERT_TRUE(db.Write());
        ASSERT_EQ(RecNetCreateLocal(&site_.localDb), 1);
        ASSERT_EQ(site_.localDb->Open(dir_.File("p.db").c_str()), 1);
        site_.connectionType = kConnLocal;
        site_.localDB = dir_.File("p.db");
        site_.checked = 1;
        for (int c : {0, 1})
            site_.cameras[static_cast<size_t>(c)] = CameraSlot{1, "c", nullptr, 1, 0, {}};
        params_.counterType = 1;
        params_.range = kReportDay;
        params_.startDate = Day(2024, 3, 20);
    }
    void TearDown() override { DestroyRecNetLocal(&site_.localDb); }

    TempFolder dir_;
    SiteRecord site_;
    QueryParams params_;
};

TEST_F(InsightsDb, ComparisonRunsInOneProgressAndCancelLeavesNoReport) {
    CCountTable people, threeD, people2, threeD2;
    CReportTable report, report2;
    CountingProgress progress;
    params_.range = kReportDay;
    params_.startDate = Day(2024, 3, 20);
    ASSERT_EQ(RunComparedQuery(params_, kComparePreviousWeekday, {site_}, &progress, nullptr,
                               {&people, &threeD, &report}, {&people2, &threeD2, &report2}),
              kQueryDone);
    EXPECT_EQ(progress.closed, 1);
    EXPECT_EQ(progress.steps, 48);  // 24 hours of each day
    ASSERT_EQ(report.Size(), 24u);
    ASSERT_EQ(report2.Size(), 24u);
    EXPECT_EQ(report2.At(9).fromDay, 13);  // a week before: no data, zeros
    EXPECT_EQ(report2.At(9).values[0], 0u);
    EXPECT_EQ(report.At(9).values[0], 8u);  // 09:00, two cameras, four quarters, 1 each

    CReportTable again;
    CountingProgress cancel;
    cancel.stopAt = 31;  // within the compared day
    EXPECT_EQ(RunComparedQuery(params_, kComparePrevious, {site_}, &cancel, nullptr,
                               {&people, &threeD, &again}, {&people2, &threeD2, &report2}),
              kQueryFailed);
    EXPECT_EQ(again.Size(), 0u);
    EXPECT_EQ(cancel.closed, 1);
}

TEST_F(InsightsDb, CoverageOfADayWithACameraOfflineAndDataEnding) {
    ReportCoverage cov;
    CountingProgress progress;
    ASSERT_TRUE(MeasureCoverage(params_, {site_}, {"shop"}, &progress, nullptr, &cov));
    ASSERT_EQ(cov.sites.size(), 1u);
    const SiteCoverage& s = cov.sites[0];
    ASSERT_TRUE(s.measured);
    EXPECT_EQ(s.intervalSeconds, 900);
    ASSERT_EQ(s.buckets.size(), 24u);
    EXPECT_FALSE(s.buckets[7].any);
    EXPECT_DOUBLE_EQ(s.buckets[9].Ratio(), 1.0);
    EXPECT_EQ(s.buckets[10].present, 4u);  // camera 2 offline: 4 of 8
    EXPECT_EQ(s.buckets[10].expected, 8u);
    EXPECT_DOUBLE_EQ(s.buckets[12].Ratio(), 0.5);
    EXPECT_DOUBLE_EQ(s.buckets[13].Ratio(), 1.0);
    EXPECT_FALSE(s.buckets[17].any);          // the data ended at 16:45
    EXPECT_EQ(cov.EmptyBuckets(), 24u - 9u);  // 08:00-16:59 hold records
    EXPECT_TRUE(s.partial);
    ASSERT_TRUE(s.hasLast);
    EXPECT_EQ(SqlTimeText(s.lastRecord), "2024-03-20 16:45:00");
    EXPECT_EQ(cov.BucketAt(MakeSysTime(2024, 3, 20, 10)), 10);
    EXPECT_EQ(progress.steps, 1);

    // The day without records: nothing anywhere, but the data goes on after it (not partial).
    params_.startDate = Day(2024, 3, 19);
    ASSERT_TRUE(MeasureCoverage(params_, {site_}, {"shop"}, &progress, nullptr, &cov));
    EXPECT_EQ(cov.EmptyBuckets(), 24u);
    EXPECT_EQ(cov.sites[0].records, 0u);
    EXPECT_FALSE(cov.sites[0].partial);
    EXPECT_EQ(SqlTimeText(cov.sites[0].lastRecord), "2024-03-20 16:45:00");
}

TEST_F(InsightsDb, CoverageOfAWeekCutToWorkingHoursAndAMonth) {
    params_.range = kReportWeek;
    for (size_t k = 0; k < 7; ++k) {
        params_.hours.start[k] = MakeSysTime(2024, 1, 1, 9, 0);
        params_.hours.end[k] = MakeSysTime(2024, 1, 1, 10, 59);
    }
    ReportCoverage cov;
    ASSERT_TRUE(MeasureCoverage(params_, {site_}, {"shop"}, nullptr, nullptr, &cov));
    ASSERT_EQ(cov.total.size(), 7u);
    // 18 March: 2 cameras x 8 quarters; 19th: none; 20th: camera 2 misses 10:00-10:59.
    EXPECT_EQ(cov.total[4].present, 16u);
    EXPECT_EQ(cov.total[4].expected, 16u);
    EXPECT_FALSE(cov.total[5].any);
    EXPECT_EQ(cov.total[6].present, 12u);
    EXPECT_EQ(cov.EmptyBuckets(), 5u);  // 14-17 and 19 March

    params_.range = kReportMonth;
    ASSERT_TRUE(MeasureCoverage(params_, {site_}, {"shop"}, nullptr, nullptr, &cov));
    ASSERT_EQ(cov.total.size(), 29u);  // 21 February to 20 March
    EXPECT_EQ(cov.total[28].expected, 2u * 96u);
    EXPECT_EQ(cov.total[28].present, 2u * 36u - 12u);
    // The data's last day is the period's: the closing hours are no missing data.
    EXPECT_FALSE(cov.sites[0].partial);
    params_.startDate = Day(2024, 3, 22);
    ASSERT_TRUE(MeasureCoverage(params_, {site_}, {"shop"}, nullptr, nullptr, &cov));
    EXPECT_TRUE(cov.sites[0].partial);
    EXPECT_EQ(SqlTimeText(cov.sites[0].lastRecord), "2024-03-20 16:45:00");
}

// The coverage read from the report's own pass is the coverage measured on its own.
TEST_F(InsightsDb, CoverageFromTheReportsPassEqualsItsOwnStatement) {
    for (int range : {kReportDay, kReportWeek, kReportMonth}) {
        for (const SYSTEMTIME& day : {Day(2024, 3, 19), Day(2024, 3, 20), Day(2024, 3, 22)}) {
            params_.range = range;
            params_.startDate = day;
            ReportCoverage alone;
            ASSERT_TRUE(MeasureCoverage(params_, {site_}, {"shop"}, nullptr, nullptr, &alone));
            CCountTable people, threeD;
            CReportTable report;
            ReportInsights insights;
            insights.hasCoverage = true;
            ASSERT_EQ(RunReportWithInsights(params_, {site_}, {"shop"}, nullptr, nullptr, &insights,
                                            {&people, &threeD, &report}),
                      kQueryDone);
            const ReportCoverage& fromPass = insights.coverage;
            const std::string what =
                "range " + std::to_string(range) + " day " + std::to_string(day.wDay);
            ASSERT_EQ(fromPass.total.size(), alone.total.size()) << what;
            for (size_t b = 0; b < alone.total.size(); ++b) {
                EXPECT_EQ(fromPass.total[b].any, alone.total[b].any) << what << " " << b;
                EXPECT_EQ(fromPass.total[b].present, alone.total[b].present) << what << " " << b;
                EXPECT_EQ(fromPass.total[b].expected, alone.total[b].expected) << what << " " << b;
            }
            ASSERT_EQ(fromPass.sites.size(), 1u);
            EXPECT_EQ(fromPass.sites[0].records, alone.sites[0].records) << what;
            EXPECT_EQ(fromPass.sites[0].intervalSeconds, alone.sites[0].intervalSeconds) << what;
            EXPECT_EQ(fromPass.sites[0].partial, alone.sites[0].partial) << what;
            if (day.wDay == 20) {
                EXPECT_EQ(fromPass.sites[0].intervalSeconds, 900) << what;
            }
        }
    }
}

TEST(CoverageCounts, FinerPassBucketsAddUpIntoTheCoverageBuckets) {
    const auto span = [](int h0, int m0, int h1, int m1) {
        return tagDSSYSTIMEPERIOD{MakeSysTime(2024, 3, 20, h0, m0),
                                  MakeSysTime(2024, 3, 20, h1, m1, 59)};
    };
    const std::vector<tagDSSYSTIMEPERIOD> hours = {span(8, 0, 8, 59), span(9, 0, 9, 59)};
    PassRecordCounts pass;
    pass.buckets = {span(8, 0, 8, 14),  span(8, 15, 8, 29), span(8, 30, 8, 44),
                    span(8, 45, 8, 59), span(9, 0, 9, 29),  span(9, 30, 9, 59)};
    pass.records = {1, 2, 3, 4, 5, 6};
    SourceCounts counts;
    ASSERT_TRUE(CountsFromPass(hours, pass, &counts));
    EXPECT_EQ(counts, (SourceCounts{10, 11}));
    // The same buckets: taken as they are.
    PassRecordCounts same;
    same.buckets = hours;
    same.records = {7, 0};
    ASSERT_TRUE(CountsFromPass(hours, same, &counts));
    EXPECT_EQ(counts, (SourceCounts{7, 0}));
    // A quarter missing, or a pass bucket across two hours: the pass cannot say.
    PassRecordCounts gap = pass;
    gap.buckets.erase(gap.buckets.begin() + 1);
    gap.records.pop_back();
    EXPECT_FALSE(CountsFromPass(hours, gap, &counts));
    PassRecordCounts across;
    across.buckets = {span(8, 0, 8, 29), span(8, 30, 9, 29), span(9, 30, 9, 59)};
    across.records = {1, 1, 1};
    EXPECT_FALSE(CountsFromPass(hours, across, &counts));
}

TEST_F(InsightsDb, AFailingSourceLeavesTheSiteUnmeasured) {
    SiteRecord broken = site_;
    RecNetLocal* other = nullptr;
    ASSERT_EQ(RecNetCreateLocal(&other), 1);
    ASSERT_TRUE(MakeDb(dir_.File("b.db"), {"CREATE TABLE Other(x INT);"}));
    ASSERT_EQ(other->Open(dir_.File("b.db").c_str()), 1);
    broken.localDb = other;
    ReportCoverage cov;
    CountingProgress progress;
    EXPECT_TRUE(
        MeasureCoverage(params_, {broken, site_}, {"broken", "shop"}, &progress, nullptr, &cov));
    DestroyRecNetLocal(&other);
    EXPECT_FALSE(progress.aborted);  // the report stands
    ASSERT_EQ(cov.sites.size(), 2u);
    EXPECT_FALSE(cov.sites[0].measured);
    EXPECT_TRUE(cov.sites[1].measured);
    EXPECT_TRUE(cov.total[9].any);
}

}  // namespace

namespace {

TEST(ClosedDays, ParsedSavedAndAppliedToWeekAndMonthRows) {
    std::set<int> weekdays, dates;
    std::string bad;
    EXPECT_TRUE(ParseClosedWeekdays("0, 6", &weekdays, &bad));
    EXPECT_EQ(weekdays, (std::set<int>{0, 6}));
    EXPECT_FALSE(ParseClosedWeekdays("1,7", &weekdays, &bad));
    EXPECT_EQ(bad, "7");
    EXPECT_TRUE(ParseClosedDates("2024-12-25\n2024-02-29,", &dates, &bad));
    EXPECT_EQ(ClosedDatesText(dates), "2024-02-29,2024-12-25");
    EXPECT_FALSE(ParseClosedDates("2023-02-29", &dates, &bad));
    EXPECT_FALSE(ParseClosedDates("2024-1-05", &dates, &bad));
    EXPECT_EQ(bad, "2024-1-05");

    TempFolder dir;
    const std::string file = dir.File("Setting .ini");
    ASSERT_TRUE(MakeDb(dir.File("x.db"), {}));  // the folder exists
    ClosedDays days;
    days.weekdays = {0};
    days.dates = {20240320};
    ASSERT_TRUE(SaveClosedDays(file, days));
    const ClosedDays back = LoadClosedDays(file);
    EXPECT_EQ(back.weekdays, days.weekdays);
    EXPECT_EQ(back.dates, days.dates);
    EXPECT_TRUE(LoadClosedDays(dir.File("missing.ini")).Empty());

    // 17 March 2024 is a Sunday, the 20th a closed date.
    std::vector<CountRecord> rows;
    for (int d = 16; d <= 21; ++d)
        rows.push_back(Row(0, 0, 60, {10u * static_cast<uint32_t>(d)}, kRangeMonth, d));
    const std::vector<bool> closed = ClosedRows(rows, kRangeMonth, back);
    EXPECT_EQ(closed, (std::vector<bool>{false, true, false, false, true, false}));
    EXPECT_EQ(ClosedRows(rows, kRangeDay, back), std::vector<bool>(6, false));
    double average = 0.0;
    ASSERT_TRUE(OpenDayAverage(rows, closed, {0}, &average));
    EXPECT_DOUBLE_EQ(average, (160 + 180 + 190 + 210) / 4.0);
    EXPECT_FALSE(OpenDayAverage(rows, std::vector<bool>(6, true), {0}, &average));
}

}  // namespace

}  // namespace zl
