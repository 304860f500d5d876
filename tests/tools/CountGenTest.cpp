// countgen's databases: file places, exact tables and columns, row counts, time texts, the
// shape of the data, determinism for a seed, the index option and refusal to overwrite.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "Calendar.h"
#include "CountGen.h"
#include "CountGenOptions.h"
#include "ToolsTestKit.h"

namespace zl {

namespace {

namespace fs = std::filesystem;

// A read-only connection with one-value queries for the checks below.
class Db {
  public:
    explicit Db(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            sqlite3_close(db_);
            db_ = nullptr;
        }
    }
    ~Db() { sqlite3_close(db_); }
    bool Ok() const { return db_ != nullptr; }

    std::vector<std::vector<std::string>> Rows(const std::string& sql) const {
        std::vector<std::vector<std::string>> rows;
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db_);
            return rows;
        }
        while (sqlite3_step(st) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int i = 0; i < sqlite3_column_count(st); ++i) {
                const unsigned char* t = sqlite3_column_text(st, i);
                row.push_back(t ? reinterpret_cast<const char*>(t) : "NULL");
            }
            rows.push_back(row);
        }
        sqlite3_finalize(st);
        return rows;
    }
    std::string Value(const std::string& sql) const {
        const auto rows = Rows(sql);
        return rows.empty() || rows[0].empty() ? "" : rows[0][0];
    }
    long long Number(const std::string& sql) const { return std::stoll("0" + Value(sql)); }

  private:
    sqlite3* db_ = nullptr;
};

struct ExpectedFile {
    int type;
    const char* path;  // below the root
    const char* table;
    std::vector<std::string> columns;
};

// The layout the report viewer reads, written out here on purpose rather than taken from the
// generator.
const std::vector<ExpectedFile>& Layout() {
    static const std::vector<ExpectedFile> files = {
        {1,
         "PeopleCounterData/PeopleCounter.db",
         "Records",
         {"EnterTime", "Inward", "Outward", "Camera"}},
        {2,
         "PeopleCounterData/3DPeopleCounter.db",
         "_3DRecords",
         {"Time", "InOut", "Height", "Camera"}},
        {3,
         "AccessCounterData/AccessCounter.db",
         "records",
         {"StartTime", "Count1", "Count2", "Count3", "Count4", "Count5", "Count6", "Count7",
          "Count8", "Count9", "Count10", "Camera"}},
        {4, "ZoneCounterData/ZoneCounter.db", "records", {"StartTime", "AverageCount", "Camera"}},
        {5,
         "FlowCountData/FlowCount.db",
         "records",
         {"CountingTime", "Line1_In", "Line1_Out", "Line2_In", "Line2_Out", "Camera"}},
        {6,
         "TrafficCounterData/TrafficCounter.db",
         "records",
         {"EnterTime", "LargeIn", "LargeOut", "MediumIn", "MediumOut", "SmallIn", "SmallOut",
          "PedestrianIn", "PedestrianOut", "Camera"}},
        {7,
         "QueueLengthData/QueueLengthMonitoring.db",
         "records",
         {"StartTime", "AverageCount", "Queue", "Camera"}},
        {7,
         "QueueLengthData/QueueLengthMonitoringWaiting.db",
         "records",
         {"StartTime", "WaitingTime", "Queue", "Camera"}},
        {7,
         "QueueLengthData/QueueLengthMonitoringServed.db",
         "records",
         {"StartTime", "ServedTime", "Counter", "Camera"}},
    };
    return files;
}

CountGenOptions SmallOptions(const std::string& root) {
    CountGenOptions o;
    o.root = root;
    o.days = 14;
    o.endYear = 2024;
    o.endMonth = 3;
    o.endDay = 17;  // a Sunday: the 14 days hold two whole weeks
    o.cameras = 3;
    o.intervalMinutes = 15;
    o.seed = 42;
    o.regions = 3;
    return o;
}

// All rows of a file's table in insertion order, as one text.
std::string Dump(const std::string& path, const std::string& table) {
    Db db(path);
    std::string out;
    for (const auto& row : db.Rows("SELECT * FROM \"" + table + "\" ORDER BY rowid")) {
        for (const auto& v : row) out += v + "|";
        out += "\n";
    }
    return out;
}

