// A prepared SQLite statement that finalizes itself, and the loop over its rows. Every place
// that runs a statement goes through these, so a statement is finalized on every path (an
// early return, a throw) and the row loop is written once. The connection and statement stay
// opaque here: this header does not bring in the SQLite API.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace zl::recnet {

class Statement {
  public:
    Statement() = default;
    // Prepares the first statement of `sql` on `db`. `tail` (optional) receives where the rest
    // of the text starts. Look at Prepared() and Code() for the outcome.
    Statement(sqlite3* db, std::string_view sql, const char** tail = nullptr);
    // The same for a text that ends at its first NUL.
    Statement(sqlite3* db, const char* sql, const char** tail = nullptr);
    ~Statement();
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // True when a statement was prepared; false after an error, and for a text of only blanks
    // and comments (Code() is then SQLITE_OK: nothing to run).
    bool Prepared() const { return stmt_ != nullptr; }
    // The result code of the preparation, then of the last Step or Reset.
    int Code() const { return code_; }
    // The connection's message for its last error ("out of memory" without a connection).
    std::string Error() const;

    // Parameters are numbered from 1. A text is copied, unless bound with BindStatic (the
    // caller then keeps it unchanged until the statement is reset or stepped to its end).
    bool Bind(int index, int64_t value);
    bool Bind(int index, std::string_view text);
    bool BindStatic(int index, const char* text, int bytes);

    // One step: SQLITE_ROW, SQLITE_DONE or an error code.
    int Step();
    // Back to the start, bindings kept (sqlite3_reset); answers its code.
    int Reset();

    // The current row. Text is null for NULL; Bytes is its length (0 for NULL).
    int Columns() const;
    const char* Text(int column) const;
    int Bytes(int column) const;
    int64_t Int64(int column) const;
    // SQLite's storage class of the value (SQLITE_INTEGER ... SQLITE_NULL).
    int Type(int column) const;
    const char* Name(int column) const;

    bool ReadOnly() const;
    bool IsExplain() const;

  private:
    void Prepare(const char* sql, int bytes, const char** tail);
    void Finalize();

    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
    int code_ = 0;
};

// The texts of the current row in one place: Texts()[i] (null for NULL) and Lengths()[i] in
// bytes, valid until the next step.
class RowTexts {
  public:
    explicit RowTexts(const Statement& statement);
    void Read();
    int Columns() const { return static_cast<int>(texts_.size()); }
    const char* const* Texts() const { return texts_.data(); }
    const int* Lengths() const { return lengths_.data(); }

  private:
    const Statement& statement_;
    std::vector<const char*> texts_;
    std::vector<int> lengths_;
};

// The row loop: steps the statement and hands each row to `row` until the rows end or `row`
// answers false. Answers the code of the last step: SQLITE_DONE when every row was read (or
// the text held nothing to run), SQLITE_ROW when `row` stopped the loop, else the error (of
// the step, or of the preparation).
int ForEachRow(Statement& statement, const std::function<bool(const Statement&)>& row);
// The same with the row's texts (see RowTexts).
int ForEachRowText(
    Statement& statement,
    const std::function<bool(int columns, const char* const* texts, const int* lengths)>& row);

}  // namespace zl::recnet
