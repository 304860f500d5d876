// Day marks of the date picker from real files.
#include <gtest/gtest.h>

#include "DataTestKit.h"
#include "data/DayMarks.h"
#include "data/TableDetect.h"
#include "store/SiteRecord.h"

namespace zl {

namespace {

std::vector<int> Marked(const uint8_t* flags) {
    std::vector<int> out;
    for (int i = 0; i < kDayMarkCount; ++i)
        if (flags[i]) out.push_back(i);
    return out;
}

class DayMarks : public ::testing::Test {
  protected:
    RecNetLocal* OpenDb(const std::string& name, CountingDb file) {
        const std::string path = dir_.File(name);
        EXPECT_TRUE(file.Write(path)) << file.Error();
        RecNetLocal* db = CreateRecNetLocal();
        EXPECT_EQ(db->Open(path.c_str()), 1);
        opened_.push_back(db);
        return db;
    }
    void TearDown() override {
        for (RecNetLocal*& db : opened_) DestroyRecNetLocal(&db);
    }
    static SiteRecord SiteWith(RecNetLocal* db) {
        SiteRecord s;
        s.localDb = db;
        s.cameras[3].used = 1;
        return s;
    }

    TempFolder dir_;
    std::vector<RecNetLocal*> opened_;
};

TEST_F(DayMarks, SourcesByModeTypeAndKind) {
    auto check = [](DayMarkSource s, const char* table, const char* column) {
        EXPECT_STREQ(s.table, table);
        EXPECT_STREQ(s.timeColumn, column);
    };
    check(DayMarkSourceOf(true, 1, kTableRecordsPeople, false), "Records", "EnterTime");
    check(DayMarkSourceOf(true, 2, kTableRecordsPeople, true), "_3DRECORDS", "Time");
    check(DayMarkSourceOf(true, 2, kTable3D, false), "_3DRECORDS", "Time");
    check(DayMarkSourceOf(false, 5, kTable3D, false), "records", "CountingTime");
    check(DayMarkSourceOf(false, 6, 0, false), "records", "EnterTime");
    check(DayMarkSourceOf(false, 3, 0, false), "records", "StartTime");
    check(DayMarkSourceOf(false, 7, 0, false), "records", "StartTime");
}

TEST_F(DayMarks, MergedOverSitesAndOnlyForSitesWithCameras) {
    RecNetLocal* a = OpenDb("a.db", CountingDb()
                                        .People2D()
                                        .Record("2024-02-26 08:00:00")
                                        .Record("2024-03-05 23:59:59")
                                        .Record("2024-04-07 00:00:00")
                                        .Record("2024-04-08 00:00:00"));
    RecNetLocal* b = OpenDb("b.db", CountingDb().People3D().Record("2024-03-01 12:00:00"));
    RecNetLocal* c = OpenDb("c.db", CountingDb().People2D().Record("2024-03-10 12:00:00"));
    // The grid starts on Monday 2024-02-26: day 0; 2024-04-07 is day 41, 04-08 is outside.
    const SYSTEMTIME first = Day(2024, 2, 26);
    std::vector<SiteRecord> sites{SiteWith(a), SiteWith(c)};
    sites[1].cameras[3].used = 0;  // no camera in use: not asked
    uint8_t flags[kDayMarkCount];
    EXPECT_EQ(GetDayMarks(sites, first, true, 1, kTableRecordsPeople, flags), 3);
    EXPECT_EQ(Marked(flags), (std::vector<int>{0, 8, 41}));

    // The 3D table is asked of the local object when the last detection found it.
    sites = {SiteWith(b), SiteWith(a)};
    EXPECT_EQ(GetDayMarks(sites, first, true, 2, kTable3D, flags), 1);
    EXPECT_EQ(Marked(flags), (std::vector<int>{4}));
}

TEST_F(DayMarks, OtherTypesAskTheRecordsTableWithTheTypesTimeColumn) {
    // The time columns of two types in one table: each type reads its own.
    RecNetLocal* flow = OpenDb(
        "f.db", CountingDb()
                    .Table("records",
                           {{"CountingTime", "TEXT"}, {"StartTime", "TEXT"}, {"Camera", "INTEGER"}})
                    .Record("2024-03-02 10:00:00", {"2024-03-03 10:00:00"}));
    std::vector<SiteRecord> sites{SiteWith(flow)};
    uint8_t flags[kDayMarkCount];
    GetDayMarks(sites, Day(2024, 3, 1), false, 5, 0, flags);
    EXPECT_EQ(Marked(flags), (std::vector<int>{1}));
    GetDayMarks(sites, Day(2024, 3, 1), false, 4, 0, flags);
    EXPECT_EQ(Marked(flags), (std::vector<int>{2}));
    // A table that does not exist marks nothing.
    GetDayMarks(sites, Day(2024, 3, 1), true, 1, 0, flags);
    EXPECT_TRUE(Marked(flags).empty());
}

}  // namespace

// The marks of a queue site come from the file of the chosen measure, the one a query reads;
// other types keep the site's file or their folder's database.
TEST(DayMarkPath, QueueMeasureChoosesTheFile) {
    const std::string main = "/d/QueueLengthData/QueueLengthMonitoring.db";
    EXPECT_EQ(DayMarkLocalPath(main, 7, 1), main);
    EXPECT_EQ(DayMarkLocalPath(main, 7, 0), "/d/QueueLengthData/QueueLengthMonitoringWaiting.db");
    EXPECT_EQ(DayMarkLocalPath(main, 7, 3), "/d/QueueLengthData/QueueLengthMonitoringWaiting.db");
    EXPECT_EQ(DayMarkLocalPath(main, 7, 2), "/d/QueueLengthData/QueueLengthMonitoringServed.db");
    EXPECT_EQ(DayMarkLocalPath("/d", 7, 2), "/d/QueueLengthData/QueueLengthMonitoringServed.db");
    EXPECT_EQ(DayMarkLocalPath("/d", 7, 1), "/d/QueueLengthData/QueueLengthMonitoring.db");
    EXPECT_EQ(DayMarkLocalPath("/x/Traffic.db", 6, 2), "/x/Traffic.db");
    EXPECT_EQ(DayMarkLocalPath("/d", 6, 2), "/d/TrafficCounterData/TrafficCounter.db");
}

}  // namespace zl