class CountGenAllTypes : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new TempFolder;
        std::string error;
        ASSERT_EQ(GenerateDatabases(SmallOptions(dir_->Path()), &files_, &error), 1) << error;
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static std::string PathOf(const ExpectedFile& f) { return dir_->Path() + "/" + f.path; }

    static TempFolder* dir_;
    static std::vector<GeneratedFile> files_;
};
TempFolder* CountGenAllTypes::dir_ = nullptr;
std::vector<GeneratedFile> CountGenAllTypes::files_;

TEST_F(CountGenAllTypes, TablesAndColumnsAreExact) {
    ASSERT_EQ(files_.size(), Layout().size());
    for (const ExpectedFile& f : Layout()) {
        Db db(PathOf(f));
        ASSERT_TRUE(db.Ok()) << f.path;
        // One table, named exactly (case included), and nothing else in the catalogue.
        const auto tables = db.Rows("SELECT type, name FROM sqlite_master");
        ASSERT_EQ(tables.size(), 1u) << f.path;
        EXPECT_EQ(tables[0][0], "table") << f.path;
        EXPECT_EQ(tables[0][1], f.table) << f.path;
        std::vector<std::string> columns;
        for (const auto& row : db.Rows(std::string("PRAGMA table_info(\"") + f.table + "\")"))
            columns.push_back(row[1]);
        EXPECT_EQ(columns, f.columns) << f.path;
        // Left as an ordinary database, not in the generator's journal-off mode.
        EXPECT_EQ(db.Value("PRAGMA journal_mode"), "delete") << f.path;
        EXPECT_FALSE(fs::exists(PathOf(f) + ".part")) << f.path;
    }
}

TEST_F(CountGenAllTypes, RowCountsFollowTheInterval) {
    // 14 days, 3 cameras, 15-minute records from 06:00 to 22:00 (64 a day); traffic all day
    // (96 a day); queue lengths once per queue (3 queues).
    const std::map<std::string, long long> expected = {
        {"PeopleCounterData/PeopleCounter.db", 14 * 3 * 64},
        {"AccessCounterData/AccessCounter.db", 14 * 3 * 64},
        {"ZoneCounterData/ZoneCounter.db", 14 * 3 * 64},
        {"FlowCountData/FlowCount.db", 14 * 3 * 64},
        {"TrafficCounterData/TrafficCounter.db", 14 * 3 * 96},
        {"QueueLengthData/QueueLengthMonitoring.db", 14 * 3 * 3 * 64},
    };
    for (const ExpectedFile& f : Layout()) {
        Db db(PathOf(f));
        const long long rows = db.Number(std::string("SELECT COUNT(*) FROM \"") + f.table + "\"");
        const auto it = expected.find(f.path);
        if (it != expected.end()) {
            EXPECT_EQ(rows, it->second) << f.path;
        } else {
            EXPECT_GT(rows, 1000) << f.path;  // one row per person or event
        }
        // Every camera 1..3 and no other.
        EXPECT_EQ(db.Value(std::string("SELECT group_concat(c) FROM (SELECT DISTINCT Camera c ") +
                           "FROM \"" + f.table + "\" ORDER BY c)"),
                  "1,2,3")
            << f.path;
        for (const GeneratedFile& g : files_) {
            if (g.path == PathOf(f)) {
                EXPECT_EQ(g.rows, rows) << f.path;
            }
        }
    }
}

