// The locked-down connection below the service: statement screening, limits, cancelling and
// file identity.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>

#include "GuardedDatabase.h"
#include "RecNetTestKit.h"

namespace zl::recnetd {
namespace {

using testkit::Fingerprint;
using testkit::TempDir;

TEST(StatementScreen, StartsAsQuery) {
    const struct {
        const char* sql;
        bool query;
    } cases[] = {
        {"SELECT 1", true},
        {"  select 1", true},
        {"\n\t-- note\n/* block */ WITH x AS (SELECT 1) SELECT * FROM x", true},
        {"VALUES (1)", true},
        {"SELECT", true},
        {"SELECTX 1", false},
        {"WITHOUT", false},
        {"", false},
        {"-- only a comment", false},
        {"/* open comment SELECT 1", false},
        {"EXPLAIN SELECT 1", false},
        {"PRAGMA query_only=0", false},
        {"INSERT INTO t VALUES (1)", false},
        {"ATTACH 'x' AS y", false},
        {"(SELECT 1)", false},
    };
    for (const auto& c : cases) EXPECT_EQ(StartsAsQuery(c.sql), c.query) << c.sql;
}

TEST(StatementScreen, EmptyTail) {
    const struct {
        const char* tail;
        bool empty;
    } cases[] = {
        {"", true},
        {";", true},
        {" ; ;\n", true},
        {"-- trailing comment", true},
        {"/* c */ ;", true},
        {"; SELECT 2", false},
        {"x", false},
        {"-- c\nDELETE FROM t", false},
        {"/* c */ DROP", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsEmptyTail(c.tail), c.empty) << c.tail;
    EXPECT_TRUE(IsEmptyTail(nullptr));
}

TEST(StatementScreen, AllowedFunctions) {
    for (const char* name : {"sum", "COUNT", "strftime", "substr", "coalesce", "avg", "total"}) {
        EXPECT_TRUE(IsAllowedFunction(name)) << name;
    }
    for (const char* name : std::initializer_list<const char*>{
             "load_extension", "fts3_tokenizer", "randomblob", "zeroblob",
             "sqlite_compileoption_get", "writefile", "readfile", "", nullptr}) {
        EXPECT_FALSE(IsAllowedFunction(name)) << (name ? name : "(null)");
    }
}

class GuardedDatabaseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = dir_ / "people.db";
        ASSERT_TRUE(testkit::WriteSampleDatabase(path_, 1));
    }

    std::unique_ptr<GuardedDatabase> Open(const Limits& limits = Limits()) {
        std::string error;
        auto database = GuardedDatabase::Open(path_, limits, &error);
        EXPECT_TRUE(database) << error;
        return database;
    }

