// reporter-cli end to end on countgen databases: every counter type and range, read from the
// files, through an in-process recnetd on 127.0.0.1 and (2D) from devsim. The expected numbers
// are computed here from the raw rows with plain SQLite reads and C++ sums, not with the
// engine's SQL.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "Await.h"
#include "CliChart.h"
#include "CountGen.h"
#include "CountingDb.h"
#include "DevSim.h"
#include "RecNetServer.h"
#include "ReporterCli.h"
#include "ToolsTestKit.h"
#include "UserStore.h"
#include "base/TextCodec.h"

namespace zl {

namespace {

using nlohmann::json;
using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year_month_day;
using zl::testsupport::CountingDb;

constexpr int kYear = 2024, kMonth = 3, kDay = 5;

struct Bucket {
    std::string from, to;
};

std::string DayText(sys_days d) {
    const year_month_day ymd(d);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
    return text;
}

std::vector<Bucket> WholeDays(sys_days first, int count) {
    std::vector<Bucket> out;
    for (int i = 0; i < count; ++i)
        out.push_back(
            {DayText(first + days(i)) + " 00:00:00", DayText(first + days(i)) + " 23:59:59"});
    return out;
}

// The buckets of a report on 2024-03-05 (working hours are the defaults, 00:00 to 23:59).
std::vector<Bucket> Buckets(const std::string& range) {
    const sys_days date = sys_days(std::chrono::year(kYear) / kMonth / kDay);
    if (range == "day") {
        std::vector<Bucket> out;
        char from[32], to[32];
        for (int h = 0; h < 24; ++h) {
            std::snprintf(from, sizeof from, "%s %02d:00:00", DayText(date).c_str(), h);
            std::snprintf(to, sizeof to, "%s %02d:59:59", DayText(date).c_str(), h);
            out.push_back({from, to});
        }
        return out;
    }
    // Device and database sites share one layout, so a report of both adds rows of one bucket:
    // the week of the 7 days ending on the date, the rolling month 2024-02-06 .. 2024-03-05.
    if (range == "week") return WholeDays(date - days(6), 7);
    return WholeDays(sys_days(std::chrono::year(2024) / 2 / 6), 29);
}

// Reads every row of a query as column texts.
std::vector<std::vector<std::string>> Rows(const std::string& file, const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return rows;
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                const unsigned char* t = sqlite3_column_text(st, c);
                row.push_back(t ? reinterpret_cast<const char*>(t) : "");
            }
            rows.push_back(row);
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

int64_t Seconds(const std::string& hhmmss) {
    return std::stoll(hhmmss.substr(0, 2)) * 3600 + std::stoll(hhmmss.substr(3, 2)) * 60 +
           std::stoll(hhmmss.substr(6, 2));
}

// What a counter type's report holds, from the raw rows: per bucket the values, or for the
// averages a sum and a count.
struct Expectation {
    std::string file;
    std::string sql;  // first column: the time; the rest feed `add`
    int values;
    bool average = false;  // value 0 = sum / count, integer division, 0 without rows
    std::function<void(const std::vector<std::string>&, std::vector<int64_t>&)> add;
};

Expectation ExpectationOf(const std::string& root, int type, int measure = 0, int heightClass = 0) {
    const auto i = [](const std::string& s) { return std::stoll(s.empty() ? "0" : s); };
    switch (type) {
        case 1:
            return {root + "/PeopleCounterData/PeopleCounter.db",
                    "SELECT EnterTime, Inward, Outward FROM Records", 2, false,
                    [i](const auto& r, auto& v) {
                        v[0] += i(r[1]);
                        v[1] += i(r[2]);
                    }};
        case 2:
            return {root + "/PeopleCounterData/3DPeopleCounter.db",
                    "SELECT Time, InOut, Height FROM _3DRecords", heightClass == 1 ? 6 : 2, false,
                    [i, heightClass](const auto& r, auto& v) {
                        const int64_t dir = i(r[1]), h = i(r[2]);
                        if (dir != 1 && dir != 2) return;
                        int cls = 0;
                        if (heightClass == 1) cls = h < 1100 ? 0 : h <= 1500 ? 1 : 2;
                        v[static_cast<size_t>(cls * 2 + (dir - 1))] += 1;
                    }};
        case 3:
            return {root + "/AccessCounterData/AccessCounter.db",
                    "SELECT StartTime, Count1 FROM records", 1, false,
                    [i](const auto& r, auto& v) { v[0] += i(r[1]); }};
        case 4:
            return {root + "/ZoneCounterData/ZoneCounter.db",
                    "SELECT StartTime, AverageCount FROM records", 1, true,
                    [i](const auto& r, auto& v) {
                        v[0] += i(r[1]);
                        v[1] += 1;
                    }};
        case 5:
            return {root + "/FlowCountData/FlowCount.db",
                    "SELECT CountingTime, Line1_In, Line1_Out, Line2_In, Line2_Out FROM records", 4,
                    false, [i](const auto& r, auto& v) {
                        for (size_t k = 0; k < 4; ++k) v[k] += i(r[k + 1]);
                    }};
        case 6:
            return {root + "/TrafficCounterData/TrafficCounter.db",
                    "SELECT EnterTime, LargeIn, LargeOut, MediumIn, MediumOut, SmallIn, "
                    "SmallOut, PedestrianIn, PedestrianOut FROM records",
                    8, false, [i](const auto& r, auto& v) {
                        for (size_t k = 0; k < 8; ++k) v[k] += i(r[k + 1]);
                    }};
        default:
            break;
    }
    // Queue length monitoring, region 1.
    const std::string dir = root + "/QueueLengthData/";
    if (measure == 1)
        return {dir + "QueueLengthMonitoring.db",
                "SELECT StartTime, AverageCount FROM records WHERE Queue = 1", 1, true,
                [i](const auto& r, auto& v) {
                    v[0] += i(r[1]);
                    v[1] += 1;
                }};
    if (measure == 2)
        return {dir + "QueueLengthMonitoringServed.db",
                "SELECT StartTime, ServedTime FROM records WHERE Counter = 1", 1, true,
                [](const auto& r, auto& v) {
                    v[0] += Seconds(r[1]);
                    v[1] += 1;
                }};
    if (measure == 3)
        return {dir + "QueueLengthMonitoringWaiting.db",
                "SELECT StartTime, WaitingTime FROM records WHERE Queue = 1", 1, true,
                [](const auto& r, auto& v) {
                    v[0] += Seconds(r[1]);
                    v[1] += 1;
                }};
    return {dir + "QueueLengthMonitoringWaiting.db",
            "SELECT StartTime, WaitingTime FROM records WHERE Queue = 1", 1, false,
            [](const auto& r, auto& v) {
                if (!r[1].empty()) v[0] += 1;
            }};
}

std::vector<std::vector<int64_t>> Expected(const Expectation& e,
                                           const std::vector<Bucket>& buckets) {
    std::vector<std::vector<int64_t>> acc(buckets.size(), std::vector<int64_t>(10, 0));
    for (const auto& row : Rows(e.file, e.sql)) {
        for (size_t b = 0; b < buckets.size(); ++b) {
            if (row[0] >= buckets[b].from && row[0] <= buckets[b].to) {
                e.add(row, acc[b]);
                break;
            }
        }
    }
    std::vector<std::vector<int64_t>> out;
    for (auto& v : acc) {
        if (e.average) v = {v[1] ? v[0] / v[1] : 0};
        v.resize(static_cast<size_t>(e.values));
        out.push_back(v);
    }
    return out;
}

struct CliResult {
    int code;
    std::string out, err;
};

class ReporterCli : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new TempFolder();
        root_ = *dir_ / "data";
        CountGenOptions o;
        o.root = root_;
        o.days = 40;
        o.endYear = 2024;
        o.endMonth = 3;
        o.endDay = 10;
        o.cameras = 3;
        o.intervalMinutes = 15;
        std::string error;
        ASSERT_EQ(GenerateDatabases(o, nullptr, &error), 1) << error;

