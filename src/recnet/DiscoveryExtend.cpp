#include "recnet/DiscoveryExtend.h"

#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace zl::recnet {

namespace {

bool ParseInt64(const std::optional<std::string>& text, int64_t* value) {
    if (!text || text->empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text->c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return false;
    *value = v;
    return true;
}

// The values of the rows above fromRowid in the order of their first rows; false when one of
// them is not an integer or NULL.
bool ValuesAbove(const TextRun& run, const std::string& table, int64_t fromRowid,
                 std::vector<std::optional<std::string>>* values) {
    DiscoveryAnswer rows;
    if (!run("SELECT Camera, typeof(Camera), min(rowid) FROM " + table + " WHERE rowid > " +
                 std::to_string(fromRowid) + " GROUP BY Camera, typeof(Camera);",
             &rows))
        return false;
    std::vector<std::pair<int64_t, std::optional<std::string>>> firsts;
    for (const auto& row : rows.rows) {
        int64_t first = 0;
        if (row.size() != 3 || !row[1] || (*row[1] != "integer" && *row[1] != "null") ||
            !ParseInt64(row[2], &first))
            return false;
        firsts.emplace_back(first, row[0]);
    }
    std::sort(firsts.begin(), firsts.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    values->clear();
    for (auto& [first, value] : firsts) values->push_back(std::move(value));
    return true;
}

}  // namespace

std::string DiscoveryTable(const std::string& sql) {
    if (sql == "SELECT DISTINCT Camera from records;") return "records";
    if (sql == "SELECT DISTINCT Camera from _3DRECORDS;") return "_3DRECORDS";
    return std::string();
}

bool ScansInRowidOrder(sqlite3* db, const std::string& sql) {
    const std::string table = DiscoveryTable(sql);
    if (table.empty()) return false;
    const char* type = nullptr;
    const char* collation = nullptr;
    int notNull = 0, primaryKey = 0, autoIncrement = 0;
    if (sqlite3_table_column_metadata(db, "main", table.c_str(), "rowid", &type, &collation,
                                      &notNull, &primaryKey, &autoIncrement) != SQLITE_OK ||
        primaryKey != 1)
        return false;
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, ("EXPLAIN QUERY PLAN " + sql).c_str(), -1, &raw, nullptr) !=
        SQLITE_OK)
        return false;
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> stmt(raw, sqlite3_finalize);
    bool scanned = false;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 3));
        const std::string detail = text ? text : "";
        if (strcasecmp(detail.c_str(), ("SCAN " + table).c_str()) == 0 ||
            strcasecmp(detail.c_str(), ("SCAN TABLE " + table).c_str()) == 0) {
            if (scanned) return false;
            scanned = true;
        } else if (detail != "USE TEMP B-TREE FOR DISTINCT") {
            return false;
        }
    }
    return rc == SQLITE_DONE && scanned;
}

bool MaxRowid(const TextRun& run, const std::string& table, int64_t* maxRowid) {
    DiscoveryAnswer rows;
    if (!run("SELECT max(rowid) FROM " + table + ";", &rows) || rows.rows.size() != 1 ||
        rows.rows[0].size() != 1)
        return false;
    if (!rows.rows[0][0]) {
        *maxRowid = 0;  // no row
        return true;
    }
    return ParseInt64(rows.rows[0][0], maxRowid) && *maxRowid >= 0;
}

void NoteDiscoveryFacts(bool onlyIntegers, const TextRun& run, const std::string& sql,
                        DiscoveryAnswer* answer) {
    answer->typed = false;
    answer->maxRowid = -1;
    int64_t maxRowid = 0;
    const std::string table = DiscoveryTable(sql);
    if (!onlyIntegers || table.empty() || !MaxRowid(run, table, &maxRowid)) return;
    answer->typed = true;
    answer->maxRowid = maxRowid;
}

bool RunTypedDiscovery(sqlite3* db, const std::string& sql, DiscoveryAnswer* answer,
                       std::string* error) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK || !raw) {
        *error = sqlite3_errmsg(db);
        return false;
    }
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> stmt(raw, sqlite3_finalize);
    const int columns = sqlite3_column_count(raw);
    answer->names.clear();
    answer->rows.clear();
    for (int i = 0; i < columns; ++i) {
        const char* name = sqlite3_column_name(raw, i);
        answer->names.emplace_back(name ? name : "");
    }
    bool onlyIntegers = true;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        auto& row = answer->rows.emplace_back();
        for (int i = 0; i < columns; ++i) {
            const int type = sqlite3_column_type(raw, i);
            onlyIntegers = onlyIntegers && (type == SQLITE_INTEGER || type == SQLITE_NULL);
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(raw, i));
            if (text)
                row.emplace_back(
                    std::string(text, static_cast<size_t>(sqlite3_column_bytes(raw, i))));
            else
                row.emplace_back(std::nullopt);
        }
    }
    if (rc != SQLITE_DONE) {
        *error = sqlite3_errmsg(db);
        return false;
    }
    answer->typed = onlyIntegers;
    return true;
}

DiscoveryExtend MakeDiscoveryExtend(sqlite3* db, const std::string& sql, TextRun run) {
    return [db, sql, run = std::move(run)](int64_t fromRowid, DiscoveryAnswer* added) {
        const std::string table = DiscoveryTable(sql);
        added->rows.clear();
        std::vector<std::optional<std::string>> values;
        int64_t maxRowid = 0;
        if (table.empty() || !ScansInRowidOrder(db, sql) ||
            !ValuesAbove(run, table, fromRowid, &values) || !MaxRowid(run, table, &maxRowid) ||
            maxRowid < fromRowid)
            return false;
        for (auto& value : values) added->rows.push_back({std::move(value)});
        added->typed = true;
        added->maxRowid = maxRowid;
        return true;
    };
}

}  // namespace zl::recnet
