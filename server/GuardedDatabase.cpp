#include "GuardedDatabase.h"

#include <sqlite3.h>
#include <strings.h>
#include <sys/stat.h>

#include <cctype>
#include <chrono>
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

#include "recnet/DiscoveryCache.h"
#include "recnet/SqliteStatement.h"

namespace zl::recnetd {

namespace {

// VM instructions between two calls of the progress handler. One instruction may copy or
// scan a value of up to max_value_bytes (about a millisecond for 1 MB), so this bounds how
// far a statement can run past its deadline.
constexpr int kProgressInstructions = 64;
// The cancel callback (a gRPC call) is polled at most this often.
constexpr int64_t kCancelPollNs = 5 * 1000 * 1000;

// Every open connection, for InterruptAll. A connection leaves before it is closed, under
// the same lock, so an interrupt never reaches a closed one.
std::mutex openMutex;
// Never destroyed: a server stopped from an exit handler still finds it.
std::set<sqlite3*>& OpenConnections() {
    static auto* connections = new std::set<sqlite3*>;
    return *connections;
}

int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Only functions whose cost grows at most linearly with their arguments: a single call is
// one step for the time limit, so printf('%.*c', ...), instr, like and glob on long texts
// could run far past it.
const char* const kAllowedFunctions[] = {
    // aggregates
    "count",
    "sum",
    "total",
    "avg",
    "min",
    "max",
    "group_concat",
    // window functions
    "row_number",
    "rank",
    "dense_rank",
    "percent_rank",
    "cume_dist",
    "ntile",
    "lag",
    "lead",
    "first_value",
    "last_value",
    "nth_value",
    // dates and times
    "date",
    "time",
    "datetime",
    "julianday",
    "strftime",
    "unixepoch",
    "current_date",
    "current_time",
    "current_timestamp",
    // texts
    "length",
    "lower",
    "upper",
    "substr",
    "substring",
    "trim",
    "ltrim",
    "rtrim",
    "replace",
    "quote",
    "hex",
    "char",
    "unicode",
    "typeof",
    // numbers and NULLs
    "abs",
    "round",
    "coalesce",
    "ifnull",
    "nullif",
    "iif",
    "likely",
    "unlikely",
    "likelihood",
    "random",
    "floor",
    "ceil",
    "ceiling",
    "mod",
    "pow",
    "power",
    "sqrt",
    "sign",
};

// Tables a statement may not read even though they are read-only: the PRAGMA table-valued
// functions and the raw page and statement views.
bool IsForbiddenTable(const char* name) {
    if (!name) return false;
    return strncasecmp(name, "pragma_", 7) == 0 || strcasecmp(name, "sqlite_dbpage") == 0 ||
           strcasecmp(name, "dbstat") == 0 || strcasecmp(name, "sqlite_stmt") == 0;
}

bool IsSchemaTable(const char* name) {
    return strcasecmp(name, "sqlite_master") == 0 || strcasecmp(name, "sqlite_schema") == 0 ||
           strcasecmp(name, "sqlite_temp_master") == 0 ||
           strcasecmp(name, "sqlite_temp_schema") == 0;
}

// Skips blanks and comments; answers the first other character (or the end).
const char* SkipBlanks(const char* p) {
    while (*p) {
        if (std::isspace(static_cast<unsigned char>(*p))) {
            ++p;
        } else if (p[0] == '-' && p[1] == '-') {
            while (*p && *p != '\n') ++p;
        } else if (p[0] == '/' && p[1] == '*') {
            const char* end = std::strstr(p + 2, "*/");
            if (!end) return p + std::strlen(p);  // an open comment runs to the end
            p = end + 2;
        } else {
            break;
        }
    }
    return p;
}

// What a refused statement tried, for the error text.
std::string ActionName(int action, const char* arg1) {
    const std::string object = arg1 ? std::string(" ") + arg1 : std::string();
    switch (action) {
        case SQLITE_INSERT:
            return "INSERT" + object;
        case SQLITE_UPDATE:
            return "UPDATE" + object;
        case SQLITE_DELETE:
            return "DELETE" + object;
        case SQLITE_PRAGMA:
            return "PRAGMA" + object;
        case SQLITE_ATTACH:
            return "ATTACH";
        case SQLITE_DETACH:
            return "DETACH";
        case SQLITE_TRANSACTION:
            return "transactions";
        case SQLITE_SAVEPOINT:
            return "savepoints";
        case SQLITE_ANALYZE:
            return "ANALYZE";
        case SQLITE_REINDEX:
            return "REINDEX";
        case SQLITE_ALTER_TABLE:
            return "ALTER TABLE";
        case SQLITE_CREATE_VTABLE:
        case SQLITE_DROP_VTABLE:
            return "virtual tables";
        default:
            return "changing the database or its schema";
    }
}

}  // namespace

int GuardedDatabase::Authorize(void* context, int action, const char* arg1, const char* arg2,
                               const char*, const char*) {
    auto* self = static_cast<GuardedDatabase*>(context);
    switch (action) {
        case SQLITE_SELECT:
        case SQLITE_RECURSIVE:  // runs under the time limit like everything else
            return SQLITE_OK;
        case SQLITE_READ:
            if (self->virtualTable_ && arg1 && !IsSchemaTable(arg1)) {
                self->denied_ = std::string("the table-valued function or virtual table ") + arg1;
                return SQLITE_DENY;
            }
            if (!IsForbiddenTable(arg1)) return SQLITE_OK;
            self->denied_ = std::string("reading ") + arg1;
            return SQLITE_DENY;
        case SQLITE_UPDATE:
            // Setting up a table-valued function (json_each, dbstat, pragma_...) asks for
            // the catalogue's columns while the statement is prepared; nothing is written
            // then. Let it pass to learn the name at its read; Run refuses the statement.
            if (!arg1 || !IsSchemaTable(arg1)) break;
            self->virtualTable_ = true;
            return SQLITE_OK;
        case SQLITE_FUNCTION:
            if (IsAllowedFunction(arg2)) return SQLITE_OK;
            self->denied_ = std::string("the function ") + (arg2 ? arg2 : "?");
            return SQLITE_DENY;
        default:
            break;
    }
    self->denied_ = ActionName(action, arg1);
    return SQLITE_DENY;
}

bool IsAllowedFunction(const char* name) {
    if (!name) return false;
    for (const char* allowed : kAllowedFunctions) {
        if (strcasecmp(name, allowed) == 0) return true;
    }
    return false;
}

bool StartsAsQuery(const std::string& sql) {
    const char* p = SkipBlanks(sql.c_str());
    for (const char* keyword : {"select", "with", "values"}) {
        const size_t n = std::strlen(keyword);
        if (strncasecmp(p, keyword, n) == 0) {
            const unsigned char next = static_cast<unsigned char>(p[n]);
            if (!(std::isalnum(next) || next == '_' || next >= 0x80)) return true;
        }
    }
    return false;
}

bool IsEmptyTail(const char* text) {
    if (!text) return true;
    for (const char* p = SkipBlanks(text); *p; p = SkipBlanks(p)) {
        if (*p != ';') return false;
        ++p;
    }
    return true;
}

GuardedDatabase::~GuardedDatabase() {
    if (!db_) return;
    std::lock_guard<std::mutex> lock(openMutex);
    OpenConnections().erase(db_);
    sqlite3_close_v2(db_);
}

void GuardedDatabase::InterruptAll() {
    std::lock_guard<std::mutex> lock(openMutex);
    for (sqlite3* db : OpenConnections()) sqlite3_interrupt(db);
}

std::unique_ptr<GuardedDatabase> GuardedDatabase::Open(const std::string& realPath,
                                                       const Limits& limits, std::string* error) {
    std::unique_ptr<GuardedDatabase> self(new GuardedDatabase());
    self->realPath_ = realPath;
    self->limits_ = limits;
    if (realPath.empty() || realPath.front() != '/') {
        *error = "not an absolute path";
        return nullptr;
    }
    // No URI flag; an absolute path is never read as a URI. NOFOLLOW refuses a link that
    // appeared after the path was resolved.
    const int rc = sqlite3_open_v2(realPath.c_str(), &self->db_,
                                   SQLITE_OPEN_READONLY | SQLITE_OPEN_NOFOLLOW, nullptr);
    sqlite3* db = self->db_;
    if (rc != SQLITE_OK) {
        *error = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        return nullptr;
    }
    {
        std::lock_guard<std::mutex> lock(openMutex);
        OpenConnections().insert(db);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, limits.busyTimeoutMs);
    struct Setting {
        int op;
        int value;
    };
    const Setting settings[] = {
        {SQLITE_DBCONFIG_DEFENSIVE, 1},
        {SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0},
        {SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0},
        {SQLITE_DBCONFIG_ENABLE_TRIGGER, 0},
        {SQLITE_DBCONFIG_ENABLE_FTS3_TOKENIZER, 0},
        {SQLITE_DBCONFIG_WRITABLE_SCHEMA, 0},
        {SQLITE_DBCONFIG_DQS_DML, 0},
        {SQLITE_DBCONFIG_DQS_DDL, 0},
    };
    for (const Setting& setting : settings) {
        int now = -1;
        if (sqlite3_db_config(db, setting.op, setting.value, &now) != SQLITE_OK ||
            now != setting.value) {
            *error = "cannot lock the database connection down";
            return nullptr;
        }
    }
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, limits.maxValueBytes);
    sqlite3_limit(db, SQLITE_LIMIT_SQL_LENGTH, limits.maxSqlBytes);
    sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_limit(db, SQLITE_LIMIT_EXPR_DEPTH, 200);
    sqlite3_limit(db, SQLITE_LIMIT_COMPOUND_SELECT, 100);
    sqlite3_limit(db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, 1000);
    sqlite3_limit(db, SQLITE_LIMIT_FUNCTION_ARG, 32);
    sqlite3_limit(db, SQLITE_LIMIT_WORKER_THREADS, 0);
    char* message = nullptr;
    // query_only is set before the authorizer, which refuses every PRAGMA afterwards. The
    // catalogue read makes a file that is no database fail here.
    if (sqlite3_exec(db, "PRAGMA query_only=1; SELECT count(*) FROM sqlite_master;", nullptr,
                     nullptr, &message) != SQLITE_OK) {
        *error = message ? message : "cannot read the database";
        sqlite3_free(message);
        return nullptr;
    }
    if (!RegisterBoundedFunctions(db, self.get())) {
        *error = "cannot lock the database connection down";
        return nullptr;
    }
    sqlite3_set_authorizer(db, &GuardedDatabase::Authorize, self.get());
    sqlite3_progress_handler(db, kProgressInstructions, &GuardedDatabase::Progress, self.get());
    struct stat st {};
    if (::stat(realPath.c_str(), &st) != 0) {
        *error = "the database file went away";
        return nullptr;
    }
    self->device_ = st.st_dev;
    self->inode_ = st.st_ino;
    return self;
}

