// Running builders: which handle runs a text, the reconnection and retry rules, progress and
// cancellation, and the rows that real SQLite files give.
#include <gtest/gtest.h>

#include "DataTestKit.h"
#include "data/QueryExec.h"
#include "data/SqlBuilders.h"
#include "data/SqlText.h"
#include "store/IString.h"
#include "store/SiteRecord.h"

namespace zl {

namespace {

const SYSTEMTIME kDate = Day(2024, 3, 5);

// "<address> <string 110> <string 401>" from the shipped language file.
std::string Failure(const std::string& address) {
    IString* s = IString::Instance();
    EXPECT_STRNE(s->LoadStringA(110), "NULL");
    EXPECT_STRNE(s->LoadStringA(401), "NULL");
    return address + " " + s->LoadStringA(110) + " " + s->LoadStringA(401);
}

class QueryExec : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        IString::Instance()->SetFile(ZL_SOURCE_DIR "/src/res/LANG/zelkoReporter_ENG.ini");
    }
    void SetUp() override {
        site_.ipAddress = "10.0.0.5";
        site_.port = "7001";
        site_.userName = "viewer";
        site_.password = "pw";
        site_.localDB = "/srv/PeopleCounterData/PeopleCounter.db";
        prompt_.client = &client_;
        hooks_.progress = &progress_;
        hooks_.prompt = &prompt_;
        hooks_.sink = &sink_;
        hooks_.lastSql = &lastSql_;
    }

    SiteRecord site_;
    ScriptClient client_;
    CountingProgress progress_;
    ScriptPrompt prompt_;
    VectorSink sink_;
    std::string lastSql_;
    QueryHooks hooks_;
};

// --- which handle, reconnection --------------------------------------------------------------

TEST_F(QueryExec, EachFamilyUsesItsClientElseTheLocalObjectElseNothing) {
    ScriptClient c2, c3, other;
    site_.client2D = &c2;
    site_.client3D = &c3;
    site_.clientOther = &other;
    std::vector<SqlRow> rows;
    ASSERT_EQ(ExecuteOnce(site_, kFamily2D, "A", rows), 1);
    ASSERT_EQ(ExecuteOnce(site_, kFamily3D, "B", rows), 1);
    ASSERT_EQ(ExecuteOnce(site_, kFamilyGeneric, "C", rows), 1);
    EXPECT_EQ(c2.sqls, std::vector<std::string>{"A"});
    EXPECT_EQ(c3.sqls, std::vector<std::string>{"B"});
    EXPECT_EQ(other.sqls, std::vector<std::string>{"C"});

    SiteRecord none;
    rows.assign(1, SqlRow{1});
    EXPECT_EQ(ExecuteOnce(none, kFamily2D, "A", rows), 1);  // nothing to ask counts as done
    EXPECT_TRUE(rows.empty());
}

TEST_F(QueryExec, ALostSessionIsReopenedBeforeTheQuery) {
    site_.client2D = &client_;
    client_.alive = false;
    std::vector<SqlRow> rows;
    ASSERT_EQ(ExecuteOnce(site_, kFamily2D, "SELECT 1;", rows), 1);
    EXPECT_EQ(client_.calls, (std::vector<std::string>{
                                 "GetServerName", "Close", "Connect", "Login",
                                 "OpenDatabase /srv/PeopleCounterData/PeopleCounter.db", "Exec"}));
    EXPECT_EQ(client_.connectIp, "10.0.0.5");
    EXPECT_EQ(client_.connectPort, 7001);
    EXPECT_EQ(client_.connectTimeOut, 30000);

    client_.calls.clear();  // the session is alive now: straight to the query
    ASSERT_EQ(ExecuteOnce(site_, kFamily2D, "SELECT 1;", rows), 1);
    EXPECT_EQ(client_.calls, (std::vector<std::string>{"GetServerName", "Exec"}));
}

TEST_F(QueryExec, ARefusedLoginClosesAndFails) {
    site_.clientOther = &client_;
    client_.alive = false;
    client_.loginResult = 0;
    std::vector<SqlRow> rows;
    EXPECT_EQ(ExecuteOnce(site_, kFamilyGeneric, "SELECT 1;", rows), 0);
    EXPECT_EQ(client_.calls,
              (std::vector<std::string>{"GetServerName", "Close", "Connect", "Login", "Close"}));
}

