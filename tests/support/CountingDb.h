// Counting databases for tests: real SQLite files with the tables the program reads, in the
// layouts the counters and countgen write (the time column first, the camera last, rollback
// journal unless asked otherwise). Steps run in the order they are given, so a test that needs
// an odd or damaged file adds its own statements where it needs them. Only for test programs
// that link SQLite.
//
//   CountingDb(path).People2D()
//       .Camera(1).Record("2024-03-05 10:00:00", {3, 1})
//       .Camera(2).Run("2024-03-05 08:00:00", 48, 15 * 60, {1, 1})
//       .TimeIndex()
//       .Write();
#pragma once

#include <sqlite3.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace zl::testsupport {

// One value of a record: an integer, a text or NULL.
class DbValue {
  public:
    DbValue(int v) : value_(static_cast<int64_t>(v)) {}
    DbValue(int64_t v) : value_(v) {}
    DbValue(const char* text) : value_(std::string(text)) {}
    DbValue(std::string text) : value_(std::move(text)) {}
    DbValue(std::nullptr_t) : value_(std::monostate{}) {}

    int Bind(sqlite3_stmt* st, int index) const {
        if (const auto* i = std::get_if<int64_t>(&value_)) return sqlite3_bind_int64(st, index, *i);
        if (const auto* t = std::get_if<std::string>(&value_))
            return sqlite3_bind_text(st, index, t->c_str(), static_cast<int>(t->size()),
                                     SQLITE_TRANSIENT);
        return sqlite3_bind_null(st, index);
    }

  private:
    std::variant<std::monostate, int64_t, std::string> value_;
};

// A record with its camera, for tables of records written out in a test.
struct DbRecord {
    DbValue camera;
    DbValue time;
    std::vector<DbValue> values;
};

struct DbColumn {
    std::string name;
    std::string type;  // "TEXT" or "INTEGER"
};

class CountingDb {
  public:
    // Nothing is written before Write(). Without a path here, Write(path) gives it.
    CountingDb() = default;
    explicit CountingDb(std::string path) : path_(std::move(path)) {}

    // --- tables: each becomes the table that the records after it go into ------------------
    // The layouts of the counter types, as countgen writes them.
    CountingDb& People2D() {
        return Table("Records", {{"EnterTime", "TEXT"},
                                 {"Inward", "INTEGER"},
                                 {"Outward", "INTEGER"},
                                 {"Camera", "INTEGER"}});
    }
    CountingDb& People3D() {
        return Table(
            "_3DRecords",
            {{"Time", "TEXT"}, {"InOut", "INTEGER"}, {"Height", "INTEGER"}, {"Camera", "INTEGER"}});
    }
    CountingDb& Access() {
        std::vector<DbColumn> columns{{"StartTime", "TEXT"}};
        for (int k = 1; k <= 10; ++k) columns.push_back({"Count" + std::to_string(k), "INTEGER"});
        columns.push_back({"Camera", "INTEGER"});
        return Table("records", columns);
    }
    CountingDb& Zone() {
        return Table("records",
                     {{"StartTime", "TEXT"}, {"AverageCount", "INTEGER"}, {"Camera", "INTEGER"}});
    }
    CountingDb& Flow() {
        return Table("records", {{"CountingTime", "TEXT"},
                                 {"Line1_In", "INTEGER"},
                                 {"Line1_Out", "INTEGER"},
                                 {"Line2_In", "INTEGER"},
                                 {"Line2_Out", "INTEGER"},
                                 {"Camera", "INTEGER"}});
    }
    CountingDb& Traffic() {
        std::vector<DbColumn> columns{{"EnterTime", "TEXT"}};
        for (const char* size : {"Large", "Medium", "Small", "Pedestrian"}) {
            columns.push_back({std::string(size) + "In", "INTEGER"});
            columns.push_back({std::string(size) + "Out", "INTEGER"});
        }
        columns.push_back({"Camera", "INTEGER"});
        return Table("records", columns);
    }
    // The three queue files: lengths, waiting events, served events.
    CountingDb& QueueLength() {
        return Table("records", {{"StartTime", "TEXT"},
                                 {"AverageCount", "INTEGER"},
                                 {"Queue", "INTEGER"},
                                 {"Camera", "INTEGER"}});
    }
    CountingDb& QueueWaiting() {
        return Table("records", {{"StartTime", "TEXT"},
                                 {"WaitingTime", "TEXT"},
                                 {"Queue", "INTEGER"},
                                 {"Camera", "INTEGER"}});
    }
    CountingDb& QueueServed() {
        return Table("records", {{"StartTime", "TEXT"},
                                 {"ServedTime", "TEXT"},
                                 {"Counter", "INTEGER"},
                                 {"Camera", "INTEGER"}});
    }
    // Any other table: the first column is the time column, a column named Camera (if any)
    // takes the camera, the others the values of a record in order.
    CountingDb& Table(std::string name, std::vector<DbColumn> columns) {
        TableStep t{std::move(name), std::move(columns)};
        std::string sql = "CREATE TABLE " + Quoted(t.name) + " (";
        for (std::size_t i = 0; i < t.columns.size(); ++i)
            sql += (i ? ", " : "") + Quoted(t.columns[i].name) + " " + t.columns[i].type;
        table_ = static_cast<int>(tables_.size());
        tables_.push_back(std::move(t));
        return Sql(sql + ");");
    }

