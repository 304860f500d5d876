// Bucket passes (recnetd's ExecBuckets): names, pieces and bucket bounds of any
// bytes. A query the check lets through builds only single statements that only read (the
// server's authorizer then decides which tables and functions they may use), and running it
// on a real table answers one row per bucket or fails; it never crashes.
#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "FuzzKit.h"
#include "recnet/BucketPass.h"

namespace zl {

namespace {

sqlite3* Database() {
    static sqlite3* db = [] {
        sqlite3* h = nullptr;
        if (sqlite3_open_v2(":memory:", &h, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
            SQLITE_OK)
            zl::fuzz::Fail("no in-memory database");
        sqlite3_exec(h,
                     "CREATE TABLE Records (EnterTime TEXT, Inward INTEGER, Outward INTEGER, "
                     "Camera INTEGER);"
                     "CREATE TABLE _3DRecords (Time TEXT, InOut INTEGER, Height INTEGER, "
                     "Camera INTEGER);"
                     "CREATE INDEX t3 ON _3DRecords (Time);"
                     "INSERT INTO Records VALUES ('2024-03-05 08:10:00', 3, 1, 1), "
                     "('2024-03-05 09:59:59', 2, 2, 2), ('2024-03-05 10:00:00', NULL, 5, 1), "
                     "('2024-03-04 23:59:59', 7, 7, 1), (20240305, 1, 1, 1);"
                     "INSERT INTO _3DRecords VALUES ('2024-03-05 08:00:00', 1, 1500, 1), "
                     "('2024-03-05 08:30:00', 2, 1700, 2);",
                     nullptr, nullptr, nullptr);
        return h;
    }();
    return db;
}

// Stops a statement after a while (the server has a time limit too).
int Progress(void* counter) {
    return ++*static_cast<int*>(counter) > 2000 ? 1 : 0;
}

std::string Time(zl::fuzz::Input& in) {
    if (in.Bool()) return in.Text(24);
    char text[32];
    std::snprintf(text, sizeof text, "2024-03-%02d %02d:%02d:%02d", in.Range(1, 6), in.Range(0, 23),
                  in.Range(0, 59), in.Range(0, 59));
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zl::fuzz::Input in(data, size);
    static const char* const kTables[] = {"Records",       "_3DRecords", "records",
                                          "sqlite_master", "Records x",  ""};
    static const char* const kColumns[] = {"EnterTime", "Time", "Camera", "rowid", "name", ""};
    static const char* const kSelects[] = {
        "SUM(Inward), SUM(Outward)", "COUNT(Camera)", "SUM(InOut)", "COUNT(*)", "MAX(Height)",
        "SUM(Inward) + (SELECT 1)",  "randomblob(10)"};
    static const char* const kConditions[] = {
        "Camera= 1 OR Camera= 2", "Camera= 1",          "Height < 1500",           "1",
        "(Camera = 1)",           "EnterTime LIKE '%'", "InOut = 1 AND Height > 0"};
    zl::recnet::BucketPass query;
    query.table = in.Bool() ? in.Pick(kTables) : in.Text(30);
    query.timeColumn = in.Bool() ? in.Pick(kColumns) : in.Text(30);
    const int parts = in.Range(0, 3);
    for (int i = 0; i < parts; ++i) {
        zl::recnet::BucketPart part;
        part.select = in.Bool() ? in.Pick(kSelects) : in.Text(60);
        part.condition = in.Bool() ? in.Pick(kConditions) : in.Text(60);
        query.parts.push_back(part);
    }
    const int buckets = in.Range(0, 30);
    for (int i = 0; i < buckets; ++i) query.buckets.push_back({Time(in), Time(in)});

    std::string why;
    if (!zl::recnet::CheckBucketPass(query, &why)) return 0;

    sqlite3* db = Database();
    zl::recnet::BucketLimits limits;
    for (bool indexed : {false, true}) {
        std::vector<std::string> statements;
        if (!zl::recnet::BuildBucketPassStatements(query, indexed, limits, &statements)) continue;
        for (const std::string& sql : statements) {
            sqlite3_stmt* stmt = nullptr;
            const char* tail = nullptr;
            if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, &tail) != SQLITE_OK) continue;
            ZL_FUZZ_CHECK(stmt && sqlite3_stmt_readonly(stmt), "not a reading statement:\n" + sql);
            for (; tail && *tail; ++tail)
                ZL_FUZZ_CHECK(*tail == ' ' || *tail == '\n' || *tail == ';' || *tail == '\t',
                              "a second statement:\n" + sql);
            sqlite3_finalize(stmt);
        }
    }

    // And run: one row per bucket, or a failure.
    int steps = 0;
    sqlite3_progress_handler(db, 1000, Progress, &steps);
    const zl::recnet::BucketStatementRunner run = [db, &steps](const std::string& sql,
                                                               const zl::recnet::BucketRowFn& row,
                                                               std::string* error) {
        steps = 0;
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
            *error = sqlite3_errmsg(db);
            return false;
        }
        ZL_FUZZ_CHECK(sqlite3_stmt_readonly(stmt), "a run statement writes:\n" + sql);
        int rc;
        std::vector<const char*> texts;
        std::vector<int> lengths;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            const int n = sqlite3_column_count(stmt);
            texts.assign(n, nullptr);
            lengths.assign(n, 0);
            for (int i = 0; i < n; ++i) {
                texts[i] = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
                lengths[i] = sqlite3_column_bytes(stmt, i);
            }
            row(n, texts.data(), lengths.data());
        }
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE) *error = sqlite3_errmsg(db);
        return rc == SQLITE_DONE;
    };
    zl::recnet::BucketRows rows;
    const zl::recnet::BucketPassResult result =
        zl::recnet::RunBucketPass(query, limits, run, &rows, &why);
    if (result == zl::recnet::BucketPassResult::kDone)
        ZL_FUZZ_CHECK(rows.size() == query.buckets.size(), "rows per bucket");
    sqlite3_progress_handler(db, 0, nullptr, nullptr);
    return 0;
}

}  // namespace zl