TEST_F(CountGenAllTypes, TimeTextsAreValidAndInRange) {
    for (const ExpectedFile& f : Layout()) {
        Db db(PathOf(f));
        const std::string t = "\"" + f.columns[0] + "\"",
                          table = "\"" + std::string(f.table) + "\"";
        // 'YYYY-MM-DD hh:mm:ss' that SQLite reads back unchanged, so text order is time order.
        EXPECT_EQ(
            db.Number("SELECT COUNT(*) FROM " + table + " WHERE typeof(" + t +
                      ") != 'text' OR length(" + t + ") != 19 OR datetime(" + t + ") IS NOT " + t),
            0)
            << f.path;
        EXPECT_GE(db.Value("SELECT MIN(" + t + ") FROM " + table), "2024-03-04 00:00:00") << f.path;
        EXPECT_LE(db.Value("SELECT MAX(" + t + ") FROM " + table), "2024-03-17 23:59:59") << f.path;
        EXPECT_EQ(db.Number("SELECT COUNT(DISTINCT substr(" + t + ", 1, 10)) FROM " + table), 14)
            << f.path;
        // Written in time order, as a device appends them.
        EXPECT_EQ(db.Number("SELECT COUNT(*) FROM " + table + " a JOIN " + table +
                            " b ON b.rowid = a.rowid + 1 WHERE b." + f.columns[0] + " < a." +
                            f.columns[0]),
                  0)
            << f.path;
    }
}

TEST_F(CountGenAllTypes, QueueDurationsAreTimeTexts) {
    for (const char* file : {"QueueLengthMonitoringWaiting.db", "QueueLengthMonitoringServed.db"}) {
        Db db(dir_->Path() + "/QueueLengthData/" + file);
        const std::string col =
            std::string(file).find("Waiting") != std::string::npos ? "WaitingTime" : "ServedTime";
        EXPECT_EQ(db.Number("SELECT COUNT(*) FROM records WHERE strftime('%H:%M:%S', " + col +
                            ") IS NOT " + col),
                  0)
            << file;
        // The average served time query works on them.
        EXPECT_NE(
            db.Value("SELECT SUM(strftime('%S'," + col + "))/COUNT(" + col + ") FROM records"),
            "NULL");
    }
    Db served(dir_->Path() + "/QueueLengthData/QueueLengthMonitoringServed.db");
    EXPECT_EQ(served.Value("SELECT group_concat(c) FROM (SELECT DISTINCT Counter c FROM records "
                           "ORDER BY c)"),
              "1,2,3");
}

TEST_F(CountGenAllTypes, DataLookLikeACountingDay) {
    Db people(dir_->Path() + "/PeopleCounterData/PeopleCounter.db");
    // In and out balance for every camera and day.
    EXPECT_EQ(people.Number("SELECT COUNT(*) FROM (SELECT substr(EnterTime,1,10) d, Camera, "
                            "SUM(Inward) i, SUM(Outward) o FROM Records GROUP BY d, Camera "
                            "HAVING i != o)"),
              0);
    const auto hourly = [&](const char* hour) {
        return people.Number(std::string("SELECT SUM(Inward) FROM Records WHERE "
                                         "substr(EnterTime,12,2) = '") +
                             hour + "'");
    };
    EXPECT_GT(hourly("12"), 2 * hourly("10"));   // lunch peak
    EXPECT_GT(hourly("18"), hourly("15"));       // evening peak
    EXPECT_GT(hourly("18"), 10 * hourly("07"));  // before opening
    // Weekends (two Saturdays and Sundays) are quieter than the working days.
    const long long weekend = people.Number(
        "SELECT SUM(Inward) FROM Records WHERE strftime('%w', EnterTime) IN ('0','6')");
    const long long total = people.Number("SELECT SUM(Inward) FROM Records");
    EXPECT_LT(weekend / 4.0, (total - weekend) / 10.0);

    Db threeD(dir_->Path() + "/PeopleCounterData/3DPeopleCounter.db");
    const double meanHeight = std::stod(threeD.Value("SELECT AVG(Height) FROM _3DRecords"));
    EXPECT_GT(meanHeight, 1640.0);
    EXPECT_LT(meanHeight, 1730.0);
    EXPECT_EQ(threeD.Value("SELECT group_concat(v) FROM (SELECT DISTINCT InOut v FROM _3DRecords "
                           "ORDER BY v)"),
              "1,2");
    EXPECT_EQ(threeD.Number("SELECT COUNT(*) FROM (SELECT substr(Time,1,10) d, Camera, "
                            "SUM(InOut = 1) i, SUM(InOut = 2) o FROM _3DRecords GROUP BY d, "
                            "Camera HAVING i != o)"),
              0);

    // Only the chosen regions count.
    Db access(dir_->Path() + "/AccessCounterData/AccessCounter.db");
    EXPECT_GT(access.Number("SELECT SUM(Count1) + SUM(Count2) + SUM(Count3) FROM records"), 0);
    EXPECT_EQ(access.Number("SELECT SUM(Count4 + Count5 + Count6 + Count7 + Count8 + Count9 + "
                            "Count10) FROM records"),
              0);

    Db traffic(dir_->Path() + "/TrafficCounterData/TrafficCounter.db");
    EXPECT_GT(traffic.Number("SELECT SUM(SmallIn) FROM records"),
              traffic.Number("SELECT SUM(LargeIn) FROM records"));
}

