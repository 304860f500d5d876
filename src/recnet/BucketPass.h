// The bucket pass: the aggregate of a whole report in one pass, where the rows of the report
// period are read once and aggregated per time bucket, with the answer of one statement per
// bucket.
//
// A bucket pass stands for one or more per-bucket statements, each of the form
//   SELECT <select> FROM <table> WHERE (<condition>) AND <timeColumn> BETWEEN '<from>' AND '<to>'
// run once per bucket. The answer has one row per bucket, in bucket order: for one part the
// columns of that statement; for several parts the first column of each.
//
// The statements that answer it keep every comparison the per-bucket statements make, so the
// same rows qualify whatever the time column holds (its affinity and collation apply as
// before): without an index on the time column one scan of the period whose bucket number
// comes from a tree of the same comparisons (`<` and `<=` against the bucket bounds), grouped
// by it; with an index the per-bucket statements themselves joined with UNION ALL. A bucket
// without rows gets the answer of the statement over no rows. Both the local object and
// recnetd build and run them here, so that both answer alike.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zl::recnet {

struct BucketSpan {
    std::string from;  // time texts, both inclusive ('YYYY-MM-DD hh:mm:ss')
    std::string to;
    bool operator==(const BucketSpan&) const = default;
};

struct BucketPart {
    std::string select;     // one part: a select list; several: "COUNT(col)" or "SUM(col)"
    std::string condition;  // the rest of the WHERE clause
    bool operator==(const BucketPart&) const = default;
};

struct BucketPass {
    std::string table;
    std::string timeColumn;
    std::vector<BucketPart> parts;
    std::vector<BucketSpan> buckets;
    // Both read the same rows the same way over the same buckets.
    bool operator==(const BucketPass&) const = default;
};

struct BucketCell {
    bool null = true;
    std::string text;
};
using BucketRow = std::vector<BucketCell>;
using BucketRows = std::vector<BucketRow>;  // one per bucket

// Upper bounds of a request.
constexpr int kMaxBucketCount = 4096;
constexpr int kMaxBucketParts = 10;
constexpr int kMaxBucketPieceBytes = 16 * 1024;

struct BucketLimits {
    int maxStatementBytes = 64 * 1024;  // longest statement text built
    int maxCompound = 100;              // SELECTs joined in one statement
};

// Checks names (plain identifiers), bound texts (digits, '-', ':' and blanks), the pieces (one
// expression or list each: balanced parentheses, no statement keyword outside parentheses, no
// semicolon or comment, closed quotes) and the counts. False with a reason.
bool CheckBucketPass(const BucketPass& query, std::string* error);

// A piece of SQL that stays in its place when pasted into a statement: see CheckBucketPass.
// A list may hold commas outside parentheses.
bool IsSqlPiece(const std::string& text, bool list);
// True when `text` has the keyword OR outside parentheses and quotes, so that
// "<text> AND x" does not mean "(<text>) AND x".
bool HasOrOutsideParentheses(const std::string& text);
bool IsPlainIdentifier(const std::string& text);

// The statement over no rows: one row with the answer of an empty bucket.
std::string EmptyBucketStatement(const BucketPass& query);
// The catalogue query of the table's indexes (one column: their CREATE INDEX texts).
std::string IndexListStatement(const BucketPass& query);
// True when a CREATE INDEX text indexes `column` first, for all rows (no WHERE clause).
bool IndexLeadsWithColumn(const std::string& createIndexSql, const std::string& column);

// The statements of a checked query; every one answers rows whose first column is the bucket
// number. `indexed`: the time column has an index (statements per bucket, joined). False when
// a single bucket does not fit into the limits.
bool BuildBucketPassStatements(const BucketPass& query, bool indexed, const BucketLimits& limits,
                               std::vector<std::string>* statements);

// Runs one statement, each row to `row` (text nullptr for NULL, lengths in bytes). Answers
// true when it ran; false with *error otherwise.
using BucketRowFn = std::function<void(int columns, const char* const* texts, const int* lengths)>;
using BucketStatementRunner =
    std::function<bool(const std::string& sql, const BucketRowFn& row, std::string* error)>;

// How a bucket pass ended, wherever it runs (here, the local object, the client, the run).
enum class BucketPassResult {
    kFailed,   // a statement failed (or the call was cancelled)
    kDone,     // rows holds one row per bucket
    kUnusable  // the pass cannot answer this query (see *error): the per-bucket statements can
};

// Checks the query, asks for the empty-bucket answer and the indexes, and runs the statements.
// `lastStatement` (optional) receives the text of the last statement run.
BucketPassResult RunBucketPass(const BucketPass& query, const BucketLimits& limits,
                               const BucketStatementRunner& run, BucketRows* rows,
                               std::string* error, std::string* lastStatement = nullptr);

}  // namespace zl::recnet