TEST_F(QueryExec, ColumnTextsReadAsInts) {
    EXPECT_EQ(SqlColumnToInt(nullptr), 0);
    EXPECT_EQ(SqlColumnToInt(""), 0);
    EXPECT_EQ(SqlColumnToInt("42"), 42);
    EXPECT_EQ(SqlColumnToInt("-7"), -7);
    EXPECT_EQ(SqlColumnToInt("12.75"), 12);
    EXPECT_EQ(SqlColumnToInt("99999999999"), 2147483647);
}

// --- retry and the question --------------------------------------------------------------------

TEST_F(QueryExec, TheQuestionComesAfterFourFailedAttemptsAndYesTriesOnceMore) {
    site_.client2D = &client_;
    client_.execResults.assign(20, 0);
    prompt_.answers = {true, true, false};
    EXPECT_EQ(Query2D(site_, "Camera= 1", kReportDay, kDate, {}, hooks_), 0);
    EXPECT_EQ(prompt_.execCountAtAsk, (std::vector<int>{4, 5, 6}));
    EXPECT_EQ(client_.Count("Exec"), 6);
    EXPECT_TRUE(progress_.aborted);
    EXPECT_TRUE(sink_.rows.empty());
    EXPECT_EQ(progress_.steps, 0);
    EXPECT_EQ(prompt_.captions.at(0), IString::Instance()->LoadStringA(0));
    EXPECT_EQ(prompt_.messages.at(0), Failure("10.0.0.5"));
}

TEST_F(QueryExec, YesThenSuccessGoesOn) {
    site_.client2D = &client_;
    client_.execResults = {0, 0, 0, 0, 0, 1};
    client_.rows = {{"3", "4"}};
    prompt_.answers = {true, true};
    EXPECT_EQ(Query2D(site_, "Camera= 1", kReportDay, kDate, {}, hooks_), 1);
    EXPECT_EQ(prompt_.execCountAtAsk, (std::vector<int>{4, 5}));  // asked again after attempt 5
    EXPECT_EQ(sink_.rows.size(), 24u);
    EXPECT_FALSE(progress_.aborted);
}

TEST_F(QueryExec, ASilentRetrySucceedsWithoutAQuestion) {
    site_.client2D = &client_;
    client_.execResults = {0, 0, 1};
    client_.rows = {{"3", "4"}};
    std::vector<SqlRow> rows;
    EXPECT_EQ(ExecuteWithRetry(site_, kFamily2D, "Q", rows, hooks_), 1);
    EXPECT_TRUE(prompt_.execCountAtAsk.empty());
    EXPECT_EQ(rows, (std::vector<SqlRow>{{3, 4}}));
    EXPECT_EQ(lastSql_, "Q");
}

TEST_F(QueryExec, WithoutAPromptTheFailureEndsTheRun) {
    site_.client2D = &client_;
    client_.execResults.assign(10, 0);
    hooks_.prompt = nullptr;
    std::vector<SqlRow> rows;
    EXPECT_EQ(ExecuteWithRetry(site_, kFamily2D, "Q", rows, hooks_), 0);
    EXPECT_EQ(client_.Count("Exec"), 4);
    EXPECT_TRUE(progress_.aborted);
}

TEST_F(QueryExec, FailureMessageNamesTheSite) {
    ScriptClient c;
    SiteRecord s;
    s.ipAddress = "10.1.1.1";
    s.localDB = "/data";
    EXPECT_EQ(FailureMessage(s), "");
    s.localDb = CreateRecNetLocal();
    EXPECT_EQ(FailureMessage(s), Failure("/data"));
    s.clientOther = &c;
    EXPECT_EQ(FailureMessage(s), Failure("10.1.1.1"));
    DestroyRecNetLocal(&s.localDb);
}

// --- progress, cancel, row rules --------------------------------------------------------------

TEST_F(QueryExec, CancelStopsAtTheNextStep) {
    site_.client2D = &client_;
    client_.rows = {{"1", "2"}};
    progress_.stopAt = 3;
    EXPECT_EQ(Query2D(site_, "Camera= 1", kReportDay, kDate, {}, hooks_), 0);
    EXPECT_EQ(client_.Count("Exec"), 3);
    EXPECT_EQ(sink_.rows.size(), 3u);
    EXPECT_TRUE(prompt_.execCountAtAsk.empty());
}