        std::ofstream(*dir_ / "settings.ini").close();
        std::ofstream(*dir_ / "password") << "secret\n";

        zl::recnetd::ServerConfig config;
        config.address = "127.0.0.1";
        config.port = 0;
        config.serverName = "cli-test";
        config.dataRoots = {root_};
        config.usersFile = *dir_ / "users";
        config.logLevel = zl::recnetd::LogLevel::Error;
        ASSERT_TRUE(zl::recnetd::UserStore::AddUser(config.usersFile, "viewer", "secret", &error))
            << error;
        server_ = new zl::recnetd::RecNetServer(config);
        ASSERT_TRUE(server_->Start(&error)) << error;

        DevSimConfig device;
        device.dbPath = root_ + "/PeopleCounterData/PeopleCounter.db";
        device.cameraNames = {{1, "Door"}};
        device.user = "viewer";
        device.password = "secret";
        devsim_ = new DevSim();
        ASSERT_EQ(devsim_->Start(device, &error), 1) << error;
    }
    static void TearDownTestSuite() {
        if (devsim_) devsim_->Stop();
        if (server_) server_->Stop();
        delete devsim_;
        delete server_;
        delete dir_;
        devsim_ = nullptr;
        server_ = nullptr;
        dir_ = nullptr;
    }

    static CliResult Run(std::vector<std::string> args, const std::atomic<bool>* cancel = nullptr) {
        args.insert(args.begin(), "report");
        args.insert(args.end(),
                    {"--lang", ZL_TEST_LANG_FILE, "--settings", *dir_ / "settings.ini"});
        std::ostringstream out, err;
        CliIo io;
        io.out = &out;
        io.err = &err;
        io.cancel = cancel;
        const int code = RunReporterCli(args, io);
        return {code, out.str(), err.str()};
    }
    static std::string ServerArg() { return "127.0.0.1:" + std::to_string(server_->Port()); }
    static std::string DeviceArg() { return "127.0.0.1:" + std::to_string(devsim_->Port()); }

    static void ExpectJson(const CliResult& r, int type, const std::string& range,
                           const std::vector<Bucket>& buckets,
                           const std::vector<std::vector<int64_t>>& values) {
        ASSERT_EQ(r.code, 0) << r.err;
        const json doc = json::parse(r.out);
        EXPECT_EQ(doc["counterType"], type);
        EXPECT_EQ(doc["range"], range);
        EXPECT_EQ(doc["date"], "2024-03-05");
        ASSERT_EQ(doc["records"].size(), buckets.size());
        std::vector<int64_t> totals(values.empty() ? 0 : values[0].size(), 0);
        for (size_t b = 0; b < buckets.size(); ++b) {
            const json& rec = doc["records"][b];
            EXPECT_EQ(rec["from"], buckets[b].from);
            EXPECT_EQ(rec["to"], buckets[b].to);
            EXPECT_EQ(rec["values"].get<std::vector<int64_t>>(), values[b])
                << "bucket " << buckets[b].from;
            for (size_t k = 0; k < totals.size(); ++k) totals[k] += values[b][k];
        }
        EXPECT_EQ(doc["totals"].get<std::vector<int64_t>>(), totals);
        EXPECT_EQ(doc["columns"].size(), totals.size());
    }

    static TempFolder* dir_;
    static std::string root_;
    static zl::recnetd::RecNetServer* server_;
    static DevSim* devsim_;
};

TempFolder* ReporterCli::dir_ = nullptr;
std::string ReporterCli::root_;
zl::recnetd::RecNetServer* ReporterCli::server_ = nullptr;
DevSim* ReporterCli::devsim_ = nullptr;