    // --- records of the current table -------------------------------------------------------
    // The camera of the records after it (an integer, or any value a hostile file holds);
    // camera 1 until the first call.
    CountingDb& Camera(DbValue camera) {
        camera_ = std::move(camera);
        return *this;
    }
    // One record; values fill the value columns in order, the ones left out stay NULL.
    CountingDb& Record(DbValue time, std::vector<DbValue> values = {}) {
        if (table_ < 0) return Fail("a record before any table");
        Step& rows = OpenRows();
        rows.rows.push_back(Row{std::move(time), camera_, std::move(values)});
        return *this;
    }
    // Records of their own cameras, in order; the camera of later records stays as it was.
    CountingDb& Records(const std::vector<DbRecord>& records) {
        const DbValue camera = camera_;
        for (const DbRecord& r : records) Camera(r.camera).Record(r.time, r.values);
        camera_ = camera;
        return *this;
    }
    // `count` records from `start` ("YYYY-MM-DD HH:MM:SS") every `everySeconds`, all alike.
    CountingDb& Run(const std::string& start, int count, int everySeconds,
                    std::vector<DbValue> values) {
        return Run(start, count, everySeconds, [&](int) { return values; });
    }
    // The same with the values of the i-th record (from 0) given by `valuesOf`.
    CountingDb& Run(const std::string& start, int count, int everySeconds,
                    const std::function<std::vector<DbValue>(int)>& valuesOf) {
        for (int i = 0; i < count; ++i) {
            std::string time;
            if (!TimeAfter(start, static_cast<int64_t>(i) * everySeconds, &time))
                return Fail("not a time: " + start);
            Record(time, valuesOf(i));
        }
        return *this;
    }

    // --- the rest of the file ---------------------------------------------------------------
    // The index on the current table's time column, named as countgen names it.
    CountingDb& TimeIndex() { return Index(0); }
    CountingDb& CameraIndex() { return Index(-1); }
    // Write-ahead log instead of the rollback journal (give it before the tables).
    CountingDb& Wal() { return Sql("PRAGMA journal_mode=WAL;"); }
    // Any statement, run at this point of the steps.
    CountingDb& Sql(std::string statement) {
        Step step;
        step.sql = std::move(statement);
        steps_.push_back(std::move(step));
        return *this;
    }

    // Creates the file (and its folders), or extends it when it exists; true when every step
    // ran. The records of each run of Record calls go in within one transaction.
    bool Write() {
        if (!error_.empty()) return false;
        std::error_code ec;
        std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ec);
        sqlite3* db = nullptr;
        if (sqlite3_open(path_.c_str(), &db) != SQLITE_OK) {
            error_ = path_ + ": cannot open";
            sqlite3_close(db);
            return false;
        }
        for (const Step& step : steps_) {
            if (step.table < 0) {
                char* message = nullptr;
                if (sqlite3_exec(db, step.sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK)
                    error_ = step.sql + ": " + (message ? message : "error");
                sqlite3_free(message);
            } else {
                Insert(db, step);
            }
            if (!error_.empty()) break;
        }
        sqlite3_close(db);
        return error_.empty();
    }
    bool Write(std::string path) {
        path_ = std::move(path);
        return Write();
    }
    const std::string& Error() const { return error_; }
    const std::string& Path() const { return path_; }

  private:
    struct TableStep {
        std::string name;
        std::vector<DbColumn> columns;
    };
    struct Row {
        DbValue time;
        DbValue camera;
        std::vector<DbValue> values;
    };
    // A statement (table < 0) or records of one table.
    struct Step {
        std::string sql;
        int table = -1;
        std::vector<Row> rows;
    };

