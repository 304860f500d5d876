// The statement wrapper and its row loop: errors of preparing and of stepping, a loop the row
// stops, several statements of one text, bindings, and a statement finalized on every way out
// of its scope (end, early return, throw, move), which the connection confirms by closing.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "recnet/SqliteStatement.h"

namespace zl {

namespace {

using zl::recnet::ForEachRow;
using zl::recnet::ForEachRowText;
using zl::recnet::Statement;

// An in-memory database with a small table. Closing it with sqlite3_close (not _v2) fails while
// any statement of it is not finalized, so the destructor checks that none was left behind.
class SqliteStatement : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db_,
                               "CREATE TABLE t(a INTEGER, b TEXT);"
                               "INSERT INTO t VALUES(1,'x'),(2,NULL),(3,'zz');",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
    }
    void TearDown() override {
        EXPECT_EQ(sqlite3_next_stmt(db_, nullptr), nullptr) << "a statement was not finalized";
        EXPECT_EQ(sqlite3_close(db_), SQLITE_OK);
    }
    bool AnyOpenStatement() const { return sqlite3_next_stmt(db_, nullptr) != nullptr; }

    sqlite3* db_ = nullptr;
};

TEST_F(SqliteStatement, RowsTextsAndTheEndOfTheLoop) {
    Statement s(db_, "SELECT a, b FROM t ORDER BY a");
    ASSERT_TRUE(s.Prepared());
    EXPECT_EQ(s.Columns(), 2);
    EXPECT_STREQ(s.Name(1), "b");
    std::vector<std::string> seen;
    const int rc = ForEachRowText(s, [&](int columns, const char* const* texts, const int* n) {
        EXPECT_EQ(columns, 2);
        seen.push_back(std::string(texts[0], n[0]) + "|" +
                       (texts[1] ? std::string(texts[1], n[1]) : "NULL"));
        return true;
    });
    EXPECT_EQ(rc, SQLITE_DONE);
    EXPECT_EQ(seen, (std::vector<std::string>{"1|x", "2|NULL", "3|zz"}));
    EXPECT_TRUE(s.ReadOnly());
    EXPECT_FALSE(s.IsExplain());
}

TEST_F(SqliteStatement, TheRowStopsTheLoopAndTheStatementRunsAgainAfterAReset) {
    Statement s(db_, "SELECT a FROM t ORDER BY a");
    int rows = 0;
    EXPECT_EQ(ForEachRow(s, [&](const Statement& row) { return row.Int64(0) < 2 && ++rows; }),
              SQLITE_ROW);
    EXPECT_EQ(rows, 1);
    EXPECT_EQ(s.Reset(), SQLITE_OK);
    rows = 0;
    EXPECT_EQ(ForEachRow(s, [&](const Statement&) { return ++rows > 0; }), SQLITE_DONE);
    EXPECT_EQ(rows, 3);
}

TEST_F(SqliteStatement, ErrorsOfPreparingAndOfStepping) {
    Statement bad(db_, "SELECT nothing FROM t");
    EXPECT_FALSE(bad.Prepared());
    EXPECT_EQ(bad.Code(), SQLITE_ERROR);
    EXPECT_NE(bad.Error().find("nothing"), std::string::npos) << bad.Error();
    int calls = 0;
    EXPECT_EQ(ForEachRow(bad, [&](const Statement&) { return ++calls > 0; }), SQLITE_ERROR);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(bad.Step(), SQLITE_MISUSE);  // nothing to step, and no crash

    // Fails while it runs: the integer overflow of abs() on the smallest integer.
    Statement overflow(db_, "SELECT abs(-9223372036854775807 - 1 + a - a) FROM t");
    ASSERT_TRUE(overflow.Prepared());
    EXPECT_EQ(ForEachRow(overflow, [](const Statement&) { return true; }), SQLITE_ERROR);
    EXPECT_NE(overflow.Error().find("overflow"), std::string::npos) << overflow.Error();

    // Only blanks and a comment: nothing to run, which is no error and has no rows.
    Statement empty(db_, "  -- nothing\n");
    EXPECT_FALSE(empty.Prepared());
    EXPECT_EQ(empty.Code(), SQLITE_OK);
    EXPECT_EQ(ForEachRow(empty, [&](const Statement&) { return ++calls > 0; }), SQLITE_DONE);
    EXPECT_EQ(calls, 0);
}

TEST_F(SqliteStatement, TheStatementsOfOneTextOneAfterTheOther) {
    const char* text = "SELECT 1; SELECT 2 ; ";
    std::vector<int64_t> values;
    while (text && *text) {
        const char* tail = nullptr;
        Statement s(db_, text, &tail);
        ASSERT_EQ(s.Code(), SQLITE_OK);
        text = tail;
        if (!s.Prepared()) continue;
        ASSERT_EQ(s.Step(), SQLITE_ROW);
        values.push_back(s.Int64(0));
    }
    EXPECT_EQ(values, (std::vector<int64_t>{1, 2}));
}

TEST_F(SqliteStatement, BindingsAreKeptUntilTheNextBind) {
    Statement insert(db_, "INSERT INTO t VALUES(?1, ?2)");
    std::string text = "copied";
    ASSERT_TRUE(insert.Bind(1, int64_t{40}));
    ASSERT_TRUE(insert.Bind(2, text));
    text = "changed";  // a bound copy does not see this
    EXPECT_EQ(insert.Step(), SQLITE_DONE);
    insert.Reset();
    const char kept[] = "kept as it is";
    ASSERT_TRUE(insert.Bind(1, int64_t{41}));
    ASSERT_TRUE(insert.BindStatic(2, kept, 4));
    EXPECT_EQ(insert.Step(), SQLITE_DONE);
    EXPECT_FALSE(insert.Bind(3, int64_t{1}));  // no such parameter

    Statement read(db_, "SELECT b FROM t WHERE a >= 40 ORDER BY a");
    std::vector<std::string> seen;
    ForEachRow(read, [&](const Statement& row) {
        seen.emplace_back(row.Text(0), row.Bytes(0));
        return true;
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"copied", "kept"}));
}

// The ways out of a scope: each leaves no statement behind (TearDown closes the connection).
TEST_F(SqliteStatement, FinalizedOnEveryWayOut) {
    const auto earlyReturn = [&]() -> bool {
        Statement s(db_, "SELECT a FROM t");
        if (s.Step() == SQLITE_ROW) return true;  // stops in the middle of the rows
        return false;
    };
    EXPECT_TRUE(earlyReturn());
    EXPECT_FALSE(AnyOpenStatement());

    EXPECT_THROW(
        {
            Statement s(db_, "SELECT a FROM t");
            ForEachRow(s, [](const Statement&) -> bool { throw std::runtime_error("row"); });
        },
        std::runtime_error);
    EXPECT_FALSE(AnyOpenStatement());

    Statement kept;
    {
        Statement s(db_, "SELECT a FROM t");
        EXPECT_TRUE(AnyOpenStatement());
        kept = std::move(s);  // the statement now lives on in `kept`
    }
    EXPECT_TRUE(AnyOpenStatement());
    EXPECT_TRUE(kept.Prepared());
    EXPECT_EQ(kept.Step(), SQLITE_ROW);
    kept = Statement(db_, "SELECT b FROM t");  // the first one is finalized on assignment
    Statement moved(std::move(kept));
    EXPECT_TRUE(moved.Prepared());
    EXPECT_FALSE(kept.Prepared());  // NOLINT(bugprone-use-after-move): moved from, on purpose
    moved = Statement();
    EXPECT_FALSE(AnyOpenStatement());
}

}  // namespace

}  // namespace zl
