// The local record-database object on the SQLite C API.
#pragma once

#include <string>

#include "recnet/DiscoveryCache.h"
#include "recnet/RecNet.h"
#include "recnet/RecNetBucketPass.h"

struct sqlite3;

namespace zl::recnet {

// How long a statement waits for a device that is writing the file.
constexpr int kBusyTimeoutMs = 2000;

class LocalDatabase : public RecNetLocal, public RecNetBucketPass {
  public:
    LocalDatabase() = default;
    ~LocalDatabase() override;
    LocalDatabase(const LocalDatabase&) = delete;
    LocalDatabase& operator=(const LocalDatabase&) = delete;

    // Opens read-only; never creates the file. A second Open closes the first database.
    int Open(const char* filePath) override;
    // Runs every statement of the text; rows go to the callback. A callback that answers
    // non-zero stops the run, which then counts as failed (as sqlite3_exec does). A camera
    // discovery statement is answered through the discovery cache (same rows, no scan while
    // the file has not changed).
    int Exec(const char* sql, RecNetRowCallback callback, void* context) override;
    // Sets flags[i] to 1 for each day with a record; other flags are left as they are, so that
    // the answers of several databases can be merged into one array.
    int GetMonthDays(const char* table, const char* timeColumn, uint16_t year, uint16_t month,
                     uint16_t day, int dayCount, uint8_t* flags) override;
    // The bucket pass (LocalBucketPass.cpp); `cancelled` stops a running statement.
    BucketPassResult ExecBucketPass(const BucketPass& query, const std::function<bool()>& cancelled,
                                    BucketRows* rows, std::string* statement) override;

    const std::string& LastError() const { return lastError_; }

  private:
    void CloseDb();
    int ExecDiscovery(const char* sql, RecNetRowCallback callback, void* context);

    sqlite3* db_ = nullptr;
    OpenedFile file_;  // empty path: the identity is unknown, nothing is cached
    std::string lastError_;
};

// Runs every statement of sql on db and hands each row to callback (NULL -> null pointer).
// Returns SQLITE_OK, SQLITE_ABORT when the callback stopped the run, or the error code.
int ExecRows(sqlite3* db, const char* sql, RecNetRowCallback callback, void* context,
             std::string* error);

// Row callback that appends each row (and the names, once) to a DiscoveryAnswer.
int CollectDiscoveryRow(void* context, int columns, char** texts, char** names);

}  // namespace zl::recnet
