// The local object's bucket pass: the statements run on the object's own connection, stopped
// through the progress handler when the caller cancels.
#include <sqlite3.h>

#include "recnet/LocalDatabase.h"
#include "recnet/SqliteStatement.h"

namespace zl::recnet {

namespace {

// VM instructions between two looks at the cancel flag.
constexpr int kCancelPollInstructions = 4000;

int PollCancel(void* context) {
    const auto* cancelled = static_cast<const std::function<bool()>*>(context);
    return (*cancelled)() ? 1 : 0;
}

bool RunStatement(sqlite3* db, const std::string& sql, const BucketRowFn& row, std::string* error) {
    Statement statement(db, sql);
    if (!statement.Prepared()) {
        *error = statement.Code() != SQLITE_OK ? statement.Error() : "no statement";
        return false;
    }
    const int rc =
        ForEachRowText(statement, [&](int columns, const char* const* texts, const int* lengths) {
            row(columns, texts, lengths);
            return true;
        });
    if (rc != SQLITE_DONE) *error = statement.Error();
    return rc == SQLITE_DONE;
}

}  // namespace

BucketPassResult LocalDatabase::ExecBucketPass(const BucketPass& query,
                                               const std::function<bool()>& cancelled,
                                               BucketRows* rows, std::string* statement) {
    lastError_.clear();
    if (!db_ || !rows) {
        lastError_ = db_ ? "missing argument" : "no database open";
        return BucketPassResult::kFailed;
    }
    if (cancelled)
        sqlite3_progress_handler(db_, kCancelPollInstructions, PollCancel,
                                 const_cast<std::function<bool()>*>(&cancelled));
    const BucketStatementRunner run = [this](const std::string& sql, const BucketRowFn& row,
                                             std::string* error) {
        return RunStatement(db_, sql, row, error);
    };
    const BucketPassResult result =
        RunBucketPass(query, BucketLimits{}, run, rows, &lastError_, statement);
    if (cancelled) sqlite3_progress_handler(db_, 0, nullptr, nullptr);
    // The pass is a run's big read; its pages go back to the heap now rather than stay with
    // the connection until it closes, so many open sites do not hold a full cache each.
    sqlite3_db_release_memory(db_);
    return result;
}

}  // namespace zl::recnet