struct SourceCase {
    int type;
    std::string range;
    bool server;
};

class EveryTypeAndRange : public ReporterCli, public ::testing::WithParamInterface<SourceCase> {};

TEST_P(EveryTypeAndRange, JsonEqualsSumsOfTheRawRows) {
    const SourceCase& c = GetParam();
    std::vector<std::string> args{"--type", std::to_string(c.type), "--range",  c.range,
                                  "--date", "2024-03-05",           "--format", "json"};
    if (c.server)
        args.insert(args.end(), {"--server", ServerArg(), "--user", "viewer", "--password-file",
                                 *dir_ / "password"});
    else
        args.insert(args.end(), {"--local", root_});
    const std::vector<Bucket> buckets = Buckets(c.range);
    ExpectJson(Run(args), c.type, c.range, buckets,
               Expected(ExpectationOf(root_, c.type), buckets));
}

std::vector<SourceCase> AllCases() {
    std::vector<SourceCase> out;
    for (bool server : {false, true})
        for (int type = 1; type <= 7; ++type)
            for (const char* range : {"day", "week", "month"}) out.push_back({type, range, server});
    return out;
}

INSTANTIATE_TEST_SUITE_P(Sources, EveryTypeAndRange, ::testing::ValuesIn(AllCases()),
                         [](const auto& testInfo) {
                             return std::string(testInfo.param.server ? "Server" : "Local") +
                                    "Type" + std::to_string(testInfo.param.type) + "_" +
                                    testInfo.param.range;
                         });

TEST_F(ReporterCli, QueueMeasuresAverageWholeTimes) {
    for (int measure = 1; measure <= 3; ++measure) {
        const std::vector<Bucket> buckets = Buckets("day");
        ExpectJson(Run({"--type", "7", "--date", "2024-03-05", "--local", root_, "--format", "json",
                        "--queue-measure", std::to_string(measure)}),
                   7, "day", buckets, Expected(ExpectationOf(root_, 7, measure), buckets));
    }
}

TEST_F(ReporterCli, ThreeDHeightClassesInCentimetres) {
    const std::vector<Bucket> buckets = Buckets("week");
    const CliResult r = Run({"--type", "2", "--range", "week", "--date", "2024-03-05", "--local",
                             root_, "--format", "json", "--height-class", "1"});
    ExpectJson(r, 2, "week", buckets, Expected(ExpectationOf(root_, 2, 0, 1), buckets));
    EXPECT_NE(r.out.find("\"Inward (h<110)\""), std::string::npos) << r.out;
}

TEST_F(ReporterCli, AccessRegionsAreSummed) {
    const std::vector<Bucket> buckets = Buckets("day");
    Expectation e = ExpectationOf(root_, 3);
    e.sql = "SELECT StartTime, Count1, Count3 FROM records";
    e.add = [](const auto& r, auto& v) { v[0] += std::stoll(r[1]) + std::stoll(r[2]); };
    ExpectJson(Run({"--type", "3", "--date", "2024-03-05", "--local", root_, "--format", "json",
                    "--regions", "1,3"}),
               3, "day", buckets, Expected(e, buckets));
}

TEST_F(ReporterCli, OneCameraOnly) {
    const std::vector<Bucket> buckets = Buckets("day");
    Expectation e = ExpectationOf(root_, 1);
    e.sql = "SELECT EnterTime, Inward, Outward FROM Records WHERE Camera = 2";
    ExpectJson(Run({"--type", "1", "--date", "2024-03-05", "--local", root_, "--format", "json",
                    "--cameras", "2"}),
               1, "day", buckets, Expected(e, buckets));
}

TEST_F(ReporterCli, SitesThatFailAreNamedAndNeverCountAsZeros) {
    const std::vector<Bucket> buckets = Buckets("day");
    const std::string missing = *dir_ / "nowhere";
    const std::string empty = *dir_ / "empty.db";
    std::ofstream(empty).close();  // an empty file: a database without the table
    const CliResult r =
        Run({"--type", "1", "--date", "2024-03-05", "--local", root_, "--local", missing, "--local",
             empty, "--server", "127.0.0.1:1", "--format", "json", "--quiet"});
    EXPECT_EQ(r.code, 5) << r.err;
    for (const std::string& name : {missing, empty, std::string("127.0.0.1:1")})
        EXPECT_NE(r.err.find("site failed: " + name + ":"), std::string::npos) << r.err;
    const json doc = json::parse(r.out);
    ASSERT_EQ(doc["sites"].size(), 4u);
    EXPECT_EQ(doc["sites"][0]["name"], root_);
    EXPECT_TRUE(doc["sites"][0]["answered"].get<bool>());
    EXPECT_FALSE(doc["sites"][0].contains("error"));
    for (size_t i = 1; i < 4; ++i) {
        EXPECT_FALSE(doc["sites"][i]["answered"].get<bool>()) << i;
        EXPECT_FALSE(doc["sites"][i]["error"].get<std::string>().empty()) << i;
    }
    // The rows are those of the site that answered, alone.
    const auto values = Expected(ExpectationOf(root_, 1), buckets);
    ASSERT_EQ(doc["records"].size(), buckets.size());
    for (size_t b = 0; b < buckets.size(); ++b)
        EXPECT_EQ(doc["records"][b]["values"].get<std::vector<int64_t>>(), values[b]);

    // Every site failed: nothing is written and the run says so.
    const CliResult none = Run({"--type", "1", "--local", missing, "--local", empty});
    EXPECT_EQ(none.code, 2) << none.err;
    EXPECT_TRUE(none.out.empty());
}

class DevicePath : public ReporterCli, public ::testing::WithParamInterface<std::string> {};