    TempDir dir_;
    std::string path_;
};

class CountingSink : public RowSink {
  public:
    void Begin(int columns, const char* const*) override { columns_ = columns; }
    bool Row(int, const char* const*, const int*) override {
        ++rows_;
        return rows_ < stopAfter_;
    }
    int columns_ = -1;
    int rows_ = 0;
    int stopAfter_ = 1 << 30;
};

const std::function<bool()> kNever = [] { return false; };

TEST_F(GuardedDatabaseTest, RunsOneSelectAndCountsRows) {
    auto database = Open();
    ASSERT_TRUE(database);
    CountingSink sink;
    std::string message;
    EXPECT_EQ(database->Run("SELECT Camera, Inward FROM Records;", &sink, kNever, &message),
              RunOutcome::Ok)
        << message;
    EXPECT_EQ(sink.columns_, 2);
    EXPECT_EQ(sink.rows_, 312);
}

TEST_F(GuardedDatabaseTest, RowAndByteCapsStopTheAnswer) {
    Limits limits;
    limits.maxRows = 10;
    auto database = Open(limits);
    CountingSink sink;
    std::string message;
    EXPECT_EQ(database->Run("SELECT * FROM Records;", &sink, kNever, &message),
              RunOutcome::TooLarge);
    EXPECT_EQ(sink.rows_, 10);
    EXPECT_EQ(database->Run("SELECT * FROM Records LIMIT 10;", &sink, kNever, &message),
              RunOutcome::Ok);

    limits = Limits();
    limits.maxAnswerBytes = 2000;
    database = Open(limits);
    CountingSink bytes;
    EXPECT_EQ(database->Run("SELECT '" + std::string(100, 'x') + "' FROM Records;", &bytes, kNever,
                            &message),
              RunOutcome::TooLarge);
    EXPECT_LT(bytes.rows_, 20);
}

TEST_F(GuardedDatabaseTest, TimeLimitAndCancelStopLongStatements) {
    Limits limits;
    limits.statementTimeoutMs = 100;
    auto database = Open(limits);
    std::string message;
    const char* endless =
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT count(*) FROM c;";
    EXPECT_EQ(database->Run(endless, nullptr, kNever, &message), RunOutcome::TimedOut);
    EXPECT_NE(message.find("100 ms"), std::string::npos) << message;

    limits.statementTimeoutMs = 60000;
    database = Open(limits);
    std::atomic<int> polls{0};
    const std::function<bool()> cancelAfterFew = [&polls] { return ++polls > 3; };
    EXPECT_EQ(database->Run(endless, nullptr, cancelAfterFew, &message), RunOutcome::Cancelled);

    CountingSink goneClient;
    goneClient.stopAfter_ = 3;
    EXPECT_EQ(database->Run("SELECT * FROM Records;", &goneClient, kNever, &message),
              RunOutcome::Cancelled);
    // The connection is fine afterwards.
    EXPECT_EQ(database->Run("SELECT 1;", nullptr, kNever, &message), RunOutcome::Ok);
}

TEST_F(GuardedDatabaseTest, RefusesWhatIsNotASingleReadOnlyQuery) {
    auto database = Open();
    std::string message;
    EXPECT_EQ(
        database->Run(std::string("SELECT 1;\0DELETE FROM Records", 29), nullptr, kNever, &message),
        RunOutcome::Refused);
    EXPECT_EQ(database->Run("WITH x AS (SELECT 1) DELETE FROM Records;", nullptr, kNever, &message),
              RunOutcome::Refused);
    EXPECT_EQ(database->Run("SELECT nothing FROM nowhere;", nullptr, kNever, &message),
              RunOutcome::Failed);
    Limits limits;
    limits.maxSqlBytes = 300;
    database = Open(limits);
    EXPECT_EQ(database->Run("SELECT '" + std::string(400, 'x') + "';", nullptr, kNever, &message),
              RunOutcome::TooLarge);
}

TEST_F(GuardedDatabaseTest, DoubleQuotedNamesAreNeverTexts) {
    auto database = Open();
    CountingSink sink;
    std::string message;
    EXPECT_EQ(database->Run("SELECT * FROM Records WHERE \"NoSuchColumn\" = 'NoSuchColumn';", &sink,
                            kNever, &message),
              RunOutcome::Failed);
}

TEST_F(GuardedDatabaseTest, OpensOnlyAbsoluteRealFilesAndCreatesNothing) {
    std::string error;
    ASSERT_EQ(::symlink(path_.c_str(), (dir_ / "link.db").c_str()), 0);
    EXPECT_FALSE(GuardedDatabase::Open(dir_ / "link.db", Limits(), &error));
    EXPECT_FALSE(GuardedDatabase::Open("people.db", Limits(), &error));
    EXPECT_FALSE(GuardedDatabase::Open(dir_ / "missing.db", Limits(), &error));
    const auto before = Fingerprint(dir_.Path());
    {
        auto database = Open();
        std::string message;
        EXPECT_EQ(database->Run("SELECT COUNT(*) FROM Records;", nullptr, kNever, &message),
                  RunOutcome::Ok);
    }
    EXPECT_EQ(Fingerprint(dir_.Path()), before);
}

TEST_F(GuardedDatabaseTest, NoticesAReplacedFile) {
    auto database = Open();
    EXPECT_TRUE(database->StillSameFile());
    ASSERT_TRUE(testkit::WriteSampleDatabase(dir_ / "new.db", 1));
    ASSERT_EQ(::rename((dir_ / "new.db").c_str(), path_.c_str()), 0);
    EXPECT_FALSE(database->StillSameFile());
    ASSERT_EQ(::unlink(path_.c_str()), 0);
    EXPECT_FALSE(database->StillSameFile());
}

}  // namespace
}  // namespace zl::recnetd
