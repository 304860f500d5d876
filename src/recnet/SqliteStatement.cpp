#include "recnet/SqliteStatement.h"

#include <sqlite3.h>

#include <utility>

namespace zl::recnet {

Statement::Statement(sqlite3* db, std::string_view sql, const char** tail) : db_(db) {
    Prepare(sql.data(), static_cast<int>(sql.size()), tail);
}

Statement::Statement(sqlite3* db, const char* sql, const char** tail) : db_(db) {
    Prepare(sql, -1, tail);
}

void Statement::Prepare(const char* sql, int bytes, const char** tail) {
    const char* rest = nullptr;
    code_ = sqlite3_prepare_v2(db_, sql, bytes, &stmt_, &rest);
    if (tail) *tail = rest;
    if (code_ != SQLITE_OK) Finalize();
}

Statement::~Statement() {
    Finalize();
}

Statement::Statement(Statement&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)),
      stmt_(std::exchange(other.stmt_, nullptr)),
      code_(std::exchange(other.code_, 0)) {}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        Finalize();
        db_ = std::exchange(other.db_, nullptr);
        stmt_ = std::exchange(other.stmt_, nullptr);
        code_ = std::exchange(other.code_, 0);
    }
    return *this;
}

void Statement::Finalize() {
    sqlite3_finalize(stmt_);  // a null statement is a no-op
    stmt_ = nullptr;
}

std::string Statement::Error() const {
    return db_ ? sqlite3_errmsg(db_) : "out of memory";
}

bool Statement::Bind(int index, int64_t value) {
    return sqlite3_bind_int64(stmt_, index, value) == SQLITE_OK;
}

bool Statement::Bind(int index, std::string_view text) {
    return sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                             SQLITE_TRANSIENT) == SQLITE_OK;
}

bool Statement::BindStatic(int index, const char* text, int bytes) {
    return sqlite3_bind_text(stmt_, index, text, bytes, SQLITE_STATIC) == SQLITE_OK;
}

int Statement::Step() {
    code_ = stmt_ ? sqlite3_step(stmt_) : SQLITE_MISUSE;
    return code_;
}

int Statement::Reset() {
    code_ = stmt_ ? sqlite3_reset(stmt_) : SQLITE_MISUSE;
    return code_;
}

int Statement::Columns() const {
    return sqlite3_column_count(stmt_);
}

const char* Statement::Text(int column) const {
    return reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
}

int Statement::Bytes(int column) const {
    return sqlite3_column_bytes(stmt_, column);
}

int64_t Statement::Int64(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

int Statement::Type(int column) const {
    return sqlite3_column_type(stmt_, column);
}

const char* Statement::Name(int column) const {
    return sqlite3_column_name(stmt_, column);
}

bool Statement::ReadOnly() const {
    return sqlite3_stmt_readonly(stmt_) != 0;
}

bool Statement::IsExplain() const {
    return sqlite3_stmt_isexplain(stmt_) != 0;
}

RowTexts::RowTexts(const Statement& statement)
    : statement_(statement),
      texts_(static_cast<size_t>(statement.Columns())),
      lengths_(texts_.size()) {}

void RowTexts::Read() {
    for (int i = 0; i < Columns(); ++i) {
        // The text first: asking for it may convert the value, which sets the length.
        texts_[i] = statement_.Text(i);
        lengths_[i] = texts_[i] ? statement_.Bytes(i) : 0;
    }
}

int ForEachRow(Statement& statement, const std::function<bool(const Statement&)>& row) {
    // A text of only blanks and comments has nothing to run and no rows.
    if (!statement.Prepared())
        return statement.Code() == SQLITE_OK ? SQLITE_DONE : statement.Code();
    int rc;
    while ((rc = statement.Step()) == SQLITE_ROW)
        if (!row(statement)) return SQLITE_ROW;
    return rc;
}

int ForEachRowText(
    Statement& statement,
    const std::function<bool(int columns, const char* const* texts, const int* lengths)>& row) {
    RowTexts texts(statement);
    return ForEachRow(statement, [&](const Statement&) {
        texts.Read();
        return row(texts.Columns(), texts.Texts(), texts.Lengths());
    });
}

}  // namespace zl::recnet