TEST_P(DevicePath, CountsOfTheDeviceEqualSumsOfItsDatabase) {
    const std::string range = GetParam();
    const std::vector<Bucket> buckets = Buckets(range);
    ExpectJson(
        Run({"--type", "1", "--range", range, "--date", "2024-03-05", "--device", DeviceArg(),
             "--user", "viewer", "--password-file", *dir_ / "password", "--format", "json"}),
        1, range, buckets, Expected(ExpectationOf(root_, 1), buckets));
}

INSTANTIATE_TEST_SUITE_P(Ranges, DevicePath, ::testing::Values("day", "week", "month"));

TEST_F(ReporterCli, LocalAndServerSitesTogetherAreSummed) {
    const std::vector<Bucket> buckets = Buckets("day");
    std::vector<std::vector<int64_t>> twice = Expected(ExpectationOf(root_, 5), buckets);
    for (auto& v : twice)
        for (auto& x : v) x *= 2;
    ExpectJson(
        Run({"--type", "5", "--date", "2024-03-05", "--local", root_, "--server", ServerArg(),
             "--user", "viewer", "--password-file", *dir_ / "password", "--format", "json"}),
        5, "day", buckets, twice);
}

// A recnetd of its own on 127.0.0.1 that counts the password checks in its log: one per
// log-in that reached the user store.
class CountingServer {
  public:
    CountingServer(const std::string& root, const std::string& usersFile) {
        zl::recnetd::ServerConfig config;
        config.address = "127.0.0.1";
        config.port = 0;
        config.serverName = "login-count";
        config.dataRoots = {root};
        config.usersFile = usersFile;
        config.logLevel = zl::recnetd::LogLevel::Debug;
        server_ = std::make_unique<zl::recnetd::RecNetServer>(config, [this](const std::string& l) {
            if (l.find("password checked") != std::string::npos) ++logins_;
        });
        started_ = server_->Start(&error_);
    }
    ~CountingServer() { server_->Stop(); }
    bool Started() const { return started_; }
    const std::string& Error() const { return error_; }
    std::string Arg() const { return "127.0.0.1:" + std::to_string(server_->Port()); }
    // The log-ins since the last call.
    int TakeLogins() { return logins_.exchange(0); }

  private:
    std::unique_ptr<zl::recnetd::RecNetServer> server_;
    std::atomic<int> logins_{0};
    bool started_ = false;
    std::string error_;
};

TEST_F(ReporterCli, AReportLogsInOncePerServerSite) {
    CountingServer server(root_, *dir_ / "users");
    ASSERT_TRUE(server.Started()) << server.Error();
    const std::vector<std::string> site = {"--server", server.Arg(),      "--user",
                                           "viewer",   "--password-file", *dir_ / "password"};
    const std::vector<Bucket> buckets = Buckets("day");
    const auto values = Expected(ExpectationOf(root_, 1), buckets);
    const auto report = [&](std::vector<std::string> extra, int sites) {
        std::vector<std::string> args = {"--type", "1", "--date", "2024-03-05", "--format", "json"};
        for (int i = 0; i < sites; ++i) args.insert(args.end(), site.begin(), site.end());
        args.insert(args.end(), extra.begin(), extra.end());
        return Run(args);
    };
    // Discovery, the report, the compared period and the coverage all on the one session;
    // two sites on the same server are two sessions.
    for (const auto& [extra, sites] : std::vector<std::pair<std::vector<std::string>, int>>{
             {{}, 1}, {{"--compare", "previous"}, 1}, {{"--cameras", "1"}, 1}, {{}, 2}}) {
        const std::string name =
            std::to_string(sites) + " site(s) " + (extra.empty() ? std::string() : extra.front());
        const CliResult r = report(extra, sites);
        ASSERT_EQ(r.code, 0) << name << ": " << r.err;
        EXPECT_EQ(server.TakeLogins(), sites) << name;
        if (extra.empty() && sites == 1) {
            const json doc = json::parse(r.out);
            ASSERT_EQ(doc["records"].size(), buckets.size());
            for (size_t b = 0; b < buckets.size(); ++b)
                EXPECT_EQ(doc["records"][b]["values"].get<std::vector<int64_t>>(), values[b]);
        }
    }
    // A refused password is asked once and the site fails as before.
    const CliResult refused = Run({"--type", "1", "--server", server.Arg(), "--user", "viewer"});
    EXPECT_EQ(refused.code, 2) << refused.err;
    EXPECT_EQ(server.TakeLogins(), 1);
}

TEST_F(ReporterCli, AQueryThatFailsOnTheServerSessionStillFails) {
    // Cameras are found; every query on the table fails. The retries stay on the session.
    const std::string broken = *dir_ / "broken-served";
    ASSERT_TRUE(CountingDb(broken + "/PeopleCounterData/PeopleCounter.db")
                    .Table("Records", {{"EnterTime", "TEXT"}, {"Camera", "INTEGER"}})
                    .Camera(1)
                    .Record("2024-03-05 10:00:00")
                    .Write());
    CountingServer server(broken, *dir_ / "users");
    ASSERT_TRUE(server.Started()) << server.Error();
    const CliResult r =
        Run({"--type", "1", "--date", "2024-03-05", "--server", server.Arg(), "--user", "viewer",
             "--password-file", *dir_ / "password", "--retries", "1", "--quiet"});
    EXPECT_EQ(r.code, 3) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(server.TakeLogins(), 1);
}

