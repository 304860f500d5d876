// Counting databases for tests: real SQLite files made from statements, the way another
// program would write them. Only for test programs that link SQLite.
#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

namespace zl::testsupport {

// Creates (or extends) an SQLite file with the statements, making its folders first; true when
// every statement ran.
inline bool MakeDb(const std::string& path, const std::vector<std::string>& statements) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    bool ok = true;
    for (const std::string& s : statements)
        ok = ok && sqlite3_exec(db, s.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

}  // namespace zl::testsupport
