// One served database opened for a session, locked down for SQL from clients: read-only
// open of a real path (no links, no URIs), defensive mode, no triggers, extensions or FTS3
// tokenizers, query_only, an authorizer that lets through nothing but reading and a list of
// harmless functions, one read-only statement per request, and a time limit, a row limit
// and a byte limit per statement.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "BoundedFunctions.h"
#include "ServerConfig.h"

struct sqlite3;

namespace zl::recnetd {

enum class RunOutcome {
    Ok,
    Refused,    // not a single read-only SELECT, or it uses something not allowed
    TimedOut,   // the time limit stopped it
    TooLarge,   // the row or byte limit, or a value over the length limit
    Cancelled,  // the client went away or the server stops
    Failed,     // any other SQLite error (syntax, missing table, ...)
    Busy,       // the file stayed locked by a writer
};

// Receives the result. Row returns false when the rows cannot be delivered (client gone).
class RowSink {
  public:
    virtual ~RowSink() = default;
    virtual void Begin(int columns, const char* const* names) = 0;
    // texts[i] == nullptr for NULL; lengths[i] its byte count.
    virtual bool Row(int columns, const char* const* texts, const int* lengths) = 0;
};

class GuardedDatabase : private StopCheck {
  public:
    ~GuardedDatabase() override;
    GuardedDatabase(const GuardedDatabase&) = delete;
    GuardedDatabase& operator=(const GuardedDatabase&) = delete;

    // Opens realPath read-only and applies every lock. Null with *error on failure.
    static std::unique_ptr<GuardedDatabase> Open(const std::string& realPath, const Limits& limits,
                                                 std::string* error);

    // Runs exactly one statement. cancelled (optional) is polled while it runs. A camera
    // discovery statement is answered through the discovery cache (GuardedDiscovery.cpp).
    RunOutcome Run(const std::string& sql, RowSink* sink, const std::function<bool()>& cancelled,
                   std::string* message);

    // True while the file at the path is still the one that was opened.
    bool StillSameFile() const;
    const std::string& RealPath() const { return realPath_; }

    // Interrupts the statements of every open database of the process (at shutdown).
    static void InterruptAll();

  private:
    GuardedDatabase() = default;
    bool ShouldStop() override;
    RunOutcome RunDiscovery(const std::string& sql, RowSink* sink,
                            const std::function<bool()>& cancelled, std::string* message);
    static int Progress(void* self);
    static int Authorize(void* self, int action, const char* arg1, const char* arg2,
                         const char* database, const char* trigger);

    sqlite3* db_ = nullptr;
    std::string realPath_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
    Limits limits_;
    // Set for the time of one Run; the progress handler reads them.
    int64_t deadlineNs_ = 0;
    const std::function<bool()>* cancelled_ = nullptr;
    int64_t nextCancelPollNs_ = 0;
    bool timedOut_ = false;
    bool wasCancelled_ = false;
    std::string denied_;  // what the authorizer refused in the current Run
    // A virtual table (a table-valued function) was being set up in the current prepare.
    bool virtualTable_ = false;
    bool discovering_ = false;  // the discovery statement runs for the cache
    // While set, Run notes whether every value it hands on is an integer or NULL.
    bool* onlyIntegers_ = nullptr;
};

// True when the text starts (after blanks and comments) with SELECT, WITH or VALUES.
// Checked before SQLite sees the text.
bool StartsAsQuery(const std::string& sql);
// True when text is only blanks, semicolons and comments.
bool IsEmptyTail(const char* text);
// The functions a client's statement may call.
bool IsAllowedFunction(const char* name);

}  // namespace zl::recnetd