#ifdef ZL_TEST_CHART_HELPER
// The picture is drawn by the helper program; without the helper the run says so and fails
// with the output code, and the report itself is not written.
TEST_F(ReporterCli, PictureComesFromTheHelperProgram) {
    const std::string png = *dir_ / "chart.png";
    setenv("ZL_REPORTER_CHART", ZL_TEST_CHART_HELPER, 1);
    const CliResult r = Run({"--type", "1", "--date", "2024-03-05", "--local", root_, "--format",
                             "json", "--png", png, "--chart-size", "320x200"});
    ASSERT_EQ(r.code, 0) << r.err;
    std::ifstream in(png, std::ios::binary);
    std::string head(8, '\0');
    in.read(head.data(), 8);
    EXPECT_EQ(head, std::string("\x89PNG\r\n\x1a\n", 8));

    const std::string missing = *dir_ / "no-helper";
    setenv("ZL_REPORTER_CHART", missing.c_str(), 1);
    const CliResult m = Run({"--type", "1", "--date", "2024-03-05", "--local", root_, "--format",
                             "json", "--png", *dir_ / "other.png"});
    unsetenv("ZL_REPORTER_CHART");
    EXPECT_EQ(m.code, 4);
    EXPECT_NE(m.err.find(missing), std::string::npos) << m.err;
    EXPECT_TRUE(m.out.empty());
    EXPECT_FALSE(std::filesystem::exists(*dir_ / "other.png"));
}
#endif

TEST_F(ReporterCli, CsvAndXmlAreTheExportersFiles) {
    const std::string csv = *dir_ / "out.csv";
    CliResult r = Run({"--type", "1", "--date", "2024-03-05", "--local", root_, "--format", "csv",
                       "--output", csv, "--direction", "2"});
    ASSERT_EQ(r.code, 0) << r.err;
    std::ifstream in(csv, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.rfind("Sitename: Site Name Report date: ", 0), 0u);
    EXPECT_NE(text.find("\r\n\r\nStartTime,EndTime,Outward\r\n"), std::string::npos);
    // Direction 2 shows the out-counts, and the Outward column carries them.
    const std::vector<Bucket> buckets = Buckets("day");
    int64_t out = 0;
    for (const auto& v : Expected(ExpectationOf(root_, 1), buckets)) out += v[1];
    EXPECT_TRUE(text.ends_with("Total:\r\n" + std::to_string(out) + "\r\n")) << text;

    const std::string xml = *dir_ / "out.xml";
    r = Run({"--type", "6", "--date", "2024-03-05", "--local", root_, "--format", "xml", "--output",
             xml});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(*dir_ / "ParseCount.xsl"));
    std::ifstream xin(xml, std::ios::binary);
    std::string doc((std::istreambuf_iterator<char>(xin)), std::istreambuf_iterator<char>());
    EXPECT_NE(doc.find("<PedestrianOut>"), std::string::npos);
    EXPECT_TRUE(doc.ends_with("</dataevents>\r\n</Counting>"));
}

TEST_F(ReporterCli, ChartPageFolderHoldsTheData) {
    if (!CliCanWriteChart()) GTEST_SKIP() << "built without the chart library";
    const std::string folder = *dir_ / "chart";
    const CliResult r = Run({"--type", "5", "--date", "2024-03-05", "--local", root_, "--format",
                             "json", "--chart", folder});
    ASSERT_EQ(r.code, 0) << r.err;
    for (const char* name : {"ZLXChart.html", "ZLXChart.js", "ZLXChart1.js", "LoadData.js"})
        EXPECT_TRUE(std::filesystem::exists(folder + "/" + name)) << name;
    std::ifstream in(folder + "/LoadData.js");
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(data.find("Inward 2"), std::string::npos);
}

TEST_F(ReporterCli, TableShowsTotalsRow) {
    const CliResult r =
        Run({"--type", "4", "--range", "week", "--date", "2024-03-05", "--local", root_});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("No.", 0), 0u);
    EXPECT_NE(r.out.find("\n8    Total"), std::string::npos) << r.out;
}

// A database whose record table lacks the count columns: cameras are found, every query fails.
class Failing : public ReporterCli {
  protected:
    void SetUp() override {
        broken_ = *dir_ / "broken";
        // The folder lives as long as the suite: the file is made by the first test.
        const std::string file = broken_ + "/PeopleCounterData/PeopleCounter.db";
        if (std::filesystem::exists(file)) return;
        ASSERT_TRUE(CountingDb(file)
                        .Table("Records", {{"EnterTime", "TEXT"}, {"Camera", "INTEGER"}})
                        .Camera(1)
                        .Record("2024-03-05 10:00:00")
                        .Write());
    }
    std::string broken_;
};

TEST_F(Failing, RetriesAnswerYesNTimesThenNo) {
    const CliResult r = Run({"--type", "1", "--date", "2024-03-05", "--local", broken_, "--retries",
                             "2", "--format", "json"});
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(r.out.empty());
    size_t yes = 0, no = 0;
    std::istringstream lines(r.err);
    std::string line, last;
    while (std::getline(lines, line)) {
        if (line.ends_with(" yes")) ++yes;
        if (line.ends_with(" no")) ++no;
        last = line;
    }
    EXPECT_EQ(yes, 2u);
    EXPECT_EQ(no, 1u);
    EXPECT_NE(last.find("given up after 3 questions"), std::string::npos) << r.err;
}

TEST_F(Failing, QuietGivesOneErrorLine) {
    const CliResult r = Run({"--type", "1", "--date", "2024-03-05", "--local", broken_, "--quiet"});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
}

TEST_F(ReporterCli, CancelledRunEndsWithCodeThree) {
    std::atomic<bool> cancel{true};
    const CliResult r = Run({"--type", "1", "--range", "month", "--date", "2024-03-05", "--local",
                             root_, "--format", "json", "--quiet"},
                            &cancel);
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("cancelled"), std::string::npos);
}

struct ExitCase {
    const char* name;
    std::vector<std::string> args;
    int code;
};

