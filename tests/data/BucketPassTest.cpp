// Bucket passes: which pieces are accepted, the statements built from them (tree or joined,
// cut to the size limits), the answer of empty buckets and gaps, index detection, and the
// local object's pass with its cancel.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "DataTestKit.h"
#include "data/BucketPassRun.h"
#include "data/SqlBuilders.h"
#include "data/SqlText.h"
#include "recnet/BucketPass.h"
#include "recnet/RecNetBucketPass.h"
#include "recnet/SqliteStatement.h"

namespace zl {

namespace {

using zl::recnet::BucketLimits;
using zl::recnet::BucketPass;
using zl::recnet::BucketPassResult;
using zl::recnet::BucketRows;

BucketPass Hours(int first, int count, const std::string& select = "SUM(Inward), SUM(Outward)",
                 const std::string& condition = "(Camera= 1)") {
    BucketPass q;
    q.table = "Records";
    q.timeColumn = "EnterTime";
    q.parts.push_back({select, condition});
    for (int h = first; h < first + count; ++h) {
        char from[32], to[32];
        std::snprintf(from, sizeof from, "2024-03-05 %02d:00:00", h);
        std::snprintf(to, sizeof to, "2024-03-05 %02d:59:59", h);
        q.buckets.push_back({from, to});
    }
    return q;
}

struct PieceCase {
    const char* name;
    std::string table, timeColumn, select, condition, from;
    bool accepted;
};

TEST(BucketPass, AcceptsOnlyPiecesThatStayInTheirPlace) {
    const PieceCase cases[] = {
        {"plain", "Records", "EnterTime", "SUM(Inward), SUM(Outward)", "(Camera= 1)", "", true},
        {"queue filter with blank", "records", "StartTime", "COUNT(WaitingTime)", "Camera= 1 ", "",
         true},
        {"subquery in parentheses", "records", "StartTime", "SUM(x)",
         "Camera IN (SELECT 1 FROM records)", "", true},
        {"string with keywords", "records", "StartTime", "SUM(x)", "Name = 'a; FROM --'", "", true},
        {"table with blank", "records x", "StartTime", "SUM(x)", "1", "", false},
        {"quoted table", "\"records\"", "StartTime", "SUM(x)", "1", "", false},
        {"time column expression", "records", "substr(StartTime,1)", "SUM(x)", "1", "", false},
        {"select reaching FROM", "records", "StartTime", "1 FROM sqlite_master", "1", "", false},
        {"select closing early", "records", "StartTime", "SUM(x)) UNION SELECT (1", "1", "", false},
        {"union in condition", "records", "StartTime", "SUM(x)", "1 UNION SELECT 2", "", false},
        {"comment", "records", "StartTime", "SUM(x) --", "1", "", false},
        {"block comment", "records", "StartTime", "SUM(x)", "1 /* x */", "", false},
        {"semicolon", "records", "StartTime", "SUM(x)", "1; DROP TABLE records", "", false},
        {"open quote", "records", "StartTime", "SUM(x)", "Name = 'a", "", false},
        {"comma in condition", "records", "StartTime", "SUM(x)", "1, 2", "", false},
        {"empty select", "records", "StartTime", " ", "1", "", false},
        {"empty condition", "records", "StartTime", "SUM(x)", "", "", false},
        {"bound with quote", "records", "StartTime", "SUM(x)", "1", "2024' OR '1", false},
        {"bound with letters", "records", "StartTime", "SUM(x)", "1", "2024-03-05T00", false},
    };
    for (const PieceCase& c : cases) {
        BucketPass q = Hours(0, 2, c.select, c.condition);
        q.table = c.table;
        q.timeColumn = c.timeColumn;
        if (!c.from.empty()) q.buckets[0].from = c.from;
        std::string why;
        EXPECT_EQ(zl::recnet::CheckBucketPass(q, &why), c.accepted) << c.name << ": " << why;
    }
}

TEST(BucketPass, SeveralPartsAreCountsOrSumsOfAColumn) {
    BucketPass q = Hours(0, 1, "COUNT(InOut)", "InOut = 1 AND (Camera= 1)");
    q.parts.push_back({"sum ( Height )", "InOut = 2"});
    EXPECT_TRUE(zl::recnet::CheckBucketPass(q, nullptr));
    q.parts.push_back({"COUNT(InOut), COUNT(Height)", "1"});
    EXPECT_FALSE(zl::recnet::CheckBucketPass(q, nullptr));
    q.parts.back().select = "MAX(Height)";
    EXPECT_FALSE(zl::recnet::CheckBucketPass(q, nullptr));
    q.parts.back().select = "COUNT(*)";
    EXPECT_FALSE(zl::recnet::CheckBucketPass(q, nullptr));
    q.parts.resize(11, q.parts.front());
    EXPECT_FALSE(zl::recnet::CheckBucketPass(q, nullptr));
}

TEST(BucketPass, OrOutsideParentheses) {
    EXPECT_FALSE(zl::recnet::HasOrOutsideParentheses("(Camera= 1 OR Camera= 2)"));
    EXPECT_FALSE(zl::recnet::HasOrOutsideParentheses("InOut = 1 AND (a OR b) AND 'x or y'"));
    EXPECT_TRUE(zl::recnet::HasOrOutsideParentheses("Camera= 1 OR Camera= 2"));
    EXPECT_TRUE(zl::recnet::HasOrOutsideParentheses("a or b"));
    EXPECT_TRUE(zl::recnet::HasOrOutsideParentheses("(a"));  // unreadable counts as one
}

TEST(BucketPass, IndexOnTheTimeColumnFirst) {
    const struct {
        const char* sql;
        bool leads;
    } cases[] = {
        {"CREATE INDEX \"idx\" ON \"Records\" (\"EnterTime\")", true},
        {"CREATE INDEX idx ON Records(entertime)", true},
        {"CREATE UNIQUE INDEX idx ON Records([EnterTime] COLLATE NOCASE DESC, Camera)", true},
        {"CREATE INDEX idx ON Records(Camera, EnterTime)", false},
        {"CREATE INDEX idx ON Records(substr(EnterTime, 1, 10))", false},
        {"CREATE INDEX idx ON Records(EnterTime || '')", false},
        {"CREATE INDEX idx ON Records(EnterTime) WHERE Camera = 1", false},
        {"CREATE INDEX idx ON Records(EnterTimeX)", false},
        {"garbage", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(zl::recnet::IndexLeadsWithColumn(c.sql, "EnterTime"), c.leads) << c.sql;
}

TEST(BucketPass, TreeStatementCompareAsThePerBucketStatements) {
    std::vector<std::string> statements;
    ASSERT_TRUE(zl::recnet::BuildBucketPassStatements(Hours(9, 3), false, {}, &statements));
    ASSERT_EQ(statements.size(), 1u);
    EXPECT_EQ(statements[0],
              "SELECT CASE WHEN EnterTime<'2024-03-05 10:00:00' THEN CASE WHEN "
              "EnterTime<='2024-03-05 09:59:59' THEN 0 END ELSE CASE WHEN EnterTime<'2024-03-05 "
              "11:00:00' THEN CASE WHEN EnterTime<='2024-03-05 10:59:59' THEN 1 END ELSE CASE WHEN "
              "EnterTime<='2024-03-05 11:59:59' THEN 2 END END END, SUM(Inward), SUM(Outward) "
              "FROM Records WHERE EnterTime BETWEEN '2024-03-05 09:00:00' AND '2024-03-05 "
              "11:59:59' AND ((Camera= 1)) GROUP BY 1");
    ASSERT_TRUE(zl::recnet::BuildBucketPassStatements(Hours(9, 2), true, {}, &statements));
    ASSERT_EQ(statements.size(), 1u);
    EXPECT_EQ(statements[0],
              "SELECT 0, SUM(Inward), SUM(Outward) FROM Records WHERE ((Camera= 1)) AND "
              "EnterTime BETWEEN '2024-03-05 09:00:00' AND '2024-03-05 09:59:59' UNION ALL "
              "SELECT 1, SUM(Inward), SUM(Outward) FROM Records WHERE ((Camera= 1)) AND "
              "EnterTime BETWEEN '2024-03-05 10:00:00' AND '2024-03-05 10:59:59'");
}

// Two periods in one pass: the scan's time condition leaves out the days between them (whole
// days apart; the next day or a later hour of the same day is one span), the tree is unchanged.
TEST(BucketPass, TreeStatementLeavesOutTheDaysBetweenTwoPeriods) {
    const auto where = [](const BucketPass& q) {
        std::vector<std::string> statements;
        EXPECT_TRUE(zl::recnet::BuildBucketPassStatements(q, false, {}, &statements));
        const std::string& s = statements.at(0);
        return s.substr(s.find(" WHERE ") + 7, s.find(" AND ((") - s.find(" WHERE ") - 7);
    };
    BucketPass q = Hours(9, 1);
    q.buckets.insert(q.buckets.begin(), {"2023-03-07 09:00:00", "2023-03-07 09:59:59"});
    EXPECT_EQ(where(q),
              "(EnterTime BETWEEN '2023-03-07 09:00:00' AND '2023-03-07 09:59:59' OR EnterTime "
              "BETWEEN '2024-03-05 09:00:00' AND '2024-03-05 09:59:59')");
    q.buckets.front() = {"2024-03-03 00:00:00", "2024-03-03 23:59:59"};  // a day between
    EXPECT_EQ(where(q),
              "(EnterTime BETWEEN '2024-03-03 00:00:00' AND '2024-03-03 23:59:59' OR EnterTime "
              "BETWEEN '2024-03-05 09:00:00' AND '2024-03-05 09:59:59')");
    q.buckets.front() = {"2024-03-04 00:00:00", "2024-03-04 23:59:59"};  // the day before
    EXPECT_EQ(where(q), "EnterTime BETWEEN '2024-03-04 00:00:00' AND '2024-03-05 09:59:59'");
    q.buckets.front() = {"2024-02-28 20:00:00", "2024-02-29 07:59:59"};  // across a leap day
    q.buckets.back() = {"2024-03-01 08:00:00", "2024-03-01 08:59:59"};
    EXPECT_EQ(where(q), "EnterTime BETWEEN '2024-02-28 20:00:00' AND '2024-03-01 08:59:59'");
}

TEST(BucketPass, StatementsAreCutToTheLimits) {
    const BucketPass q = Hours(0, 24);
    for (bool indexed : {false, true}) {
        std::vector<std::string> statements;
        BucketLimits limits;
        limits.maxStatementBytes = 700;
        limits.maxCompound = 5;
        ASSERT_TRUE(zl::recnet::BuildBucketPassStatements(q, indexed, limits, &statements));
        EXPECT_GT(statements.size(), 4u) << indexed;
        for (const std::string& s : statements) EXPECT_LE(s.size(), 700u) << s;
        limits.maxStatementBytes = 100;
        EXPECT_FALSE(zl::recnet::BuildBucketPassStatements(q, indexed, limits, &statements));
    }
}

// Runs statements on an SQLite connection of the test.
class Db {
  public:
    explicit Db(const std::string& path) { sqlite3_open(path.c_str(), &db_); }
    ~Db() { sqlite3_close(db_); }
    zl::recnet::BucketStatementRunner Runner() {
        return
            [this](const std::string& sql, const zl::recnet::BucketRowFn& row, std::string* error) {
                ++statements;
                zl::recnet::Statement statement(db_, sql);
                const int rc = zl::recnet::ForEachRowText(
                    statement, [&](int n, const char* const* texts, const int* lengths) {
                        row(n, texts, lengths);
                        return true;
                    });
                if (rc != SQLITE_DONE) *error = statement.Error();
                return rc == SQLITE_DONE;
            };
    }
    int statements = 0;

  private:
    sqlite3* db_ = nullptr;
};

std::string Text(const zl::recnet::BucketRow& row) {
    std::string s;
    for (const auto& c : row) s += (c.null ? std::string("NULL") : c.text) + ";";
    return s;
}

class BucketRun : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = dir_.File("t.db");
        ASSERT_TRUE(CountingDb(path_)
                        .People2D()
                        .Records({{1, "2024-03-05 09:00:00", {1, 2}},
                                  {1, "2024-03-05 09:59:59", {10, 20}},
                                  {1, "2024-03-05 09:59:59.5", {100, 200}},
                                  {2, "2024-03-05 10:00:00", {5, 5}},
                                  {1, "2024-03-05 11:30:00", {7, 8}},
                                  {1, nullptr, {9, 9}},
                                  {1, "2024-03-05 11:59:59 ", {3, 3}}})
                        .Write());
    }
    TempFolder dir_;
    std::string path_;
};

TEST_F(BucketRun, EveryBucketGetsARowEmptyOnesTheAnswerOverNoRows) {
    for (const char* extra : {"", "CREATE INDEX i ON Records(EnterTime);"}) {
        if (*extra) {
            ASSERT_TRUE(MakeDb(path_, {extra}));
        }
        Db db(path_);
        BucketRows rows;
        std::string error;
        ASSERT_EQ(zl::recnet::RunBucketPass(Hours(8, 5), {}, db.Runner(), &rows, &error),
                  BucketPassResult::kDone)
            << error;
        ASSERT_EQ(rows.size(), 5u);
        EXPECT_EQ(Text(rows[0]), "NULL;NULL;");
        EXPECT_EQ(Text(rows[1]), "11;22;");  // 09:59:59.5 falls between two buckets
        EXPECT_EQ(Text(rows[2]), "NULL;NULL;");
        EXPECT_EQ(Text(rows[3]), "7;8;");  // '11:59:59 ' is after 11:59:59
        EXPECT_EQ(Text(rows[4]), "NULL;NULL;");
    }
}

TEST_F(BucketRun, GapsAndEmptyBucketsOfAWeek) {
    BucketPass q = Hours(9, 3, "COUNT(Inward), SUM(Inward)/COUNT(Inward)", "1");
    q.buckets[1] = {"2024-03-05 10:30:00", "2024-03-05 10:10:59"};  // ends before it starts
    q.buckets[2] = {"2024-03-05 11:15:00", "2024-03-05 11:45:59"};
    Db db(path_);
    BucketRows rows;
    ASSERT_EQ(zl::recnet::RunBucketPass(q, {}, db.Runner(), &rows, nullptr),
              BucketPassResult::kDone);
    EXPECT_EQ(Text(rows[0]), "2;5;");
    EXPECT_EQ(Text(rows[1]), "0;NULL;");
    EXPECT_EQ(Text(rows[2]), "1;7;");
}

TEST_F(BucketRun, CutStatementsAnswerAsOne) {
    Db whole(path_), cut(path_);
    BucketPass q = Hours(0, 24);
    BucketRows a, b;
    ASSERT_EQ(zl::recnet::RunBucketPass(q, {}, whole.Runner(), &a, nullptr),
              BucketPassResult::kDone);
    BucketLimits small;
    small.maxStatementBytes = 600;
    ASSERT_EQ(zl::recnet::RunBucketPass(q, small, cut.Runner(), &b, nullptr),
              BucketPassResult::kDone);
    EXPECT_GT(cut.statements, whole.statements + 2);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) EXPECT_EQ(Text(a[i]), Text(b[i])) << i;
}

TEST_F(BucketRun, UnusableAndFailedQueries) {
    Db db(path_);
    BucketRows rows;
    std::string error;
    // Not an aggregate: the per-bucket statements would give a row per record.
    EXPECT_EQ(zl::recnet::RunBucketPass(Hours(9, 2, "Inward"), {}, db.Runner(), &rows, &error),
              BucketPassResult::kUnusable);
    EXPECT_EQ(
        zl::recnet::RunBucketPass(Hours(9, 2, "SUM(Nothing)"), {}, db.Runner(), &rows, &error),
        BucketPassResult::kFailed);
    EXPECT_NE(error.find("Nothing"), std::string::npos);
    EXPECT_TRUE(rows.empty());
}

// The local object's bucket pass and its cancel.
class LocalPass : public ::testing::Test {
  protected:
    void SetUp() override {
        path_ = dir_.File("big.db");
        ASSERT_TRUE(CountingDb(path_)
                        .Zone()
                        .Sql("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n "
                             "WHERE i < 49999) INSERT INTO records SELECT "
                             "strftime('%Y-%m-%d %H:%M:%S', '2024-03-05', (i % 1440) || "
                             "' minutes'), i % 7, 1 + i % 3 FROM n;")
                        .Write());
        local_ = CreateRecNetLocal();
        ASSERT_TRUE(local_->Open(path_.c_str()));
    }
    void TearDown() override { DestroyRecNetLocal(&local_); }
    TempFolder dir_;
    std::string path_;
    RecNetLocal* local_ = nullptr;
};

TEST_F(LocalPass, AnswersTheReportAndStopsWhenCancelled) {
    auto* pass = dynamic_cast<RecNetBucketPass*>(local_);
    ASSERT_NE(pass, nullptr);
    BucketPass q;
    ASSERT_TRUE(BucketPassOf(PlanGeneric("SUM(AverageCount)/COUNT(AverageCount)", "Camera= 1",
                                         "StartTime", kReportDay, Day(2024, 3, 5), 5, {}),
                             &q));
    BucketRows rows;
    std::string statement;
    ASSERT_EQ(pass->ExecBucketPass(q, nullptr, &rows, &statement), BucketPassResult::kDone);
    EXPECT_EQ(rows.size(), 288u);
    EXPECT_NE(statement.find("GROUP BY 1"), std::string::npos);

    int polls = 0;
    EXPECT_EQ(pass->ExecBucketPass(
                  q, [&] { return ++polls > 3; }, &rows, &statement),
              BucketPassResult::kFailed);
    EXPECT_GT(polls, 3);
    EXPECT_TRUE(rows.empty());
    // The connection is usable again afterwards, without the cancel.
    EXPECT_EQ(pass->ExecBucketPass(q, nullptr, &rows, &statement), BucketPassResult::kDone);
}

// Many sites stay open through a run: after its pass a connection holds no cache of pages.
TEST_F(LocalPass, TheConnectionGivesItsPagesBackAfterThePass) {
    auto* pass = dynamic_cast<RecNetBucketPass*>(local_);
    ASSERT_NE(pass, nullptr);
    BucketPass q;
    ASSERT_TRUE(BucketPassOf(
        PlanGeneric("SUM(AverageCount)", "1", "StartTime", kReportDay, Day(2024, 3, 5), 60, {}),
        &q));
    BucketRows rows;
    std::string statement;
    const sqlite3_int64 before = sqlite3_memory_used();
    ASSERT_EQ(pass->ExecBucketPass(q, nullptr, &rows, &statement), BucketPassResult::kDone);
    // The pass read the whole file (over a megabyte); what stays is the schema and the
    // statement cache, not its pages.
    EXPECT_LT(sqlite3_memory_used() - before, 256 * 1024);
}

}  // namespace

}  // namespace zl
