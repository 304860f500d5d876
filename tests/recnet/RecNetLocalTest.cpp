// The local object on real SQLite files: opening, rows, NULLs, read-only access and day marks.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>

#include "RecNetTestKit.h"
#include "recnet/RecNet.h"

namespace zl::testkit {
namespace {

struct LocalHolder {
    RecNetLocal* local = CreateRecNetLocal();
    ~LocalHolder() { DestroyRecNetLocal(&local); }
    RecNetLocal* operator->() const { return local; }
};

class RecNetLocalTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(WriteSampleDatabase(dir_ / "people.db", 1));
        ASSERT_NE(local_.local, nullptr);
    }
    TempDir dir_;
    LocalHolder local_;
};

TEST_F(RecNetLocalTest, OpenRefusesMissingAndForeignFilesWithoutCreatingAnything) {
    const auto before = Fingerprint(dir_.Path());
    EXPECT_EQ(local_->Open((dir_ / "missing.db").c_str()), 0);
    std::ofstream(dir_ / "text.db") << "this is not a database, it is long enough to be read";
    const auto withText = Fingerprint(dir_.Path());
    EXPECT_EQ(local_->Open((dir_ / "text.db").c_str()), 0);
    EXPECT_EQ(local_->Open(""), 0);
    EXPECT_EQ(local_->Open(nullptr), 0);
    EXPECT_EQ(Fingerprint(dir_.Path()), withText);
    EXPECT_EQ(before.count("missing.db"), 0u);
    EXPECT_EQ(local_->Exec("SELECT 1;", CollectRows, nullptr), 0);  // nothing open
}

TEST_F(RecNetLocalTest, ExecHandsEveryRowWithNullsAndNames) {
    ASSERT_EQ(local_->Open((dir_ / "people.db").c_str()), 1);
    Rows rows;
    ASSERT_EQ(local_->Exec("SELECT Camera, Inward, 'x' AS Tag FROM Records WHERE EnterTime "
                           "BETWEEN '2024-03-05 12:00:00' AND '2024-03-05 12:59:59' ORDER BY "
                           "Camera;",
                           CollectRows, &rows),
              1);
    ASSERT_EQ(rows.rows.size(), 2u) << Describe(rows);
    EXPECT_EQ(rows.names, (std::vector<std::string>{"Camera", "Inward", "Tag"}));
    EXPECT_EQ(rows.rows[0][0], std::optional<std::string>("1"));
    EXPECT_TRUE(rows.rows[0][1].has_value());
    EXPECT_FALSE(rows.rows[1][1].has_value());  // the sample's NULL at 12:00, camera 2
}

TEST_F(RecNetLocalTest, SumsOfAnEmptyBucketComeAsNull) {
    ASSERT_EQ(local_->Open((dir_ / "people.db").c_str()), 1);
    Rows rows;
    ASSERT_EQ(local_->Exec("SELECT SUM(Inward), SUM(Outward) from Records where (Camera= 1) AND "
                           "EnterTime BETWEEN '2024-03-04 00:00:00' AND '2024-03-04 23:59:59';",
                           CollectRows, &rows),
              1);
    ASSERT_EQ(rows.rows.size(), 1u);
    EXPECT_FALSE(rows.rows[0][0].has_value());
    EXPECT_FALSE(rows.rows[0][1].has_value());
}

TEST_F(RecNetLocalTest, SeveralStatementsRunInOrderAndErrorsFail) {
    ASSERT_EQ(local_->Open((dir_ / "people.db").c_str()), 1);
    Rows rows;
    EXPECT_EQ(local_->Exec("SELECT 1; SELECT 2;", CollectRows, &rows), 1);
    ASSERT_EQ(rows.rows.size(), 2u);
    EXPECT_EQ(*rows.rows[1][0], "2");
    EXPECT_EQ(local_->Exec("SELECT nothing FROM nowhere;", CollectRows, &rows), 0);
    EXPECT_EQ(local_->Exec("SELEC 1;", CollectRows, &rows), 0);
    EXPECT_EQ(local_->Exec(nullptr, CollectRows, &rows), 0);
    EXPECT_EQ(local_->Exec("SELECT 1;", nullptr, nullptr), 1);  // no callback: rows dropped
}