bool GuardedDatabase::StillSameFile() const {
    struct stat st {};
    return ::stat(realPath_.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_dev == device_ &&
           st.st_ino == inode_;
}

bool GuardedDatabase::ShouldStop() {
    if (deadlineNs_ == 0) return false;  // not inside Run (setup statements)
    const int64_t now = NowNs();
    if (now > deadlineNs_) {
        timedOut_ = true;
        return true;
    }
    if (cancelled_ && *cancelled_ && now >= nextCancelPollNs_) {
        nextCancelPollNs_ = now + kCancelPollNs;
        if ((*cancelled_)()) {
            wasCancelled_ = true;
            return true;
        }
    }
    return false;
}

int GuardedDatabase::Progress(void* context) {
    return static_cast<GuardedDatabase*>(context)->ShouldStop() ? 1 : 0;
}

RunOutcome GuardedDatabase::Run(const std::string& sql, RowSink* sink,
                                const std::function<bool()>& cancelled, std::string* message) {
    message->clear();
    if (!discovering_ && zl::recnet::IsDiscoveryStatement(sql))
        return RunDiscovery(sql, sink, cancelled, message);
    if (sql.find('\0') != std::string::npos) {
        *message = "a NUL character in the statement";
        return RunOutcome::Refused;
    }
    if (sql.size() > static_cast<size_t>(limits_.maxSqlBytes)) {
        *message = "statement longer than " + std::to_string(limits_.maxSqlBytes) + " bytes";
        return RunOutcome::TooLarge;
    }
    if (!StartsAsQuery(sql)) {
        *message = "only SELECT, WITH and VALUES statements are accepted";
        return RunOutcome::Refused;
    }
    const char* tail = nullptr;
    denied_.clear();
    virtualTable_ = false;
    zl::recnet::Statement statement(db_, sql, &tail);
    int rc = statement.Code();
    if (rc != SQLITE_OK) {
        const int primary = rc & 0xff;
        if (!denied_.empty() || primary == SQLITE_AUTH) {
            *message =
                "not allowed: " + (denied_.empty() ? std::string(sqlite3_errmsg(db_)) : denied_);
            return RunOutcome::Refused;
        }
        *message = sqlite3_errmsg(db_);
        if (primary == SQLITE_TOOBIG) return RunOutcome::TooLarge;
        return RunOutcome::Failed;
    }
    if (!statement.Prepared()) {
        *message = "no statement";
        return RunOutcome::Refused;
    }
    if (virtualTable_) {
        *message =
            "not allowed: " +
            (denied_.empty() ? std::string("table-valued functions and virtual tables") : denied_);
        return RunOutcome::Refused;
    }
    if (!IsEmptyTail(tail)) {
        *message = "only one statement per request";
        return RunOutcome::Refused;
    }
    if (!statement.ReadOnly() || statement.IsExplain()) {
        *message = "the statement is not a read-only query";
        return RunOutcome::Refused;
    }
    const int columns = statement.Columns();
    std::vector<const char*> names(columns);
    for (int i = 0; i < columns; ++i) names[i] = statement.Name(i);
    if (sink) sink->Begin(columns, names.data());

    deadlineNs_ = NowNs() + static_cast<int64_t>(limits_.statementTimeoutMs) * 1000000;
    cancelled_ = &cancelled;
    nextCancelPollNs_ = 0;
    timedOut_ = false;
    wasCancelled_ = false;
    struct Reset {
        GuardedDatabase* self;
        ~Reset() {
            self->deadlineNs_ = 0;
            self->cancelled_ = nullptr;
        }
    } reset{this};

    int64_t rows = 0;
    int64_t bytes = 0;
    RunOutcome stopped = RunOutcome::Ok;  // why a row ended the run
    rc = zl::recnet::ForEachRowText(
        statement, [&](int count, const char* const* texts, const int* lengths) {
            for (int i = 0; i < count; ++i) {
                bytes += lengths[i] + 1;
                if (onlyIntegers_ && texts[i] && statement.Type(i) != SQLITE_INTEGER)
                    *onlyIntegers_ = false;
            }
            if (sqlite3_errcode(db_) == SQLITE_NOMEM) {
                *message = "out of memory";
                stopped = RunOutcome::TooLarge;
            } else if (++rows > limits_.maxRows) {
                *message = "the answer has more than " + std::to_string(limits_.maxRows) + " rows";
                stopped = RunOutcome::TooLarge;
            } else if (bytes > limits_.maxAnswerBytes) {
                *message = "the answer is larger than " + std::to_string(limits_.maxAnswerBytes) +
                           " bytes";
                stopped = RunOutcome::TooLarge;
            } else if (NowNs() > deadlineNs_) {
                *message =
                    "time limit of " + std::to_string(limits_.statementTimeoutMs) + " ms exceeded";
                stopped = RunOutcome::TimedOut;
            } else if (sink && !sink->Row(count, texts, lengths)) {
                *message = "the client went away";
                stopped = RunOutcome::Cancelled;
            }
            return stopped == RunOutcome::Ok;
        });
    if (rc == SQLITE_ROW) return stopped;
    if (rc == SQLITE_DONE) return RunOutcome::Ok;
    const int primary = rc & 0xff;
    // A bounded function that stopped fails with its own error; the flags tell why.
    if (timedOut_) {
        *message = "time limit of " + std::to_string(limits_.statementTimeoutMs) + " ms exceeded";
        return RunOutcome::TimedOut;
    }
    if (wasCancelled_ || primary == SQLITE_INTERRUPT) {
        *message = "cancelled";
        return RunOutcome::Cancelled;
    }
    if (!denied_.empty()) {
        *message = "not allowed: " + denied_;
        return RunOutcome::Refused;
    }
    *message = sqlite3_errmsg(db_);
    switch (primary) {
        case SQLITE_TOOBIG:
        case SQLITE_NOMEM:
            return RunOutcome::TooLarge;
        case SQLITE_AUTH:
        case SQLITE_READONLY:
            return RunOutcome::Refused;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return RunOutcome::Busy;
        default:
            return RunOutcome::Failed;
    }
}

}  // namespace zl::recnetd