TEST_F(QueryExec, NullSumsGiveZerosAndNegativeFirstValuesNoRow) {
    site_.client2D = &client_;
    client_.rows = {{nullptr, ""}};
    ASSERT_EQ(Query2D(site_, "Camera= 1", kReportMonth, Day(2024, 3, 31), {}, hooks_), 1);
    ASSERT_EQ(sink_.rows.size(), 31u);
    EXPECT_EQ(sink_.rows[0].values, (std::vector<uint32_t>{0, 0, 0, 0}));
    EXPECT_EQ(sink_.rows[0].kind, kReportMonth);
    EXPECT_EQ(progress_.steps, 31);

    sink_.rows.clear();
    client_.rows = {{"-1", "5"}};
    ASSERT_EQ(Query2D(site_, "Camera= 1", kReportDay, kDate, {}, hooks_), 1);
    EXPECT_TRUE(sink_.rows.empty());
}

TEST_F(QueryExec, ThreeDGroupsMakeOneRowPerBucket) {
    site_.client3D = &client_;
    client_.rows = {{"5"}};
    ASSERT_EQ(Query3D(site_, "Camera= 1", kReportDay, kDate, 1200, 1600, 1, {}, hooks_), 1);
    EXPECT_EQ(client_.Count("Exec"), 24 * 6);
    ASSERT_EQ(sink_.rows.size(), 24u);
    EXPECT_EQ(sink_.rows[0].values, (std::vector<uint32_t>(6, 5)));
    EXPECT_EQ(progress_.steps, 24);

    client_.calls.clear();
    sink_.rows.clear();
    ASSERT_EQ(Query3D(site_, "Camera= 1", kReportDay, kDate, 1200, 1600, 4, {}, hooks_), 1);
    EXPECT_EQ(client_.Count("Exec"), 0);
    EXPECT_TRUE(sink_.rows.empty());
}

TEST_F(QueryExec, ASiteWithoutHandlesGivesNoRowsAndNoQuestion) {
    ASSERT_EQ(Query3D(site_, "Camera= 1", kReportWeek, kDate, 1, 2, 0, {}, hooks_), 1);
    ASSERT_EQ(Query2D(site_, "Camera= 1", kReportWeek, kDate, {}, hooks_), 1);
    EXPECT_TRUE(sink_.rows.empty());
    EXPECT_TRUE(prompt_.execCountAtAsk.empty());
    EXPECT_EQ(progress_.steps, 14);
}

// --- real SQLite files ----------------------------------------------------------------------

class LocalRun : public QueryExec {
  protected:
    void Open(const std::string& path) {
        local_ = CreateRecNetLocal();
        ASSERT_NE(local_, nullptr);
        ASSERT_EQ(local_->Open(path.c_str()), 1);
        site_.localDb = local_;
    }
    void TearDown() override { DestroyRecNetLocal(&local_); }

    TempFolder dir_;
    RecNetLocal* local_ = nullptr;
};

TEST_F(LocalRun, TwoDDaySumsTheFilteredCamerasPerHour) {
    const std::string path = dir_.File("PeopleCounterData/PeopleCounter.db");
    ASSERT_TRUE(CountingDb(path)
                    .People2D()
                    .Records({{1, "2024-03-05 00:10:00", {3, 1}},
                              {1, "2024-03-05 00:59:59", {2, 2}},
                              {1, "2024-03-05 01:00:00", {1, 0}},
                              {2, "2024-03-05 00:20:00", {10, 10}},
                              {3, "2024-03-05 00:30:00", {100, 100}},
                              {1, "2024-03-04 23:59:59", {50, 50}}})
                    .Write());
    Open(path);
    ASSERT_EQ(Query2D(site_, CameraFilter({1, 2}), kReportDay, kDate, {}, hooks_), 1);
    ASSERT_EQ(sink_.rows.size(), 24u);
    EXPECT_EQ(sink_.rows[0].values, (std::vector<uint32_t>{15, 13, 0, 0}));
    EXPECT_EQ(sink_.rows[1].values, (std::vector<uint32_t>{1, 0, 0, 0}));
    EXPECT_EQ(sink_.rows[2].values, (std::vector<uint32_t>{0, 0, 0, 0}));
    EXPECT_EQ(SqlTimeText(sink_.rows[23].to), "2024-03-05 23:59:59");
    EXPECT_EQ(lastSql_,
              "SELECT SUM(Inward), SUM(Outward) from Records where (Camera= 1 OR Camera= 2) AND "
              "EnterTime BETWEEN '2024-03-05 23:00:00' AND '2024-03-05 23:59:59';");
}