int StopAfterFirst(void* context, int, char**, char**) {
    ++*static_cast<int*>(context);
    return 1;
}

TEST_F(RecNetLocalTest, ACallbackThatAnswersNonZeroStopsTheRun) {
    ASSERT_EQ(local_->Open((dir_ / "people.db").c_str()), 1);
    int calls = 0;
    EXPECT_EQ(local_->Exec("SELECT Camera FROM Records;", StopAfterFirst, &calls), 0);
    EXPECT_EQ(calls, 1);
}

TEST_F(RecNetLocalTest, NeverChangesTheDatabase) {
    ASSERT_EQ(local_->Open((dir_ / "people.db").c_str()), 1);
    const auto before = Fingerprint(dir_.Path());
    for (const char* sql :
         {"INSERT INTO Records (Camera) VALUES (9);", "DELETE FROM Records;", "CREATE TABLE t (a);",
          "DROP TABLE Records;", "PRAGMA journal_mode=WAL; CREATE TABLE u (a);"}) {
        EXPECT_EQ(local_->Exec(sql, nullptr, nullptr), 0) << sql;
    }
    EXPECT_EQ(Fingerprint(dir_.Path()), before);
}

TEST_F(RecNetLocalTest, ReopeningSwitchesTheDatabase) {
    ASSERT_TRUE(WriteSampleDatabase(dir_ / "flow.db", 5));
    ASSERT_EQ(local_->Open((dir_ / "people.db").c_str()), 1);
    ASSERT_EQ(local_->Open((dir_ / "flow.db").c_str()), 1);
    Rows rows;
    EXPECT_EQ(local_->Exec("SELECT COUNT(*) FROM records WHERE Line1_In >= 0;", CollectRows, &rows),
              1);
    EXPECT_EQ(local_->Exec("SELECT COUNT(*) FROM Records WHERE Inward >= 0;", CollectRows, &rows),
              0);
}

TEST_F(RecNetLocalTest, MonthDaysFlagsTheDaysWithRecords) {
    ASSERT_EQ(local_->Open((dir_ / "people.db").c_str()), 1);
    uint8_t flags[42] = {};
    ASSERT_EQ(local_->GetMonthDays("Records", "EnterTime", 2024, 2, 25, 42, flags), 1);
    // Records on 02-26 .. 03-10 except 03-04: indexes 1..14 without 8.
    for (int i = 0; i < 42; ++i) {
        const bool expected = i >= 1 && i <= 14 && i != 8;
        EXPECT_EQ(flags[i], expected ? 1 : 0) << "day " << i;
    }
}

TEST_F(RecNetLocalTest, MonthDaysMergesIntoFlagsAlreadySet) {
    ASSERT_EQ(local_->Open((dir_ / "people.db").c_str()), 1);
    uint8_t flags[42] = {};
    flags[40] = 1;
    ASSERT_EQ(local_->GetMonthDays("Records", "EnterTime", 2024, 2, 25, 42, flags), 1);
    EXPECT_EQ(flags[40], 1);
    EXPECT_EQ(flags[0], 0);
}

TEST_F(RecNetLocalTest, MonthDaysQuotesNamesAndRefusesUnknownOnes) {
    ASSERT_TRUE(ExecWritable(dir_ / "odd.db",
                             "CREATE TABLE \"we\"\"ird\" (\"ti\"\"me\" TEXT);"
                             "INSERT INTO \"we\"\"ird\" VALUES ('2024-03-02 10:00:00');"));
    ASSERT_EQ(local_->Open((dir_ / "odd.db").c_str()), 1);
    uint8_t flags[3] = {};
    ASSERT_EQ(local_->GetMonthDays("we\"ird", "ti\"me", 2024, 3, 1, 3, flags), 1);
    EXPECT_EQ(flags[0], 0);
    EXPECT_EQ(flags[1], 1);
    // A name that is no column must not turn into a text literal that matches everything.
    EXPECT_EQ(local_->GetMonthDays("we\"ird", "NoSuchColumn", 2024, 3, 1, 3, flags), 0);
    EXPECT_EQ(local_->GetMonthDays("Records; DROP TABLE x", "ti\"me", 2024, 3, 1, 3, flags), 0);
    EXPECT_EQ(local_->GetMonthDays("we\"ird", "ti\"me", 2024, 2, 30, 3, flags), 0);
    EXPECT_EQ(local_->GetMonthDays("we\"ird", "ti\"me", 2024, 3, 1, 0, flags), 0);
    EXPECT_EQ(local_->GetMonthDays("we\"ird", "ti\"me", 2024, 3, 1, 3, nullptr), 0);
}