TEST(CountGen, SameSeedSameRowsOtherSeedOtherRows) {
    TempFolder a, b, c;
    CountGenOptions o = SmallOptions(a.Path());
    o.days = 3;
    std::string error;
    ASSERT_EQ(GenerateDatabases(o, nullptr, &error), 1) << error;
    o.root = b.Path();
    ASSERT_EQ(GenerateDatabases(o, nullptr, &error), 1) << error;
    o.root = c.Path();
    o.seed = 43;
    ASSERT_EQ(GenerateDatabases(o, nullptr, &error), 1) << error;
    for (const ExpectedFile& f : Layout()) {
        const std::string first = Dump(a / f.path, f.table);
        ASSERT_FALSE(first.empty()) << f.path;
        EXPECT_EQ(first, Dump(b / f.path, f.table)) << f.path;
        EXPECT_NE(first, Dump(c / f.path, f.table)) << f.path;
    }
}

TEST(CountGen, IndexOnTheTimeColumnOnlyWhenAsked) {
    TempFolder with, without;
    CountGenOptions o = SmallOptions(with.Path());
    o.days = 1;
    o.index = true;
    std::string error;
    ASSERT_EQ(GenerateDatabases(o, nullptr, &error), 1) << error;
    o.root = without.Path();
    o.index = false;
    ASSERT_EQ(GenerateDatabases(o, nullptr, &error), 1) << error;
    for (const ExpectedFile& f : Layout()) {
        Db db(with / f.path);
        const auto indexes = db.Rows(std::string("PRAGMA index_list(\"") + f.table + "\")");
        ASSERT_EQ(indexes.size(), 1u) << f.path;
        const auto cols = db.Rows("PRAGMA index_info(\"" + indexes[0][1] + "\")");
        ASSERT_EQ(cols.size(), 1u) << f.path;
        EXPECT_EQ(cols[0][2], f.columns[0]) << f.path;
        // The same rows either way.
        EXPECT_EQ(Dump(with / f.path, f.table), Dump(without / f.path, f.table)) << f.path;
        Db plain(without / f.path);
        EXPECT_EQ(plain.Rows(std::string("PRAGMA index_list(\"") + f.table + "\")").size(), 0u);
    }
}

TEST(CountGen, ExistingDatabasesAreKeptUnlessReplacing) {
    TempFolder dir;
    CountGenOptions o = SmallOptions(dir.Path());
    o.days = 1;
    o.types = {1};
    std::string error;
    ASSERT_EQ(GenerateDatabases(o, nullptr, &error), 1) << error;
    const std::string path = dir / "PeopleCounterData/PeopleCounter.db";
    const std::string before = Dump(path, "Records");

    // A second run with types 1 and 4 refuses before writing anything.
    o.seed = 99;
    o.types = {4, 1};
    EXPECT_EQ(GenerateDatabases(o, nullptr, &error), 0);
    EXPECT_NE(error.find("already exists"), std::string::npos) << error;
    EXPECT_EQ(Dump(path, "Records"), before);
    EXPECT_FALSE(fs::exists(dir / "ZoneCounterData/ZoneCounter.db"));

    o.replace = true;
    ASSERT_EQ(GenerateDatabases(o, nullptr, &error), 1) << error;
    EXPECT_NE(Dump(path, "Records"), before);
    EXPECT_TRUE(fs::exists(dir / "ZoneCounterData/ZoneCounter.db"));
}