TEST_F(LocalRun, ThreeDHeightClasses) {
    const std::string path = dir_.File("3D.db");
    // Camera 1 from 00:01 every minute: five in at 1000-1700, two out; camera 2 one in.
    const std::vector<std::vector<DbValue>> records{{1, 1000}, {1, 1200}, {1, 1400}, {1, 1600},
                                                    {1, 1700}, {2, 1100}, {2, 1650}};
    ASSERT_TRUE(CountingDb(path)
                    .People3D()
                    .Run("2024-03-05 00:01:00", 7, 60, [&](int i) { return records[i]; })
                    .Camera(2)
                    .Record("2024-03-05 00:08:00", {1, 1000})
                    .Write());
    Open(path);
    ASSERT_EQ(Query3D(site_, "Camera= 1", kReportDay, kDate, 1200, 1600, 1, {}, hooks_), 1);
    ASSERT_EQ(sink_.rows.size(), 24u);
    EXPECT_EQ(sink_.rows[0].values, (std::vector<uint32_t>{1, 1, 3, 0, 1, 1}));
    EXPECT_EQ(sink_.rows[5].values, (std::vector<uint32_t>(6, 0)));

    sink_.rows.clear();
    ASSERT_EQ(
        Query3D(site_, "Camera= 1 OR Camera= 2", kReportMonth, kDate, 1200, 1600, 0, {}, hooks_),
        1);
    ASSERT_EQ(sink_.rows.size(), 29u);  // 2024-02-06 .. 2024-03-05
    EXPECT_EQ(sink_.rows.back().values, (std::vector<uint32_t>{6, 2}));
}

struct GenericCase {
    const char* name;
    CountingDb db;
    int type;
    int measure;
    std::vector<int> regions;
    std::vector<uint32_t> hour0;  // the row of 00:00-00:59 for cameras 1 and 2
};

class GenericLocal : public LocalRun, public ::testing::WithParamInterface<GenericCase> {};

TEST_P(GenericLocal, EveryCounterTypeAndMeasure) {
    const GenericCase& c = GetParam();
    const std::string path = dir_.File("g.db");
    CountingDb db = c.db;
    ASSERT_TRUE(db.Write(path)) << db.Error();
    Open(path);
    GenericRunParams p;
    p.counterType = c.type;
    p.queueMeasure = c.measure;
    p.regions = c.regions;
    p.range = kReportDay;
    p.date = kDate;
    site_.cameras[0].checked = 1;
    site_.cameras[1].checked = 1;
    site_.cameras[2].checked = 1;
    site_.cameras[2].is3D = 1;  // a 3D camera takes no part in a generic run
    ASSERT_EQ(RunGenericSite(site_, p, hooks_), 1);
    ASSERT_EQ(sink_.rows.size(), 24u);
    EXPECT_EQ(sink_.rows[0].values, c.hour0);
    // An hour without records: NULL sums and empty averages read as 0.
    EXPECT_EQ(sink_.rows[7].values, std::vector<uint32_t>(c.hour0.size(), 0));
}