TEST_F(ReporterCli, ExitCodes) {
    const std::vector<ExitCase> cases = {
        {"NoType", {"--local", root_}, 1},
        {"BadRange", {"--type", "1", "--range", "year", "--local", root_}, 1},
        {"BadDate", {"--type", "1", "--date", "2024-02-30", "--local", root_}, 1},
        {"BadPeriod", {"--type", "3", "--period", "7", "--local", root_}, 1},
        {"NoSite", {"--type", "1"}, 1},
        {"SiteNotInTheProgramsList", {"--type", "1", "--local", root_, "--site", "x"}, 1},
        {"MissingPasswordFile",
         {"--type", "1", "--local", root_, "--password-file", *dir_ / "none"},
         1},
        {"NothingListening", {"--type", "1", "--server", "127.0.0.1:1"}, 2},
        {"MissingFolder", {"--type", "1", "--local", *dir_ / "nowhere"}, 2},
        {"WrongPassword", {"--type", "1", "--server", ServerArg(), "--user", "viewer"}, 2},
        {"XlsxWithoutOutput", {"--type", "1", "--local", root_, "--format", "xlsx"}, 1},
        {"UnknownPlaceholder",
         {"--type", "1", "--local", root_, "--format", "csv", "--output", "{site}.csv"},
         1},
        {"RelativeDateMisspelt", {"--type", "1", "--date", "last-mon", "--local", root_}, 1},
        {"WorkbookNotWritable",
         {"--type", "1", "--date", "2024-03-05", "--local", root_, "--format", "xlsx", "--output",
          *dir_ / "no/such/dir/out.xlsx"},
         4},
        {"OutputNotWritable",
         {"--type", "1", "--date", "2024-03-05", "--local", root_, "--format", "json", "--output",
          *dir_ / "no/such/dir/out.json"},
         4},
    };
    for (const ExitCase& c : cases) {
        const CliResult r = Run(c.args);
        EXPECT_EQ(r.code, c.code) << c.name << ": " << r.err;
        EXPECT_FALSE(r.err.empty()) << c.name;
        // The error is the last line, one line.
        EXPECT_EQ(r.err.back(), '\n') << c.name;
    }
}

