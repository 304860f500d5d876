// Result tables: merging rows of one bucket, the record limit, the report table built from
// the people and 3D tables.
#include <gtest/gtest.h>

#include "query/CountTable.h"

namespace zl {

namespace {

SYSTEMTIME At(int day, int hour, int minute = 0, int second = 0) {
    return MakeSysTime(2024, 3, day, hour, minute, second);
}

TEST(CountTable, RowsOfOneBucketStartAreSummedAndTheNewRowWins) {
    CCountTable t;
    const uint32_t a[] = {1, 2, 3, 4};
    const uint32_t b[] = {10, 20};
    t.Add(At(5, 10), At(5, 10, 59, 59), a, 4, 0);
    t.Add(At(5, 11), At(5, 11, 59, 59), a, 4, 0);
    t.Add(At(5, 10), At(5, 10, 30, 0), b, 2, 1);
    ASSERT_EQ(t.Size(), 2u);
    const CountRecord& r = t.At(0);
    EXPECT_EQ(r.values[0], 11u);
    EXPECT_EQ(r.values[1], 22u);
    // Beyond the new count the values are those of the new row: 0.
    EXPECT_EQ(r.values[2], 0u);
    EXPECT_EQ(r.valueCount, 2u);
    EXPECT_EQ(r.kind, 1);
    EXPECT_EQ(r.toMinute, 30);
    EXPECT_EQ(r.toHour, 10);
    EXPECT_EQ(t.At(1).fromHour, 11);
}

TEST(CountTable, BucketStartsDifferingOnlyInSecondsAreDifferentBuckets) {
    CCountTable t;
    const uint32_t v[] = {1};
    t.Add(At(5, 10, 0, 0), At(5, 10), v, 1, 0);
    t.Add(At(5, 10, 0, 1), At(5, 10), v, 1, 0);
    t.Add(At(6, 10, 0, 0), At(6, 10), v, 1, 0);
    EXPECT_EQ(t.Size(), 3u);
}

TEST(CountTable, CountAboveTenIsCutAndNegativeCountKeepsNoValue) {
    CCountTable t;
    uint32_t v[12];
    for (int i = 0; i < 12; ++i) v[i] = static_cast<uint32_t>(i + 1);
    t.Add(At(5, 1), At(5, 1), v, 12, 0);
    EXPECT_EQ(t.At(0).valueCount, 10u);
    EXPECT_EQ(t.At(0).values[9], 10u);
    t.Add(At(5, 2), At(5, 2), v, -3, 0);
    EXPECT_EQ(t.At(1).valueCount, 0u);
    EXPECT_EQ(t.At(1).values[0], 0u);
}

TEST(CountTable, TakesNoMoreThan32767RecordsButStillMergesNothingPastIt) {
    CCountTable t;
    const uint32_t v[] = {1};
    SYSTEMTIME from = At(1, 0);
    for (size_t i = 0; i < CCountTable::kMaxRecords + 5; ++i) {
        t.Add(from, from, v, 1, 0);
        from = PlusTime(from, 60);
    }
    EXPECT_EQ(t.Size(), CCountTable::kMaxRecords);
    // A full table drops even a row of a bucket it already holds.
    t.Add(At(1, 0), At(1, 0), v, 1, 0);
    EXPECT_EQ(t.At(0).values[0], 1u);
}

TEST(CountTable, RecordTimesComeBackAsSystemTimes) {
    CCountTable t;
    const uint32_t v[] = {1};
    t.Add(At(5, 23, 15, 0), At(5, 23, 59, 59), v, 1, 0);
    const SYSTEMTIME from = t.At(0).From(), to = t.At(0).To();
    EXPECT_EQ(from.wDay, 5);
    EXPECT_EQ(from.wDayOfWeek, 2);  // 2024-03-05 was a Tuesday
    EXPECT_EQ(to.wSecond, 59);
}

struct BuildCase {
    const char* name;
    int people;  // records in the people table
    int threeD;  // records in the 3D table
    std::vector<uint32_t> expectFirst;
    size_t expectSize;
};

class ReportBuild : public ::testing::TestWithParam<BuildCase> {};

TEST_P(ReportBuild, FromPeopleAnd3DTables) {
    const BuildCase& c = GetParam();
    CCountTable people, threeD;
    const uint32_t p[] = {1, 2};
    const uint32_t d[] = {10, 20, 30, 40, 50, 60};
    for (int i = 0; i < c.people; ++i) people.Add(At(5, i), At(5, i, 59, 59), p, 2, 0);
    for (int i = 0; i < c.threeD; ++i) threeD.Add(At(5, i), At(5, i, 59, 59), d, 6, 0);
    CReportTable report;
    report.Append(CountRecord{});  // a leftover of an earlier query
    report.Build(people, threeD);
    ASSERT_EQ(report.Size(), c.expectSize);
    if (c.expectSize == 0) return;
    for (size_t j = 0; j < c.expectFirst.size(); ++j)
        EXPECT_EQ(report.At(0).values[j], c.expectFirst[j]) << "value " << j;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReportBuild,
    ::testing::Values(
        BuildCase{"PeopleOnly", 3, 0, {1, 2, 0}, 3},
        // Only 3D records: the 3D table is copied, height classes included.
        BuildCase{"ThreeDOnly", 0, 2, {10, 20, 30, 40, 50, 60}, 2},
        // Both: in and out of the 3D record of the same index are added; the rest stays.
        BuildCase{"Both", 3, 3, {11, 22, 0, 0, 0, 0}, 3},
        // A people record without a 3D record of its index gets nothing added.
        BuildCase{"MorePeople", 3, 1, {11, 22}, 3}, BuildCase{"Neither", 0, 0, {}, 0}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(ReportBuild, PeopleRecordsWithout3DPartnerKeepTheirValues) {
    CCountTable people, threeD;
    const uint32_t p[] = {1, 2};
    const uint32_t d[] = {10, 20};
    for (int i = 0; i < 3; ++i) people.Add(At(5, i), At(5, i), p, 2, 0);
    threeD.Add(At(5, 0), At(5, 0), d, 2, 0);
    CReportTable report;
    report.Build(people, threeD);
    EXPECT_EQ(report.At(2).values[0], 1u);
    EXPECT_EQ(report.At(2).values[1], 2u);
}

// Tables of different layouts (a 3D table that starts two hours later and has an hour the
// people table lacks) are added by bucket, never by position.
TEST(ReportBuild, RowsAreAddedByBucketStartAndKeptInTimeOrder) {
    CCountTable people, threeD;
    const uint32_t p[] = {1, 2};
    const uint32_t d[] = {10, 20};
    for (int h : {0, 1, 2, 3}) people.Add(At(5, h), At(5, h, 59, 59), p, 2, 0);
    for (int h : {2, 3, 7}) threeD.Add(At(5, h), At(5, h, 59, 59), d, 2, 0);
    CReportTable report;
    report.Build(people, threeD);
    ASSERT_EQ(report.Size(), 5u);
    const int hours[] = {0, 1, 2, 3, 7};
    const uint32_t in[] = {1, 1, 11, 11, 10};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(report.At(i).fromHour, hours[i]) << i;
        EXPECT_EQ(report.At(i).values[0], in[i]) << i;
    }
}

}  // namespace

}  // namespace zl
