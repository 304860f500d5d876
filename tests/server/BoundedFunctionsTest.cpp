// The bounded trim, ltrim, rtrim and replace answer as the built-in ones do, and stop when the
// statement must stop.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "BoundedFunctions.h"

namespace zl::recnetd {
namespace {

struct Connection {
    sqlite3* db = nullptr;
    Connection() { sqlite3_open(":memory:", &db); }
    ~Connection() { sqlite3_close(db); }
    // The value as quote() shows it (NULL, 'text', X'..'), or the error.
    std::string Eval(const std::string& expression) {
        sqlite3_stmt* stmt = nullptr;
        const std::string sql = "SELECT quote(" + expression + ")";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
            return std::string("error: ") + sqlite3_errmsg(db);
        std::string out;
        if (sqlite3_step(stmt) == SQLITE_ROW) {
            const unsigned char* text = sqlite3_column_text(stmt, 0);
            out = text ? reinterpret_cast<const char*>(text) : "(null)";
        } else {
            out = std::string("error: ") + sqlite3_errmsg(db);
        }
        sqlite3_finalize(stmt);
        return out;
    }
};

class StopAfter : public StopCheck {
  public:
    explicit StopAfter(int calls) : left_(calls) {}
    bool ShouldStop() override { return --left_ < 0; }

  private:
    int left_;
};

TEST(BoundedFunctions, AnswerAsTheBuiltInOnes) {
    Connection builtIn, bounded;
    ASSERT_TRUE(RegisterBoundedFunctions(bounded.db, nullptr));
    const char* const expressions[] = {
        "trim('xxhixx', 'x')",
        "ltrim('xyxhixy', 'yx')",
        "rtrim('xyxhixy', 'yx')",
        "trim('  hi  ')",
        "trim('abc', '')",
        "trim('', 'a')",
        "trim(NULL, 'a')",
        "trim('aXa', NULL)",
        "trim('ééhiéé', 'é')",
        "ltrim('éhi', X'C3')",
        "rtrim('hié', X'A9')",
        "trim(12300, '0')",
        "trim(X'616263', 'a')",
        "trim('abcba', 'abc')",
        "ltrim('aaa', 'a')",
        "replace('banana', 'an', 'AN')",
        "replace('aaaa', 'aa', 'a')",
        "replace('abc', '', 'x')",
        "replace('abc', 'b', '')",
        "replace(NULL, 'a', 'b')",
        "replace('abc', NULL, 'b')",
        "replace('abc', 'b', NULL)",
        "replace(12345, 3, 'x')",
        "replace('ééé', 'é', 'e')",
        "replace('abc', 'abcd', 'x')",
        "replace(X'610062', 'b', 'c')",
        "length(replace(hex(zeroblob(1000)), '0', 'ab'))",
    };
    for (const char* expression : expressions)
        EXPECT_EQ(bounded.Eval(expression), builtIn.Eval(expression)) << expression;
}

TEST(BoundedFunctions, StopWhenTheStatementMust) {
    Connection bounded;
    StopAfter stop(3);
    ASSERT_TRUE(RegisterBoundedFunctions(bounded.db, &stop));
    // Quadratic in the built-in ones: hundreds of millions of comparisons.
    const std::string set = "replace(hex(zeroblob(40000)), '0', 'b') || 'a'";
    EXPECT_EQ(bounded.Eval("length(trim(replace(hex(zeroblob(40000)), '0', 'a'), " + set + "))"),
              "error: interrupted");
    StopAfter never(1 << 30);
    ASSERT_TRUE(RegisterBoundedFunctions(bounded.db, &never));
    sqlite3_limit(bounded.db, SQLITE_LIMIT_LENGTH, 1000);
    EXPECT_EQ(bounded.Eval("replace('aaaaaaaaaa', 'a', hex(zeroblob(60)))"),
              "error: string or blob too big");
}

}  // namespace
}  // namespace zl::recnetd