TEST_F(RecNetLocalTest, MonthDaysTableNamesIgnoreCase) {
    ASSERT_TRUE(WriteSampleDatabase(dir_ / "3d.db", 2));
    ASSERT_EQ(local_->Open((dir_ / "3d.db").c_str()), 1);
    uint8_t flags[42] = {};
    ASSERT_EQ(local_->GetMonthDays("_3DRECORDS", "Time", 2024, 3, 1, 42, flags), 1);
    EXPECT_EQ(flags[0], 1);
    EXPECT_EQ(flags[3], 0);
}

TEST(RecNetFactories, DestroyAcceptsNullAndClearsTheHandle) {
    RecNetLocal* local = nullptr;
    DestroyRecNetLocal(&local);
    DestroyRecNetLocal(nullptr);
    RecNetClient* client = nullptr;
    DestroyRecNetClient(&client);
    DestroyRecNetClient(nullptr);
    EXPECT_EQ(RecNetCreateLocal(&local), 1);
    RecNetLocal* same = local;
    EXPECT_EQ(RecNetCreateLocal(&local), 1);
    EXPECT_EQ(local, same);  // an existing object is kept
    DestroyRecNetLocal(&local);
    EXPECT_EQ(local, nullptr);
    EXPECT_EQ(RecNetCreateLocal(nullptr), 0);
}

TEST(RecNetFactories, ConnectWrapperCreatesTheClientEvenWhenNobodyListens) {
    RecNetClient* client = nullptr;
    // Port 1 on the loopback address: nothing listens there.
    EXPECT_EQ(RecNetConnect(&client, "127.0.0.1", 1), 0);
    EXPECT_NE(client, nullptr);
    EXPECT_EQ(client->IsConnected(), 0);
    RecNetClose(&client);
    EXPECT_EQ(client, nullptr);
    RecNetClose(&client);  // a null handle is fine
    EXPECT_EQ(RecNetConnect(nullptr, "127.0.0.1", 1), 0);
}

TEST(RecNetFactories, ClientOperationsFailCleanlyWithoutConnection) {
    ClientHolder client(CreateRecNetClient());
    char buffer[16] = "unchanged";
    uint8_t flags[42] = {};
    int type = -1;
    EXPECT_EQ(client->Login("a", "b"), 0);
    EXPECT_EQ(client->OpenDatabase("/x.db"), 0);
    EXPECT_EQ(client->Exec("SELECT 1;", CollectRows, nullptr), 0);
    EXPECT_EQ(client->GetPeopleDbPaths(buffer, buffer, sizeof buffer), 0);
    EXPECT_EQ(client->GetMonthDays("Records", "EnterTime", 2024, 3, 1, 42, flags), 0);
    EXPECT_EQ(client->GetServerName(buffer, sizeof buffer), 0);
    EXPECT_EQ(client->GetDatabaseCount(), 0);
    EXPECT_EQ(client->GetDatabaseEntry(0, &type, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "unchanged");
    EXPECT_EQ(client->Close(), 1);
    EXPECT_EQ(client->Connect(nullptr, 700, 10), 0);
    EXPECT_EQ(client->Connect("127.0.0.1", 0, 10), 0);
    EXPECT_EQ(client->Connect("127.0.0.1", 70000, 10), 0);
}

}  // namespace
}  // namespace zl::testkit
