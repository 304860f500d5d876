#include <sqlite3.h>

#include <climits>
#include <cstdlib>
#include <vector>

#include "recnet/DiscoveryExtend.h"
#include "recnet/LocalDatabase.h"
#include "recnet/MonthDays.h"
#include "recnet/SqliteStatement.h"
#include "recnet/SqliteText.h"

namespace zl::recnet {

int ExecRows(sqlite3* db, const char* sql, RecNetRowCallback callback, void* context,
             std::string* error) {
    const char* rest = sql;
    std::vector<char*> texts;
    std::vector<char*> names;
    while (rest && *rest) {
        const char* tail = nullptr;
        Statement statement(db, rest, &tail);
        if (statement.Code() != SQLITE_OK) {
            if (error) *error = statement.Error();
            return statement.Code();
        }
        rest = tail;
        if (!statement.Prepared()) continue;  // only whitespace or a comment
        const int columns = statement.Columns();
        texts.assign(columns, nullptr);
        names.assign(columns, nullptr);
        const int rc = ForEachRow(statement, [&](const Statement& row) {
            if (!callback) return true;
            for (int i = 0; i < columns; ++i) {
                texts[i] = const_cast<char*>(row.Text(i));
                names[i] = const_cast<char*>(row.Name(i));
            }
            return callback(context, columns, texts.data(), names.data()) == 0;
        });
        if (rc == SQLITE_ROW) {
            if (error) *error = "stopped by the row callback";
            return SQLITE_ABORT;
        }
        if (rc != SQLITE_DONE) {
            if (error) *error = statement.Error();
            return rc;
        }
    }
    return SQLITE_OK;
}

LocalDatabase::~LocalDatabase() {
    CloseDb();
}

void LocalDatabase::CloseDb() {
    if (db_) sqlite3_close_v2(db_);
    db_ = nullptr;
    file_ = OpenedFile();
}

int LocalDatabase::Open(const char* filePath) {
    CloseDb();
    lastError_.clear();
    if (!filePath || !*filePath) {
        lastError_ = "no file path";
        return 0;
    }
    sqlite3* db = nullptr;
    const std::string path = PlainFilePath(filePath);
    const int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK) {
        lastError_ = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close_v2(db);
        return 0;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);
    // A double-quoted name that is no column must be an error, not a string literal.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    // Opening is lazy in SQLite: read the catalogue now so that a file that is no database
    // (or does not exist) fails here rather than at the first query.
    std::string error;
    if (ExecRows(db, "SELECT count(*) FROM sqlite_master;", nullptr, nullptr, &error) !=
        SQLITE_OK) {
        lastError_ = error;
        sqlite3_close_v2(db);
        return 0;
    }
    db_ = db;
    // The identity of what SQLite opened: it follows links, so the real path.
    char real[PATH_MAX];
    file_ = OpenedFile();
    if (::realpath(path.c_str(), real) == nullptr || !IdentifyFile(real, &file_)) file_ = {};
    return 1;
}

int LocalDatabase::Exec(const char* sql, RecNetRowCallback callback, void* context) {
    lastError_.clear();
    if (!db_ || !sql) {
        lastError_ = db_ ? "no statement" : "no database open";
        return 0;
    }
    if (!file_.path.empty() && IsDiscoveryStatement(sql))
        return ExecDiscovery(sql, callback, context);
    return ExecRows(db_, sql, callback, context, &lastError_) == SQLITE_OK ? 1 : 0;
}

int LocalDatabase::ExecDiscovery(const char* sql, RecNetRowCallback callback, void* context) {
    const TextRun text = [this](const std::string& statement, DiscoveryAnswer* rows) {
        return ExecRows(db_, statement.c_str(), CollectDiscoveryRow, rows, &lastError_) ==
               SQLITE_OK;
    };
    const DiscoveryRun run = [&](DiscoveryAnswer* answer) {
        if (!RunTypedDiscovery(db_, sql, answer, &lastError_)) return false;
        NoteDiscoveryFacts(answer->typed, text, sql, answer);
        return true;
    };
    DiscoveryAnswer answer;
    if (!DiscoveryCache::Shared().Answer(file_, sql, run, &answer, nullptr,
                                         MakeDiscoveryExtend(db_, sql, text)))
        return 0;
    lastError_.clear();
    if (!callback) return 1;
    std::vector<char*> names, texts;
    for (const std::string& name : answer.names) names.push_back(const_cast<char*>(name.c_str()));
    for (const auto& row : answer.rows) {
        texts.clear();
        for (const auto& value : row)
            texts.push_back(value ? const_cast<char*>(value->c_str()) : nullptr);
        if (callback(context, static_cast<int>(texts.size()), texts.data(), names.data()) != 0) {
            lastError_ = "stopped by the row callback";
            return 0;
        }
    }
    return 1;
}

int CollectDiscoveryRow(void* context, int columns, char** texts, char** names) {
    auto* answer = static_cast<DiscoveryAnswer*>(context);
    if (answer->names.empty())
        for (int i = 0; i < columns; ++i) answer->names.push_back(names[i] ? names[i] : "");
    auto& row = answer->rows.emplace_back();
    for (int i = 0; i < columns; ++i)
        row.push_back(texts[i] ? std::optional<std::string>(texts[i]) : std::nullopt);
    return 0;
}

namespace {

struct MarkContext {
    const MonthDaysQuery* query;
    uint8_t* flags;
};

int MarkDay(void* context, int columns, char** texts, char**) {
    auto* mark = static_cast<MarkContext*>(context);
    if (columns < 1) return 0;
    const int index = DayIndexOfText(*mark->query, texts[0]);
    if (index >= 0) mark->flags[index] = 1;
    return 0;
}

}  // namespace

int LocalDatabase::GetMonthDays(const char* table, const char* timeColumn, uint16_t year,
                                uint16_t month, uint16_t day, int dayCount, uint8_t* flags) {
    lastError_.clear();
    if (!db_ || !table || !timeColumn || !flags) {
        lastError_ = db_ ? "missing argument" : "no database open";
        return 0;
    }
    MonthDaysQuery query;
    if (!BuildMonthDaysQuery(table, timeColumn, year, month, day, dayCount, &query)) {
        lastError_ = "invalid date, day count or name";
        return 0;
    }
    MarkContext mark{&query, flags};
    return ExecRows(db_, query.sql.c_str(), MarkDay, &mark, &lastError_) == SQLITE_OK ? 1 : 0;
}

}  // namespace zl::recnet