    static std::string Quoted(const std::string& identifier) {
        std::string out = "\"";
        for (char c : identifier) out += c == '"' ? std::string("\"\"") : std::string(1, c);
        return out + "\"";
    }

    static bool TimeAfter(const std::string& start, int64_t seconds, std::string* out) {
        int y, mo, d, h, mi, s;
        if (std::sscanf(start.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6)
            return false;
        using namespace std::chrono;
        const sys_seconds t = sys_days(year(y) / month(mo) / day(d)) + hours(h) + minutes(mi) +
                              std::chrono::seconds(s) + std::chrono::seconds(seconds);
        const sys_days date = floor<days>(t);
        const year_month_day ymd(date);
        const hh_mm_ss clock(t - date);
        char text[32];
        std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d:%02d", int(ymd.year()),
                      unsigned(ymd.month()), unsigned(ymd.day()), int(clock.hours().count()),
                      int(clock.minutes().count()), int(clock.seconds().count()));
        *out = text;
        return true;
    }

    CountingDb& Fail(std::string error) {
        if (error_.empty()) error_ = std::move(error);
        return *this;
    }

    // The step of the records of the current table, a new one unless the last step is it.
    Step& OpenRows() {
        if (steps_.empty() || steps_.back().table != table_) {
            Step step;
            step.table = table_;
            steps_.push_back(std::move(step));
        }
        return steps_.back();
    }

    CountingDb& Index(int column) {
        if (table_ < 0) return Fail("an index before any table");
        const TableStep& t = tables_[table_];
        std::string name;
        if (column == 0) {
            name = t.columns.front().name;
        } else {
            for (const DbColumn& c : t.columns)
                if (c.name == "Camera") name = c.name;
            if (name.empty()) return Fail(t.name + " has no Camera column");
        }
        return Sql("CREATE INDEX " + Quoted("idx_" + t.name + "_" + name) + " ON " +
                   Quoted(t.name) + " (" + Quoted(name) + ");");
    }

    void Insert(sqlite3* db, const Step& step) {
        const TableStep& t = tables_[step.table];
        std::vector<int> valueColumns;
        int camera = -1;
        for (int i = 1; i < static_cast<int>(t.columns.size()); ++i) {
            if (t.columns[i].name == "Camera")
                camera = i;
            else
                valueColumns.push_back(i);
        }
        sqlite3_exec(db, "BEGIN;", nullptr, nullptr, nullptr);
        sqlite3_stmt* st = nullptr;
        std::size_t prepared = 0;  // the number of values `st` takes
        for (const Row& row : step.rows) {
            if (row.values.size() > valueColumns.size()) {
                error_ = t.name + ": more values than value columns";
                break;
            }
            if (st == nullptr || prepared != row.values.size()) {
                // Only the columns given: the ones left out take their default (NULL).
                std::string sql =
                    "INSERT INTO " + Quoted(t.name) + " (" + Quoted(t.columns[0].name);
                if (camera >= 0) sql += ", " + Quoted(t.columns[camera].name);
                for (std::size_t v = 0; v < row.values.size(); ++v)
                    sql += ", " + Quoted(t.columns[valueColumns[v]].name);
                sql += ") VALUES (?";
                for (std::size_t v = 0; v < row.values.size() + (camera >= 0 ? 1 : 0); ++v)
                    sql += ", ?";
                sqlite3_finalize(st);
                st = nullptr;
                if (sqlite3_prepare_v2(db, (sql + ");").c_str(), -1, &st, nullptr) != SQLITE_OK) {
                    error_ = sql + "): " + sqlite3_errmsg(db);
                    break;
                }
                prepared = row.values.size();
            }
            int index = 1;
            row.time.Bind(st, index++);
            if (camera >= 0) row.camera.Bind(st, index++);
            for (const DbValue& v : row.values) v.Bind(st, index++);
            if (sqlite3_step(st) != SQLITE_DONE) {
                error_ = t.name + ": " + sqlite3_errmsg(db);
                break;
            }
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        sqlite3_exec(db, error_.empty() ? "COMMIT;" : "ROLLBACK;", nullptr, nullptr, nullptr);
    }

    std::string path_;
    std::vector<TableStep> tables_;
    std::vector<Step> steps_;
    int table_ = -1;
    DbValue camera_ = 1;
    std::string error_;
};

}  // namespace zl::testsupport
