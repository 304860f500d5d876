// What the query engine asks of its host: progress steps and cancellation, the "try again?"
// question after a failed query, and where result rows go. The window, the command-line tool
// and the tests each implement these, so the engine runs the same under all of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/SysTime.h"

namespace zl {

class PassPairing;

// The progress display of a running query. The engine steps it after every hour (Day) or day
// (Week, Month) of a report and stops when it answers false.
class IQueryProgress {
  public:
    virtual ~IQueryProgress() = default;
    // Advances the display; `text` (may be null) replaces the shown text. Answers false when
    // the display is gone or the user cancelled: the engine then stops.
    virtual bool Step(const char* text = nullptr) = 0;
    // Ends the run from inside: sets the aborted flag and closes the display.
    virtual void Abort() = 0;
    // True once the run was aborted or cancelled.
    virtual bool Aborted() const = 0;
    // Closes the display at the normal end of a run (the worker calls it).
    virtual void Close() = 0;
};

// The question shown when a query keeps failing. Answers true for Yes (try again).
class IRetryPrompt {
  public:
    virtual ~IRetryPrompt() = default;
    // caption: language string 0; message: "<address> <string 110> <string 401>".
    virtual bool AskRetry(const std::string& caption, const std::string& message) = 0;
};

// Receives one result row per time bucket, in bucket order. `kind` is the range of the run
// (0 Day, 1 Week, 2 Month); `values` holds `count` values (at most 10 are kept by a table).
class IRowSink {
  public:
    virtual ~IRowSink() = default;
    virtual void AddRow(const SYSTEMTIME& from, const SYSTEMTIME& to, const uint32_t* values,
                        int count, int kind) = 0;
};

// What a bucket pass counted besides the report's values: the records of every bucket (those
// the plan's record condition selects). The data coverage reads it instead of a pass of its
// own.
struct PassRecordCounts {
    int family = 0;  // the plan's QueryFamily
    std::vector<tagDSSYSTIMEPERIOD> buckets;
    std::vector<uint64_t> records;  // per bucket
};

// Receives the counts of each bucket pass of a site's run (a plan run per bucket gives none).
class IRecordCountSink {
  public:
    virtual ~IRecordCountSink() = default;
    virtual void AddCounts(PassRecordCounts counts) = 0;
};

// The host objects one run uses. Any may be null: no progress means the run is never
// cancelled from outside, no prompt answers No, no sink drops the rows, no lastSql keeps
// nothing.
struct QueryHooks {
    IQueryProgress* progress = nullptr;
    IRetryPrompt* prompt = nullptr;
    IRowSink* sink = nullptr;
    std::string* lastSql = nullptr;  // receives every SQL text as it is sent
    // Ask for all buckets of a site in a bucket pass when its handle can (data/BucketPassRun.h);
    // the per-bucket statements remain the way only when it cannot; a failed pass is a failure.
    bool bucketPass = false;
    // When set, the bucket pass also counts the records of each bucket and hands them here.
    IRecordCountSink* counts = nullptr;
    // When set, a bucket pass also answers the buckets of an earlier period
    // (data/PassPairing.h) and keeps their rows there.
    PassPairing* earlierInPass = nullptr;
    // When set, a pass whose rows an earlier joined pass kept is taken from there, not run.
    PassPairing* answeredPasses = nullptr;
};

}  // namespace zl
