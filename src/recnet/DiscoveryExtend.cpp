#include "recnet/DiscoveryExtend.h"

#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "recnet/SqliteStatement.h"

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
    Statement plan(db, "EXPLAIN QUERY PLAN " + sql);
    if (!plan.Prepared()) return false;
    bool scanned = false;
    bool plain = true;
    const int rc = ForEachRow(plan, [&](const Statement& row) {
        const char* text = row.Text(3);
        const std::string detail = text ? text : "";
        if (strcasecmp(detail.c_str(), ("SCAN " + table).c_str()) == 0 ||
            strcasecmp(detail.c_str(), ("SCAN TABLE " + table).c_str()) == 0) {
            plain = plain && !scanned;
            scanned = true;
        } else if (detail != "USE TEMP B-TREE FOR DISTINCT") {
            plain = false;
        }
        return plain;
    });
    return rc == SQLITE_DONE && plain && scanned;
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
    Statement statement(db, sql);
    if (!statement.Prepared()) {
        *error = statement.Error();
        return false;
    }
    const int columns = statement.Columns();
    answer->names.clear();
    answer->rows.clear();
    for (int i = 0; i < columns; ++i) {
        const char* name = statement.Name(i);
        answer->names.emplace_back(name ? name : "");
    }
    bool onlyIntegers = true;
    const int rc = ForEachRow(statement, [&](const Statement& row) {
        auto& values = answer->rows.emplace_back();
        for (int i = 0; i < columns; ++i) {
            const int type = row.Type(i);
            onlyIntegers = onlyIntegers && (type == SQLITE_INTEGER || type == SQLITE_NULL);
            const char* text = row.Text(i);
            if (text)
                values.emplace_back(std::string(text, static_cast<size_t>(row.Bytes(i))));
            else
                values.emplace_back(std::nullopt);
        }
        return true;
    });
    if (rc != SQLITE_DONE) {
        *error = statement.Error();
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
