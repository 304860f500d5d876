// The counting-database builder itself: the tables and indexes it writes, the records it
// puts in (runs across midnight and month ends, NULLs, odd cameras), the journal mode, and
// a step that fails failing the whole write.
#include <gtest/gtest.h>

#include "CountingDb.h"
#include "TempFolder.h"

namespace zl {

namespace {

using zl::testsupport::CountingDb;
using zl::testsupport::DbValue;
using zl::testsupport::TempFolder;

// Every row of `sql`, its columns joined with '|' (NULL as "NULL").
std::vector<std::string> Rows(const std::string& path, const std::string& sql) {
    std::vector<std::string> out;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW) {
                std::string row;
                for (int c = 0; c < sqlite3_column_count(st); ++c) {
                    const unsigned char* t = sqlite3_column_text(st, c);
                    row += (c ? "|" : "") + (t ? std::string(reinterpret_cast<const char*>(t))
                                               : std::string("NULL"));
                }
                out.push_back(row);
            }
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return out;
}

TEST(CountingDb, TablesAndIndexesAsCountgenWritesThem) {
    TempFolder dir;
    const std::string path = dir.File("PeopleCounterData/PeopleCounter.db");
    ASSERT_TRUE(CountingDb(path).People2D().TimeIndex().People3D().CameraIndex().Write());
    EXPECT_EQ(Rows(path, "SELECT sql FROM sqlite_master ORDER BY rowid"),
              (std::vector<std::string>{
                  "CREATE TABLE \"Records\" (\"EnterTime\" TEXT, \"Inward\" INTEGER, \"Outward\" "
                  "INTEGER, \"Camera\" INTEGER)",
                  "CREATE INDEX \"idx_Records_EnterTime\" ON \"Records\" (\"EnterTime\")",
                  "CREATE TABLE \"_3DRecords\" (\"Time\" TEXT, \"InOut\" INTEGER, \"Height\" "
                  "INTEGER, \"Camera\" INTEGER)",
                  "CREATE INDEX \"idx__3DRecords_Camera\" ON \"_3DRecords\" (\"Camera\")"}));
    EXPECT_EQ(Rows(path, "PRAGMA journal_mode"), std::vector<std::string>{"delete"});

    const std::string wal = dir.File("wal.db");
    ASSERT_TRUE(CountingDb(wal).Wal().Zone().Record("2024-03-05 10:00:00", {4}).Write());
    EXPECT_EQ(Rows(wal, "PRAGMA journal_mode"), std::vector<std::string>{"wal"});
}

TEST(CountingDb, RecordsRunsAndOddValues) {
    TempFolder dir;
    const std::string path = dir.File("q.db");
    CountingDb db(path);
    db.QueueWaiting()
        .Record("2024-03-05 10:00:00", {"00:01:30", 2})
        .Camera(3)
        .Run("2024-02-28 23:30:00", 4, 15 * 60, [](int i) { return std::vector<DbValue>{i}; })
        .Camera("abc")
        .Record(nullptr)
        .Records({{7, "2024-12-31 23:59:59", {nullptr, 1}}})
        .Run("2024-12-31 23:59:59", 2, 1, {"x"});
    ASSERT_TRUE(db.Write()) << db.Error();
    EXPECT_EQ(
        Rows(path, "SELECT StartTime, WaitingTime, Queue, Camera FROM records ORDER BY rowid"),
        (std::vector<std::string>{
            "2024-03-05 10:00:00|00:01:30|2|1", "2024-02-28 23:30:00|0|NULL|3",
            "2024-02-28 23:45:00|1|NULL|3", "2024-02-29 00:00:00|2|NULL|3",
            "2024-02-29 00:15:00|3|NULL|3", "NULL|NULL|NULL|abc", "2024-12-31 23:59:59|NULL|1|7",
            "2024-12-31 23:59:59|x|NULL|abc", "2025-01-01 00:00:00|x|NULL|abc"}));
}

TEST(CountingDb, StepsRunInOrderAndAFailedStepFailsTheWrite) {
    TempFolder dir;
    const std::string path = dir.File("odd.db");
    ASSERT_TRUE(CountingDb(path)
                    .Table("Other", {{"x", "TEXT"}})
                    .Record("a")
                    .Sql("CREATE TABLE marker(name TEXT);")
                    .Flow()
                    .Write());
    EXPECT_EQ(Rows(path, "SELECT name FROM sqlite_master ORDER BY rowid"),
              (std::vector<std::string>{"Other", "marker", "records"}));
    EXPECT_EQ(Rows(path, "SELECT * FROM Other"), std::vector<std::string>{"a"});

    CountingDb broken(dir.File("broken.db"));
    EXPECT_FALSE(broken.Zone().Sql("NOT SQL;").Record("2024-03-05 10:00:00", {1}).Write());
    EXPECT_NE(broken.Error().find("NOT SQL;"), std::string::npos) << broken.Error();
    EXPECT_TRUE(Rows(dir.File("broken.db"), "SELECT * FROM records").empty());

    CountingDb tooMany(dir.File("many.db"));
    EXPECT_FALSE(tooMany.Zone().Record("2024-03-05 10:00:00", {1, 2}).Write());
    EXPECT_TRUE(Rows(dir.File("many.db"), "SELECT * FROM records").empty());

    EXPECT_FALSE(CountingDb(dir.File("x.db")).Record("2024-03-05 10:00:00").Write());
    EXPECT_FALSE(CountingDb(dir.File("y.db")).Zone().Run("yesterday", 2, 60, {1}).Write());
}

}  // namespace

}  // namespace zl
