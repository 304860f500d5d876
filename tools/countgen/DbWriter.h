// Writes one generated database: the table is created in a temporary file next to the target,
// rows go in through one prepared statement inside one transaction with journaling and syncing
// off, and only a complete file is renamed into place, as a normal (rollback-journal) database.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "recnet/SqliteStatement.h"

struct sqlite3;

namespace zl {

struct ColumnSpec {
    const char* name;
    const char* type;  // "TEXT" or "INTEGER"
};

struct TableSpec {
    const char* table;
    std::vector<ColumnSpec> columns;  // the time column first
};

class DbWriter {
  public:
    DbWriter() = default;
    ~DbWriter();
    DbWriter(const DbWriter&) = delete;
    DbWriter& operator=(const DbWriter&) = delete;

    // Refuses an existing target unless replace is set.
    bool Open(const std::string& path, const TableSpec& spec, bool replace, std::string* error);
    // Parameters are numbered from 1 in column order.
    // The text stays where it is until Insert.
    void Text(int column, const char* text, int length) {
        insert_.BindStatic(column, text, length);
    }
    void Int(int column, int value) { insert_.Bind(column, value); }
    // Inserts the bound row; false (with the reason kept for Finish) on an error.
    bool Insert();
    // Commits, adds the time-column index when asked, and moves the file into place.
    bool Finish(bool index, std::string* error);
    // Drops the temporary file.
    void Abort();

    int64_t Rows() const { return rows_; }
    const std::string& Path() const { return path_; }

  private:
    bool Exec(const std::string& sql, std::string* error);

    sqlite3* db_ = nullptr;
    zl::recnet::Statement insert_;
    TableSpec spec_;
    std::string path_;
    std::string tempPath_;
    std::string insertError_;
    int64_t rows_ = 0;
};

}  // namespace zl
