// Hostile statements and paths against a running recnetd: each is refused or stopped within
// the time limit, the served files and the folders stay exactly as they were, and the
// server keeps serving.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <regex>

#include "RecNetTestKit.h"
#include "recnet/RemoteClient.h"

namespace zl::testkit {
namespace {

constexpr int kTimeLimitMs = 1000;

std::string LastErrorOf(RecNetClient* client) {
    return static_cast<recnet::RemoteClient*>(client)->LastError();
}

class SecurityTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = dir_ / "data";
        WriteSampleRoot(root_);
        outside_ = dir_ / "outside";
        ASSERT_TRUE(WriteSampleDatabase(outside_ + "/secret.db", 5));
        // A second root whose flow database and zone folder are links out of the root.
        other_ = dir_ / "other";
        ASSERT_TRUE(WriteSampleDatabase(other_ + "/PeopleCounterData/PeopleCounter.db", 1));
        ASSERT_EQ(::mkdir((other_ + "/FlowCountData").c_str(), 0755), 0);
        ASSERT_EQ(::symlink((outside_ + "/secret.db").c_str(),
                            (other_ + "/FlowCountData/FlowCount.db").c_str()),
                  0);
        ASSERT_TRUE(WriteSampleDatabase(outside_ + "/zone/ZoneCounter.db", 4));
        ASSERT_EQ(::symlink((outside_ + "/zone").c_str(), (other_ + "/ZoneCounterData").c_str()),
                  0);
        before_ = Fingerprint(dir_.Path());

        server_ = std::make_unique<TestServer>(std::vector<std::string>{root_, other_});
        server_->Config().limits.statementTimeoutMs = kTimeLimitMs;
        ASSERT_TRUE(server_->Start());
        client_.client = server_->NewClient();
        ASSERT_TRUE(client_);
        ASSERT_EQ(client_->OpenDatabase((root_ + "/PeopleCounterData/PeopleCounter.db").c_str()),
                  1);
    }

    void TearDown() override {
        // Nothing below the test folder changed: no file written, made or removed.
        RecNetClose(&client_.client);
        server_->Stop();
        EXPECT_EQ(Fingerprint(dir_.Path()), before_);
    }

    TempDir dir_;
    std::string root_, outside_, other_;
    std::map<std::string, std::string> before_;
    std::unique_ptr<TestServer> server_;
    ClientHolder client_;
};

struct Hostile {
    const char* sql;
    const char* errorPart;  // a pattern the error text must hold ("" for any failure)
};

std::string Expand(std::string sql, const std::string& folder) {
    const std::string key = "$DIR";
    for (size_t pos; (pos = sql.find(key)) != std::string::npos;)
        sql.replace(pos, key.size(), folder);
    return sql;
}

TEST_F(SecurityTest, HostileStatementsAreRefusedOrStoppedInTime) {
    const Hostile cases[] = {
        {"INSERT INTO Records (Camera) VALUES (1);", "refused"},
        {"UPDATE Records SET Inward = 0;", "refused"},
        {"DELETE FROM Records;", "refused"},
        {"REPLACE INTO Records (ID, Camera) VALUES (1, 1);", "refused"},
        {"WITH x AS (SELECT 1) DELETE FROM Records;", "refused"},
        {"WITH x AS (SELECT 1) UPDATE Records SET Inward = 1;", "refused"},
        {"WITH x AS (SELECT 1) INSERT INTO Records (Camera) SELECT 1 FROM x;", "refused"},
        {"SELECT 1; DELETE FROM Records;", "one statement"},
        {"SELECT 1; SELECT 2;", "one statement"},
        {"SELECT 1; -- harmless?\n DROP TABLE Records", "one statement"},
        {"VALUES (1); ATTACH DATABASE ':memory:' AS m;", "one statement"},
        {"ATTACH DATABASE '$DIR/evil.db' AS evil;", "refused"},
        {"VACUUM INTO '$DIR/copy.db';", "refused"},
        {"VACUUM;", "refused"},
        {"CREATE TEMP TABLE t (a);", "refused"},
        {"CREATE TEMP VIEW v AS SELECT 1;", "refused"},
        {"CREATE VIRTUAL TABLE temp.f USING fts4(content);", "refused"},
        {"CREATE TABLE t (a);", "refused"},
        {"CREATE INDEX i ON Records (Camera);", "refused"},
        {"CREATE TRIGGER tr AFTER INSERT ON Records BEGIN DELETE FROM Records; END;", "refused"},
        {"DROP TABLE Records;", "refused"},
        {"ALTER TABLE Records ADD COLUMN x;", "refused"},
        {"PRAGMA writable_schema = 1;", "refused"},
        {"PRAGMA journal_mode = WAL;", "refused"},
        {"PRAGMA query_only = 0;", "refused"},
        {"SELECT * FROM pragma_table_info('Records');", "refused"},
        {"SELECT * FROM pragma_journal_mode;", "refused"},
        {"SELECT load_extension('$DIR/evil.so');", "refused"},
        {"SELECT fts3_tokenizer('simple');", "refused"},
        {"SELECT fts3_tokenizer('evil', x'0000000000000000');", "refused"},
        {"SELECT sqlite_compileoption_get(0);", "refused"},
        {"SELECT * FROM dbstat;", ""},
        {"BEGIN IMMEDIATE;", "refused"},
        {"BEGIN;", "refused"},
        {"SAVEPOINT s;", "refused"},
        {"REINDEX;", "refused"},
        {"ANALYZE;", "refused"},
        {"DETACH DATABASE main;", "refused"},
        {"EXPLAIN SELECT 1;", "refused"},
        {"WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT count(*) FROM c;",
         "time limit"},
        {"WITH RECURSIVE c(x) AS (SELECT 1 UNION SELECT x + 1 FROM c) SELECT max(x) FROM c;",
         "time limit"},
        {"WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT x FROM c;",
         "rows"},
        {"SELECT count(*) FROM Records a, Records b, Records c, Records d;", "time limit"},
        {"SELECT randomblob(2000000000);", "refused"},
        {"SELECT zeroblob(2000000000);", "refused"},
        {"SELECT printf('%.*c', 2000000000, 'x');", "refused"},
        {"SELECT instr(group_concat('a'), 'ab') FROM Records;", "refused"},
        {"SELECT 1 WHERE 'a' LIKE '%a%a%a%a%b';", "refused"},
        {"SELECT length(replace(replace(replace(replace(replace(replace(replace('x', 'x', "
         "'xxxxxxxxxx'), 'x', 'xxxxxxxxxx'), 'x', 'xxxxxxxxxx'), 'x', 'xxxxxxxxxx'), 'x', "
         "'xxxxxxxxxx'), 'x', 'xxxxxxxxxx'), 'x', 'xxxxxxxxxx'));",
         "too big"},
        {"WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 3000000) "
         "SELECT length(group_concat(hex(x))) FROM c;",
         "too big|time limit"},
        {"SELECT writefile('$DIR/x', 'y');", ""},
        {"SELECT * FROM Records WHERE Camera = (SELECT load_extension('x'));", "refused"},
    };
    ASSERT_GE(std::size(cases), 30u);
    for (const Hostile& hostile : cases) {
        const std::string sql = Expand(hostile.sql, dir_.Path());
        Rows rows;
        const auto started = std::chrono::steady_clock::now();
        const int result = client_->Exec(sql.c_str(), CollectRows, &rows);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - started)
                            .count();
        EXPECT_EQ(result, 0) << sql;
        const std::string error = LastErrorOf(client_.client);
        EXPECT_TRUE(std::regex_search(error, std::regex(hostile.errorPart)))
            << sql << "\n  error: " << error;
        // Generous: the limit plus time for a loaded machine; a statement that runs on
        // would take far longer.
        EXPECT_LT(ms, kTimeLimitMs + 20000) << sql;
    }
    // The server still answers normally.
    Rows rows;
    ASSERT_EQ(client_->Exec("SELECT COUNT(*) FROM Records;", CollectRows, &rows), 1);
    EXPECT_EQ(*rows.rows[0][0], "312");
}