TEST(CountGen, OneMinuteIntervalAndRootWithTrailingSlash) {
    TempFolder dir;
    CountGenOptions o = SmallOptions(dir.Path() + "/");
    o.days = 2;
    o.cameras = 2;
    o.intervalMinutes = 1;
    o.types = {1};
    std::vector<GeneratedFile> files;
    std::string error;
    ASSERT_EQ(GenerateDatabases(o, &files, &error), 1) << error;
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].path, dir.Path() + "/PeopleCounterData/PeopleCounter.db");
    EXPECT_EQ(files[0].rows, 2 * 2 * 960);
    Db db(files[0].path);
    EXPECT_EQ(db.Value("SELECT MIN(EnterTime) FROM Records"), "2024-03-16 06:00:00");
    EXPECT_EQ(db.Value("SELECT MAX(EnterTime) FROM Records"), "2024-03-17 21:59:00");
}

TEST(CountGen, OptionsAreChecked) {
    struct Case {
        const char* what;
        std::vector<std::string> args;
        int result;
    };
    const Case cases[] = {
        {"minimal", {"--root", "/tmp/x"}, 1},
        {"everything",
         {"--root", "r", "--types", "1,3,7", "--days", "365", "--end", "2024-02-29", "--cameras",
          "16", "--interval-minutes", "1", "--seed", "18446744073709551615", "--index", "--regions",
          "10", "--force", "--quiet"},
         1},
        {"help", {"--help"}, 2},
        {"no root", {"--days", "3"}, 0},
        {"type 8", {"--root", "r", "--types", "1,8"}, 0},
        {"empty type", {"--root", "r", "--types", "1,,2"}, 0},
        {"days 0", {"--root", "r", "--days", "0"}, 0},
        {"bad end", {"--root", "r", "--end", "2023-02-29"}, 0},
        {"end format", {"--root", "r", "--end", "2023-2-28"}, 0},
        {"cameras 65", {"--root", "r", "--cameras", "65"}, 0},
        {"interval 0", {"--root", "r", "--interval-minutes", "0"}, 0},
        {"seed text", {"--root", "r", "--seed", "abc"}, 0},
        {"regions 11", {"--root", "r", "--regions", "11"}, 0},
        {"missing value", {"--root"}, 0},
        {"unknown", {"--root", "r", "--colour", "red"}, 0},
        {"stray", {"--root", "r", "extra"}, 0},
    };
    for (const Case& c : cases) {
        CountGenOptions o;
        bool quiet = false;
        std::string error;
        EXPECT_EQ(ParseCountGenArgs(c.args, &o, &quiet, &error), c.result) << c.what;
        if (c.result == 0) {
            EXPECT_FALSE(error.empty()) << c.what;
        }
    }
    CountGenOptions o;
    bool quiet = false;
    std::string error;
    ASSERT_EQ(ParseCountGenArgs({"--root", "r", "--types", "7,2", "--end", "2024-02-29", "--quiet"},
                                &o, &quiet, &error),
              1);
    EXPECT_EQ(o.types, (std::vector<int>{7, 2}));
    EXPECT_EQ(o.endYear * 10000 + o.endMonth * 100 + o.endDay, 20240229);
    EXPECT_TRUE(quiet);
}

TEST(Calendar, DayNumbersAndWeekdays) {
    EXPECT_EQ(DaysFromCivil({1970, 1, 1}), 0);
    EXPECT_EQ(WeekdayOfDays(DaysFromCivil({2024, 3, 15})), 5);  // a Friday
    EXPECT_EQ(WeekdayOfDays(DaysFromCivil({1899, 12, 30})), 6);
    EXPECT_EQ(DayOfYear({2024, 12, 31}), 366);
    for (int64_t n = -800000; n < 3000000; n += 997) {
        const CivilDate d = CivilFromDays(n);
        ASSERT_EQ(DaysFromCivil(d), n);
    }
    CivilDate d;
    EXPECT_TRUE(ParseIsoDate("2000-02-29", &d));
    EXPECT_FALSE(ParseIsoDate("1900-02-29", &d));
    EXPECT_FALSE(ParseIsoDate("2024-06-31", &d));
}

}  // namespace

}  // namespace zl
