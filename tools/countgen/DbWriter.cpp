#include "DbWriter.h"

#include <sqlite3.h>

#include <filesystem>
#include <system_error>

namespace zl {

namespace fs = std::filesystem;

namespace {

std::string Quoted(const char* identifier) {
    std::string out = "\"";
    for (const char* p = identifier; *p; ++p)
        out += (*p == '"') ? std::string("\"\"") : std::string(1, *p);
    return out + "\"";
}

}  // namespace

DbWriter::~DbWriter() {
    Abort();
}

bool DbWriter::Exec(const std::string& sql, std::string* error) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) == SQLITE_OK) return true;
    *error = path_ + ": " + (message ? message : "SQLite error");
    sqlite3_free(message);
    return false;
}

bool DbWriter::Open(const std::string& path, const TableSpec& spec, bool replace,
                    std::string* error) {
    Abort();
    path_ = path;
    spec_ = spec;
    rows_ = 0;
    insertError_.clear();
    std::error_code ec;
    if (fs::exists(path, ec) && !replace) {
        *error = path + " already exists (use --force to replace it)";
        return false;
    }
    fs::create_directories(fs::path(path).parent_path(), ec);
    if (ec) {
        *error = "cannot create the folder of " + path + ": " + ec.message();
        return false;
    }
    tempPath_ = path + ".part";
    fs::remove(tempPath_, ec);
    if (sqlite3_open_v2(tempPath_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        *error = "cannot create " + tempPath_ + ": " + (db_ ? sqlite3_errmsg(db_) : "no memory");
        Abort();
        return false;
    }
    std::string create = "CREATE TABLE " + Quoted(spec.table) + " (";
    std::string insert = "INSERT INTO " + Quoted(spec.table) + " (";
    std::string values = ") VALUES (";
    for (std::size_t i = 0; i < spec.columns.size(); ++i) {
        const char* sep = i ? ", " : "";
        create += sep + Quoted(spec.columns[i].name) + " " + spec.columns[i].type;
        insert += sep + Quoted(spec.columns[i].name);
        values += sep + std::string("?") + std::to_string(i + 1);
    }
    create += ");";
    insert += values + ");";
    if (!Exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA locking_mode=EXCLUSIVE;"
              "PRAGMA cache_size=-65536;",
              error) ||
        !Exec(create, error) || !Exec("BEGIN;", error)) {
        Abort();
        return false;
    }
    insert_ = zl::recnet::Statement(db_, insert.c_str());
    if (insert_.Code() != SQLITE_OK) {
        *error = path_ + ": " + insert_.Error();
        Abort();
        return false;
    }
    return true;
}

bool DbWriter::Insert() {
    if (!insert_.Prepared()) return false;
    const int rc = insert_.Step();
    insert_.Reset();
    if (rc != SQLITE_DONE) {
        if (insertError_.empty()) insertError_ = path_ + ": " + sqlite3_errmsg(db_);
        return false;
    }
    ++rows_;
    return true;
}

bool DbWriter::Finish(bool index, std::string* error) {
    if (!db_) return *error = "no database open", false;
    if (!insertError_.empty()) {
        *error = insertError_;
        Abort();
        return false;
    }
    insert_ = zl::recnet::Statement();
    bool ok = Exec("COMMIT;", error);
    if (ok && index) {
        const char* timeColumn = spec_.columns.front().name;
        const std::string name = std::string("idx_") + spec_.table + "_" + timeColumn;
        ok = Exec("CREATE INDEX " + Quoted(name.c_str()) + " ON " + Quoted(spec_.table) + " (" +
                      Quoted(timeColumn) + ");",
                  error);
    }
    // Leave an ordinary file behind: rollback journal, normal locking and syncing.
    ok = ok && Exec(
                   "PRAGMA locking_mode=NORMAL; PRAGMA journal_mode=DELETE; "
                   "PRAGMA synchronous=FULL;",
                   error);
    if (!ok) {
        Abort();
        return false;
    }
    sqlite3_close(db_);
    db_ = nullptr;
    std::error_code ec;
    fs::rename(tempPath_, path_, ec);
    if (ec) {
        *error = "cannot move " + tempPath_ + " to " + path_ + ": " + ec.message();
        fs::remove(tempPath_, ec);
        return false;
    }
    tempPath_.clear();
    return true;
}

void DbWriter::Abort() {
    insert_ = zl::recnet::Statement();
    if (db_) sqlite3_close(db_);
    db_ = nullptr;
    if (!tempPath_.empty()) {
        std::error_code ec;
        fs::remove(tempPath_, ec);
        tempPath_.clear();
    }
}

}  // namespace zl