TEST_F(ReporterCli, SiteListSitesByName) {
    const std::string list = *dir_ / "SiteList.ini";
    std::ofstream(list) << "[SITE_LIST_COUNT]\nCOUNT=0\n";
    const CliResult r = Run({"--type", "1", "--site-list", list, "--site", "Shop"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("no site named \"Shop\""), std::string::npos) << r.err;
}

// A report per site of a site list: one workbook each, named after its site; a site that
// cannot be read gets none, and the run ends with "some sites failed".
TEST_F(ReporterCli, EachSiteGetsItsOwnWorkbook) {
    const std::string list = *dir_ / "SiteListEach.ini";
    std::ofstream(list, std::ios::binary)
        << "[SITE_LIST]\r\nCOUNT=3\r\n"
        << "[SITE_LIST_COUNT00]\r\nCounterType=1\r\nstrItemName=\"North\"\r\nLocalDB=" << root_
        << "\r\nConnectionType=2\r\ndsCamera_INF_00=c1\r\n"
        << "[SITE_LIST_COUNT01]\r\nCounterType=1\r\nstrItemName=\"Gone\"\r\nLocalDB="
        << *dir_ / "nowhere"
        << "\r\nConnectionType=2\r\ndsCamera_INF_00=c1\r\n"
        << "[SITE_LIST_COUNT02]\r\nCounterType=1\r\nstrItemName=\"South/2\"\r\nLocalDB=" << root_
        << "\r\nConnectionType=2\r\ndsCamera_INF_00=c1\r\n";
    const CliResult r =
        Run({"--type", "1", "--date", "2024-03-05", "--site-list", list, "--all-sites",
             "--each-site", "--format", "xlsx", "--output", *dir_ / "each-{site}-{date}.xlsx"});
    EXPECT_EQ(r.code, 5) << r.err;
    EXPECT_NE(r.err.find("Gone"), std::string::npos) << r.err;
    EXPECT_TRUE(std::filesystem::exists(*dir_ / "each-North-2024-03-05.xlsx"));
    EXPECT_TRUE(std::filesystem::exists(*dir_ / "each-South_2-2024-03-05.xlsx"));
    EXPECT_FALSE(std::filesystem::exists(*dir_ / "each-Gone-2024-03-05.xlsx"));
}

// A site list written in code page 1252 ("Entr\xE9e"): found by its name once --code-page says
// which code page the file is in (the default, 950, reads other characters from those bytes).
TEST_F(ReporterCli, CodePageDecidesHowALegacySiteListIsRead) {
    const std::string list = *dir_ / "SiteList1252.ini";
    std::ofstream(list, std::ios::binary)
        << "[SITE_LIST]\r\nCOUNT=1\r\n[SITE_LIST_COUNT00]\r\nCounterType=1\r\n"
           "strItemName=\"Entr\xE9"
           "e\"\r\nLocalDB="
        << root_ << "\r\nConnectionType=2\r\ndsCamera_INF_00=c1\r\n";
    const std::vector<std::string> args = {"--type",
                                           "1",
                                           "--date",
                                           "2024-03-05",
                                           "--site-list",
                                           list,
                                           "--site",
                                           "Entr\xC3\xA9"
                                           "e"};
    const CliResult plain = Run(args);
    EXPECT_NE(plain.err.find("no site named"), std::string::npos) << plain.err;
    std::vector<std::string> with = args;
    with.insert(with.end(), {"--code-page", "1252"});
    const CliResult r = Run(with);
    zl::SetLegacyCodePage("950", true);  // the choice is process-wide: back to the default
    EXPECT_EQ(r.code, 0) << r.err;
    std::vector<std::string> unknown = args;
    unknown.insert(unknown.end(), {"--code-page", "no-such-page"});
    const CliResult bad = Run(unknown);
    EXPECT_NE(bad.code, 0);
    EXPECT_NE(bad.err.find("unknown code page: no-such-page"), std::string::npos) << bad.err;
}

// The program itself: arguments, streams and exit code of a real process.
TEST_F(ReporterCli, ProgramWritesJsonToStandardOutput) {
    const std::string command = std::string(ZL_REPORTER_CLI) +
                                " report --type 3 --date 2024-03-05 --local " + root_ +
                                " --format json --lang " + ZL_TEST_LANG_FILE + " 2>/dev/null";
    FILE* p = popen(command.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    const int status = pclose(p);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(json::parse(out)["records"].size(), 24u);

    EXPECT_EQ(
        WEXITSTATUS(std::system((std::string(ZL_REPORTER_CLI) + " report 2>/dev/null").c_str())),
        1);
}

// The standard output of a shell command, or "" when it failed.
std::string CommandOutput(const std::string& command) {
    FILE* p = popen(command.c_str(), "r");
    if (!p) return {};
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    return pclose(p) == 0 ? out : std::string();
}

// The workbook of a run, read back by openpyxl, holds the numbers of the JSON report as typed
// values, the totals as formulas, and says what was queried; its name is filled in from the
// report's date and range.
TEST_F(ReporterCli, WorkbookHoldsTheReportsNumbers) {
    const std::vector<std::string> base = {"--type",  "1",   "--date",      "2024-03-05",
                                           "--local", root_, "--direction", "0"};
    std::vector<std::string> args = base;
    args.insert(args.end(), {"--format", "json"});
    const json report = json::parse(Run(args).out);
    args = base;
    args.insert(args.end(), {"--format", "xlsx", "--output", *dir_ / "t-{date}-{range}.xlsx"});
    const CliResult r = Run(args);
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string file = *dir_ / "t-2024-03-05-day.xlsx";
    ASSERT_TRUE(std::filesystem::exists(file));
    if (std::system((std::string(ZL_TEST_PYTHON) + " -c 'import openpyxl' 2>/dev/null").c_str()))
        GTEST_SKIP() << "python3-openpyxl is not installed";
    const json book = json::parse(
        CommandOutput(std::string(ZL_TEST_PYTHON) + " " + ZL_TEST_READ_XLSX + " " + file));
    const json& rows = book["Report"]["rows"];
    const json& records = report["records"];
    ASSERT_EQ(rows.size(), records.size() + 2);
    for (size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(rows[i + 1][0]["value"], records[i]["from"]);
        EXPECT_EQ(rows[i + 1][0]["type"], "datetime");
        EXPECT_EQ(rows[i + 1][2]["value"], records[i]["values"][0]);
        EXPECT_EQ(rows[i + 1][3]["value"], records[i]["values"][1]);
    }
    const json& totals = rows.back();
    EXPECT_EQ(totals[2]["formula"], "=SUM(C2:C25)");
    EXPECT_EQ(totals[2]["value"], report["totals"][0]);
    EXPECT_EQ(totals[3]["value"], report["totals"][1]);
    EXPECT_EQ(book["Report"]["charts"], json::array({"LineChart"}));
    const json& query = book["Query"]["rows"];
    std::map<std::string, std::string> items;
    for (const json& row : query) items[row[0]["value"]] = row[1]["value"];
    EXPECT_EQ(items["Sites"], root_);
    EXPECT_EQ(items["Range"], "day");
    EXPECT_EQ(items["Dates"], "2024-03-05 00:00:00 - 2024-03-05 23:59:59");
    EXPECT_EQ(items["Program"].rfind("reporter-cli ", 0), 0u);
    EXPECT_FALSE(items["Exported"].empty());
}

#ifdef ZL_TEST_CHART_HELPER
// The PDF report, drawn by the picture helper, read back as text: the heading, every row and
// the totals; on Letter paper as well as A4.
TEST_F(ReporterCli, PdfReportHoldsHeadingRowsAndTotals) {
    if (std::string(ZL_TEST_PDFTOTEXT).empty()) GTEST_SKIP() << "pdftotext is not installed";
    setenv("ZL_REPORTER_CHART", ZL_TEST_CHART_HELPER, 1);
    const zl::testsupport::ScopeExit unset([] { unsetenv("ZL_REPORTER_CHART"); });
    for (const char* paper : {"a4", "letter"}) {
        const std::string pdf = *dir_ / ("report-{type}-" + std::string(paper) + ".pdf");
        const CliResult r =
            Run({"--type", "5", "--range", "week", "--date", "2024-03-05", "--local", root_,
                 "--format", "json", "--pdf", pdf, "--paper", paper, "--chart-view", "bar"});
        ASSERT_EQ(r.code, 0) << r.err;
        const json report = json::parse(r.out);
        const std::string file = *dir_ / ("report-5-" + std::string(paper) + ".pdf");
        const std::string text =
            CommandOutput(std::string(ZL_TEST_PDFTOTEXT) + " -layout " + file + " -");
        ASSERT_FALSE(text.empty()) << "pdftotext failed on " << file;
        EXPECT_NE(text.find(" - week 2024-03-05"), std::string::npos) << text;
        EXPECT_NE(text.find(root_), std::string::npos);
        EXPECT_NE(text.find("Page 1 of 1"), std::string::npos);
        for (const json& rec : report["records"]) {
            // The row's start and end, then its values, on one line.
            const std::string from = rec["from"];
            const size_t at = text.find(from, text.find("StartTime"));
            ASSERT_NE(at, std::string::npos) << from;
            const std::string line = text.substr(at, text.find('\n', at) - at);
            for (const json& v : rec["values"])
                EXPECT_NE(line.find(" " + std::to_string(v.get<int64_t>())), std::string::npos)
                    << line;
        }
        const size_t total = text.find("Total");
        ASSERT_NE(total, std::string::npos);
        const std::string line = text.substr(total, text.find('\n', total) - total);
        for (const json& t : report["totals"])
            EXPECT_NE(line.find(" " + std::to_string(t.get<int64_t>())), std::string::npos) << line;
        // The page size, as the reader names it.
        const std::string info = CommandOutput(std::string(ZL_TEST_PDFINFO) + " " + file);
        EXPECT_NE(info.find(std::string(paper) == "a4" ? "(A4)" : "(letter)"), std::string::npos)
            << info;
    }
    // A PDF that cannot be written: the run says which and ends with the output code.
    const std::string nowhere = *dir_ / "no/such/dir/report.pdf";
    const CliResult r =
        Run({"--type", "1", "--date", "2024-03-05", "--local", root_, "--pdf", nowhere});
    EXPECT_EQ(r.code, 4);
    EXPECT_NE(r.err.find(nowhere), std::string::npos) << r.err;
}
// A day of an occupancy counter in five-minute periods (288 rows) goes over several pages: each
// repeats the table's header and says its number out of how many; no row is lost at a page break.
TEST_F(ReporterCli, PdfReportContinuesOverPages) {
    if (std::string(ZL_TEST_PDFTOTEXT).empty()) GTEST_SKIP() << "pdftotext is not installed";
    setenv("ZL_REPORTER_CHART", ZL_TEST_CHART_HELPER, 1);
    const zl::testsupport::ScopeExit unset([] { unsetenv("ZL_REPORTER_CHART"); });
    const std::string pdf = *dir_ / "long.pdf";
    const CliResult r = Run({"--type", "4", "--date", "2024-03-05", "--local", root_, "--period",
                             "5", "--format", "json", "--pdf", pdf});
    ASSERT_EQ(r.code, 0) << r.err;
    const json report = json::parse(r.out);
    ASSERT_EQ(report["records"].size(), 288u);
    const std::string info = CommandOutput(std::string(ZL_TEST_PDFINFO) + " " + pdf);
    const size_t at = info.find("Pages:");
    ASSERT_NE(at, std::string::npos) << info;
    const int pages = std::stoi(info.substr(at + 6));
    EXPECT_GE(pages, 4);
    for (int page = 1; page <= pages; ++page) {
        const std::string text =
            CommandOutput(std::string(ZL_TEST_PDFTOTEXT) + " -layout -f " + std::to_string(page) +
                          " -l " + std::to_string(page) + " " + pdf + " -");
        EXPECT_NE(text.find("StartTime"), std::string::npos) << "page " << page;
        EXPECT_NE(text.find("Page " + std::to_string(page) + " of " + std::to_string(pages)),
                  std::string::npos)
            << text;
    }
    const std::string all =
        CommandOutput(std::string(ZL_TEST_PDFTOTEXT) + " -layout " + pdf + " -");
    for (const json& rec : report["records"])
        EXPECT_NE(all.find(rec["from"].get<std::string>() + "   "), std::string::npos)
            << rec["from"];
}
#endif

// The program takes its remote client, device link and workbook writer from the modules
// beside it, and only when a report needs one: a copy without them still reports local files,
// and names the missing module for a server site, a device site and a workbook.
TEST_F(ReporterCli, ServerSitesThroughTheProgramsModuleAndLocalOnesWithoutIt) {
    const auto run = [&](const std::string& program, const std::string& sites, int* code) {
        const std::string command = program + " report --type 5 --date 2024-03-05 --format json " +
                                    sites + " --lang " + ZL_TEST_LANG_FILE + " 2>" +
                                    (*dir_ / "stderr.txt");
        FILE* p = popen(command.c_str(), "r");
        std::string out;
        if (!p) return out;
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
        const int status = pclose(p);
        *code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return out;
    };
    const std::string server =
        "--server " + ServerArg() + " --user viewer --password-file " + (*dir_ / "password");
    int code = -1;
    const std::string local = run(ZL_REPORTER_CLI, "--local " + root_, &code);
    ASSERT_EQ(code, 0);
    const std::string remote = run(ZL_REPORTER_CLI, server, &code);
    ASSERT_EQ(code, 0);
    EXPECT_EQ(json::parse(remote)["records"], json::parse(local)["records"]);

    const std::string alone = *dir_ / "alone";
    std::filesystem::create_directories(alone);
    std::filesystem::copy_file(ZL_REPORTER_CLI, alone + "/reporter-cli");
    const std::string copy = alone + "/reporter-cli";
    EXPECT_EQ(json::parse(run(copy, "--local " + root_, &code))["records"],
              json::parse(local)["records"]);
    EXPECT_EQ(code, 0);
    run(copy, server, &code);
    EXPECT_EQ(code, 2);
    std::ifstream err(*dir_ / "stderr.txt");
    const std::string said((std::istreambuf_iterator<char>(err)), std::istreambuf_iterator<char>());
    EXPECT_NE(said.find("the remote-database module cannot be loaded"), std::string::npos) << said;

    run(copy, "--device " + DeviceArg(), &code);
    EXPECT_EQ(code, 2);
    std::ifstream deviceErr(*dir_ / "stderr.txt");
    const std::string deviceSaid((std::istreambuf_iterator<char>(deviceErr)),
                                 std::istreambuf_iterator<char>());
    EXPECT_NE(deviceSaid.find("the device-link module cannot be loaded"), std::string::npos)
        << deviceSaid;

    const std::string book = *dir_ / "alone.xlsx";
    run(copy, "--local " + root_ + " --format xlsx --output " + book + " --quiet", &code);
    EXPECT_EQ(code, 4);
    EXPECT_FALSE(std::filesystem::exists(book));
    std::ifstream bookErr(*dir_ / "stderr.txt");
    const std::string bookSaid((std::istreambuf_iterator<char>(bookErr)),
                               std::istreambuf_iterator<char>());
    EXPECT_NE(bookSaid.find("the workbook module cannot be loaded"), std::string::npos) << bookSaid;
}

}  // namespace

}  // namespace zl