TEST_F(SecurityTest, OnlyListedFilesOpen) {
    const std::vector<std::string> refused = {
        root_ + "/PeopleCounterData/../PeopleCounterData/PeopleCounter.db",
        root_ + "/../data/PeopleCounterData/PeopleCounter.db",
        "file:" + root_ + "/PeopleCounterData/PeopleCounter.db",
        "file:" + root_ + "/PeopleCounterData/PeopleCounter.db?mode=rw",
        "FILE:///" + root_ + "/PeopleCounterData/PeopleCounter.db",
        root_ + "/PeopleCounterData/PeopleCounter.db-journal",
        root_ + "/PeopleCounterData",
        root_,
        other_ + "/FlowCountData/FlowCount.db",      // a link to a file outside
        other_ + "/ZoneCounterData/ZoneCounter.db",  // below a folder link out of the root
        outside_ + "/secret.db",
        ":memory:",
        "",
        "PeopleCounterData/PeopleCounter.db",
        "/proc/self/environ",
    };
    for (const std::string& path : refused) {
        EXPECT_EQ(client_->OpenDatabase(path.c_str()), 0) << path;
    }
    // The links out of the root are not listed either.
    const int count = client_->GetDatabaseCount();
    EXPECT_EQ(count, 10);  // nine under the first root, one under the second
    for (int i = 0; i < count; ++i) {
        int type = 0;
        char path[260];
        ASSERT_EQ(client_->GetDatabaseEntry(i, &type, path, sizeof path), 1);
        EXPECT_EQ(std::string(path).find("FlowCount.db") != std::string::npos &&
                      std::string(path).find(other_) == 0,
                  false)
            << path;
    }
    // A link that stays inside its root is fine.
    EXPECT_EQ(client_->OpenDatabase((other_ + "/PeopleCounterData/PeopleCounter.db").c_str()), 1);
}

TEST_F(SecurityTest, DayMarksNamesCannotInjectSql) {
    uint8_t flags[42] = {};
    EXPECT_EQ(client_->GetMonthDays("Records\" WHERE 1; DROP TABLE Records; --", "EnterTime", 2024,
                                    3, 1, 42, flags),
              0);
    EXPECT_EQ(client_->GetMonthDays("Records", "load_extension('x')", 2024, 3, 1, 42, flags), 0);
    EXPECT_EQ(client_->GetMonthDays("Records", "EnterTime", 2024, 13, 1, 42, flags), 0);
    EXPECT_EQ(client_->GetMonthDays("Records", "EnterTime", 2024, 3, 1, 100000, flags), 0);
    EXPECT_EQ(client_->GetMonthDays("Records", "EnterTime", 2024, 3, 1, 42, flags), 1);
}

}  // namespace
}  // namespace zl::testkit