INSTANTIATE_TEST_SUITE_P(
    Types, GenericLocal,
    ::testing::Values(
        GenericCase{"access",
                    CountingDb().Access().Records(
                        {{1, "2024-03-05 00:10:00", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
                         {2, "2024-03-05 00:20:00", {10, 20, 30, 0, 0, 0, 0, 0, 0, 0}},
                         {3, "2024-03-05 00:20:00", {100, 0, 100, 0, 0, 0, 0, 0, 0, 0}}}),
                    3,
                    0,
                    {1, 3},
                    {44}},
        GenericCase{"zone",
                    CountingDb().Zone().Records({{1, "2024-03-05 00:10:00", {3}},
                                                 {2, "2024-03-05 00:20:00", {4}},
                                                 {3, "2024-03-05 00:20:00", {90}}}),
                    4,
                    0,
                    {},
                    {3}},
        GenericCase{"flow",
                    CountingDb().Flow().Records({{1, "2024-03-05 00:10:00", {1, 2, 3, 4}},
                                                 {2, "2024-03-05 00:50:00", {10, 20, 30, 40}}}),
                    5,
                    0,
                    {},
                    {11, 22, 33, 44}},
        GenericCase{
            "traffic",
            CountingDb().Traffic().Records({{1, "2024-03-05 00:10:00", {1, 2, 3, 4, 5, 6, 7, 8}},
                                            {2, "2024-03-05 00:11:00", {1, 1, 1, 1, 1, 1, 1, 1}}}),
            6,
            0,
            {},
            {2, 3, 4, 5, 6, 7, 8, 9}},
        // Waiting events of regions 1 and 3 on both cameras.
        GenericCase{
            "queue_events",
            CountingDb().QueueWaiting().Records({{1, "2024-03-05 00:10:00", {"00:01:00", 1}},
                                                 {2, "2024-03-05 00:11:00", {"00:01:00", 3}},
                                                 {1, "2024-03-05 00:12:00", {"00:01:00", 2}},
                                                 {2, "2024-03-05 00:13:00", {"00:01:00", 1}},
                                                 {3, "2024-03-05 00:14:00", {"00:01:00", 1}}}),
            7,
            0,
            {1, 3},
            {3}},
        GenericCase{"queue_length",
                    CountingDb().QueueLength().Records({{1, "2024-03-05 00:10:00", {4, 2}},
                                                        {2, "2024-03-05 00:11:00", {8, 2}},
                                                        {1, "2024-03-05 00:12:00", {100, 1}}}),
                    7,
                    1,
                    {2},
                    {6}},
        // Served 5:33 and 2:00 average to 226 s, not to the average of the seconds digits.
        GenericCase{
            "queue_served",
            CountingDb().QueueServed().Records({{1, "2024-03-05 00:10:00", {"00:05:33", 1}},
                                                {2, "2024-03-05 00:11:00", {"00:02:00", 1}},
                                                {1, "2024-03-05 00:12:00", {"01:00:00", 2}}}),
            7,
            2,
            {1},
            {226}},
        GenericCase{
            "queue_waiting",
            CountingDb().QueueWaiting().Records({{1, "2024-03-05 00:10:00", {"01:00:10", 1}},
                                                 {2, "2024-03-05 00:11:00", {"00:00:20", 1}}}),
            7,
            3,
            {1},
            {1815}}),
    [](const ::testing::TestParamInfo<GenericCase>& param) { return param.param.name; });

TEST_F(QueryExec, AGenericRunWithNothingToSelectSendsNothing) {
    site_.clientOther = &client_;
    site_.cameras[0].checked = 1;
    GenericRunParams p;
    p.counterType = 3;  // access counter without a region
    EXPECT_EQ(RunGenericSite(site_, p, hooks_), 1);
    p.counterType = 4;
    site_.cameras[0].is3D = 1;  // no camera of a generic run left
    EXPECT_EQ(RunGenericSite(site_, p, hooks_), 1);
    EXPECT_EQ(client_.calls.size(), 0u);
    EXPECT_TRUE(sink_.rows.empty());
    EXPECT_EQ(lastSql_, "");
}

TEST_F(LocalRun, GenericWeekAndPeriodsOnAFile) {
    const std::string path = dir_.File("zone.db");
    ASSERT_TRUE(CountingDb(path)
                    .Zone()
                    .Record("2024-03-05 10:14:59", {5})
                    .Record("2024-03-05 10:15:00", {7})
                    .Record("2024-03-05 07:59:00", {9})
                    .Write());
    Open(path);
    site_.cameras[0].checked = 1;
    GenericRunParams p;
    p.counterType = 4;
    p.date = kDate;
    p.periodMinutes = 15;
    ASSERT_EQ(RunGenericSite(site_, p, hooks_), 1);
    ASSERT_EQ(sink_.rows.size(), 96u);
    EXPECT_EQ(sink_.rows[40].values, std::vector<uint32_t>{5});
    EXPECT_EQ(sink_.rows[41].values, std::vector<uint32_t>{7});
    EXPECT_EQ(progress_.steps, 24);

    // Week: Tuesday 2024-03-05 has working hours 08:00-18:00 (entry 1); 07:59 is outside.
    sink_.rows.clear();
    p.range = kReportWeek;
    for (int k = 0; k < 7; ++k) {
        p.hours.start[k].wHour = 8;
        p.hours.end[k].wHour = 18;
    }
    ASSERT_EQ(RunGenericSite(site_, p, hooks_), 1);
    ASSERT_EQ(sink_.rows.size(), 7u);
    EXPECT_EQ(sink_.rows[6].values, std::vector<uint32_t>{6});
    EXPECT_EQ(sink_.rows[6].kind, kReportWeek);
}

}  // namespace

}  // namespace zl
