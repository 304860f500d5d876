// The local object's bucket pass: the statements run on the object's own connection, stopped
// through the progress handler when the caller cancels.
#include <vector>

#include "recnet/LocalDatabase.h"

namespace zl::recnet {

namespace {

// VM instructions between two looks at the cancel flag.
constexpr int kCancelPollInstructions = 4000;

int PollCancel(void* context) {
    const auto* cancelled = static_cast<const std::function<bool()>*>(context);
    return (*cancelled)() ? 1 : 0;
}

bool RunStatement(sqlite3* db, const std::string& sql, const BucketRowFn& row, std::string* error) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr);
    if (rc != SQLITE_OK || !stmt) {
        *error = rc != SQLITE_OK ? sqlite3_errmsg(db) : "no statement";
        sqlite3_finalize(stmt);
        return false;
    }
    const int columns = sqlite3_column_count(stmt);
    std::vector<const char*> texts(columns);
    std::vector<int> lengths(columns);
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (int i = 0; i < columns; ++i) {
            texts[i] = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
            lengths[i] = texts[i] ? sqlite3_column_bytes(stmt, i) : 0;
        }
        row(columns, texts.data(), lengths.data());
    }
    if (rc != SQLITE_DONE) *error = sqlite3_errmsg(db);
    sqlite3_finalize(stmt);
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
    return result;
}

}  // namespace zl::recnet
