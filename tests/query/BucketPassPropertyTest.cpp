// Bucket passes against the per-bucket statements on many small random databases: odd time
// texts (fractions, missing seconds, 'T', NULLs, numbers, blobs, times on the bucket bounds),
// time columns of every affinity and built-in collation, with and without an index, odd
// values, random ranges, dates, working hours, periods, regions, queue measures and height
// classes. Both ways must hand on the same rows (data level) and build the same tables (the
// workers, several sites at once), from the file and through recnetd.
//
// ZL_PROPERTY_ITERATIONS scales the number of databases (default 1).
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>

#include "QueryFakes.h"
#include "QueryTestKit.h"
#include "RecNetServer.h"
#include "UserStore.h"
#include "base/CounterTypes.h"
#include "data/BucketPassRun.h"
#include "data/SqlText.h"
#include "query/QueryWorker.h"
#include "recnet/RecNet.h"

namespace zl {

namespace {

using Rng = std::mt19937;

int Uniform(Rng& rng, int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(rng);
}
bool Chance(Rng& rng, double p) {
    return std::uniform_real_distribution<double>(0, 1)(rng) < p;
}

// A value of any storage class.
struct Value {
    enum Kind { kNull, kInt, kReal, kText, kBlob } kind = kNull;
    long long i = 0;
    double r = 0;
    std::string s;
    static Value Int(long long v) { return {kInt, v, 0, {}}; }
    static Value Text(std::string v) { return {kText, 0, 0, std::move(v)}; }
};

std::string Two(int v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d", v);
    return b;
}

SYSTEMTIME AddDays(const SYSTEMTIME& t, int days) {
    return PlusTime(t, days * 86400);
}

// A time near the report date, mostly well formed, often on a bucket bound.
Value RandomTime(Rng& rng, const SYSTEMTIME& date) {
    const SYSTEMTIME day = AddDays(date, Uniform(rng, -36, 2));
    int hh = Uniform(rng, 0, 23), mm = Uniform(rng, 0, 59), ss = Uniform(rng, 0, 59);
    if (Chance(rng, 0.35)) {
        static const int kMinutes[] = {0, 59, 4, 5, 9, 10, 14, 15, 29, 30, 44, 45, 54, 55};
        mm = kMinutes[Uniform(rng, 0, 13)];
        ss = Chance(rng, 0.5) ? 0 : 59;
        if (Chance(rng, 0.2)) hh = Chance(rng, 0.5) ? 0 : 23;
    }
    const std::string date10 =
        std::to_string(day.wYear) + "-" + Two(day.wMonth) + "-" + Two(day.wDay);
    const std::string clock = Two(hh) + ":" + Two(mm) + ":" + Two(ss);
    const int form = Uniform(rng, 0, 99);
    if (form < 62) return Value::Text(date10 + " " + clock);
    if (form < 66) return Value::Text(date10 + " " + clock + (Chance(rng, 0.5) ? ".5" : ".999"));
    if (form < 70) return Value::Text(date10 + " " + Two(hh) + ":" + Two(mm));
    if (form < 74) return Value::Text(date10 + "T" + clock);
    if (form < 77) return Value::Text(date10 + " " + clock + " ");
    if (form < 80) return Value{};
    if (form < 82) return Value::Int(day.wYear * 10000 + day.wMonth * 100 + day.wDay);
    if (form < 84) return Value::Text(date10);
    if (form < 86)
        return Value::Text(std::to_string(day.wYear) + "-" + std::to_string(day.wMonth) + "-" +
                           std::to_string(day.wDay) + " " + std::to_string(hh) + ":" +
                           std::to_string(mm) + ":" + std::to_string(ss));
    if (form < 88) return Value{Value::kBlob, 0, 0, date10 + " " + clock};
    if (form < 90) return Value::Text("");
    if (form < 92) return Value{Value::kReal, 0, 2024.5, {}};
    if (form < 94) return Value::Text(date10 + " " + clock + "Z");
    return Value::Text(date10 + " " + Two(hh) + ":" + Two(mm) + ":" +
                       Two(Chance(rng, 0.5) ? 0 : 59));
}

Value RandomCount(Rng& rng) {
    const int form = Uniform(rng, 0, 99);
    if (form < 80) return Value::Int(Uniform(rng, 0, 20));
    if (form < 85) return Value{};
    if (form < 88) return Value::Int(-Uniform(rng, 1, 30));
    if (form < 91) return Value{Value::kReal, 0, Uniform(rng, 0, 40) / 4.0, {}};
    if (form < 94) return Value::Text(std::to_string(Uniform(rng, 0, 9)));
    if (form < 96) return Value::Text("7abc");
    if (form < 98) return Value::Int(3000000000LL);
    return Value::Text("x");
}

Value RandomDuration(Rng& rng) {
    const int form = Uniform(rng, 0, 9);
    if (form < 6)
        return Value::Text(Two(Uniform(rng, 0, 1)) + ":" + Two(Uniform(rng, 0, 59)) + ":" +
                           Two(Uniform(rng, 0, 59)));
    if (form < 7) return Value{};
    if (form < 8) return Value::Text(std::to_string(Uniform(rng, 0, 9)) + ":5");
    if (form < 9)
        return Value::Text("2024-03-05 00:0" + std::to_string(Uniform(rng, 0, 9)) + ":07");
    return Value::Int(Uniform(rng, 0, 100));
}

struct Column {
    std::string name;
    enum Kind { kTime, kCount, kCamera, kInOut, kHeight, kRegion, kDuration } kind;
};

struct TableLayout {
    std::string table;
    std::vector<Column> columns;
};

// The tables of a counter type's file (type 1 holds the 3D table too: mixed sites).
std::vector<TableLayout> LayoutsOf(int type, int queueFile) {
    using C = Column;
    const C camera{"Camera", C::kCamera};
    switch (type) {
        case 1:
        case 2: {
            TableLayout t2{
                "Records",
                {{"EnterTime", C::kTime}, {"Inward", C::kCount}, {"Outward", C::kCount}, camera}};
            TableLayout t3{
                "_3DRecords",
                {{"Time", C::kTime}, {"InOut", C::kInOut}, {"Height", C::kHeight}, camera}};
            return {t2, t3};
        }
        case 3: {
            TableLayout t{"records", {{"StartTime", C::kTime}, camera}};
            for (int r = 1; r <= 10; ++r)
                t.columns.push_back({"Count" + std::to_string(r), C::kCount});
            return {t};
        }
        case 4:
            return {{"records", {{"StartTime", C::kTime}, {"AverageCount", C::kCount}, camera}}};
        case 5:
            return {{"records",
                     {{"CountingTime", C::kTime},
                      {"Line1_In", C::kCount},
                      {"Line1_Out", C::kCount},
                      {"Line2_In", C::kCount},
                      {"Line2_Out", C::kCount},
                      camera}}};
        case 6: {
            TableLayout t{"records", {{"EnterTime", C::kTime}, camera}};
            for (const char* n : {"LargeIn", "LargeOut", "MediumIn", "MediumOut", "SmallIn",
                                  "SmallOut", "PedestrianIn", "PedestrianOut"})
                t.columns.push_back({n, C::kCount});
            return {t};
        }
        default:
            if (queueFile == 1)
                return {{"records",
                         {{"StartTime", C::kTime},
                          {"AverageCount", C::kCount},
                          {"Queue", C::kRegion},
                          camera}}};
            if (queueFile == 2)
                return {{"records",
                         {{"StartTime", C::kTime},
                          {"ServedTime", C::kDuration},
                          {"Counter", C::kRegion},
                          camera}}};
            return {{"records",
                     {{"StartTime", C::kTime},
                      {"WaitingTime", C::kDuration},
                      {"Queue", C::kRegion},
                      camera}}};
    }
}

void Bind(sqlite3_stmt* stmt, int i, const Value& v) {
    switch (v.kind) {
        case Value::kNull:
            sqlite3_bind_null(stmt, i);
            break;
        case Value::kInt:
            sqlite3_bind_int64(stmt, i, v.i);
            break;
        case Value::kReal:
            sqlite3_bind_double(stmt, i, v.r);
            break;
        case Value::kText:
            sqlite3_bind_text(stmt, i, v.s.c_str(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT);
            break;
        case Value::kBlob:
            sqlite3_bind_blob(stmt, i, v.s.data(), static_cast<int>(v.s.size()), SQLITE_TRANSIENT);
            break;
    }
}

// Writes the file anew (a new file moved over the old one, so that a server notices).
bool WriteDatabase(Rng& rng, const std::string& path, int type, int queueFile,
                   const SYSTEMTIME& date) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const std::string temp = path + ".new";
    std::filesystem::remove(temp);
    sqlite3* db = nullptr;
    if (sqlite3_open(temp.c_str(), &db) != SQLITE_OK) return false;
    static const char* const kTimeTypes[] = {
        "TEXT", "", "DATETIME", "TEXT COLLATE NOCASE", "TEXT COLLATE RTRIM", "INTEGER"};
    bool ok = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    for (const TableLayout& t : LayoutsOf(type, queueFile)) {
        const char* timeType = kTimeTypes[Chance(rng, 0.5) ? 0 : Uniform(rng, 0, 5)];
        std::string create = "CREATE TABLE " + t.table + "(";
        std::string insert = "INSERT INTO " + t.table + " VALUES(";
        for (size_t c = 0; c < t.columns.size(); ++c) {
            create += (c ? ", " : "") + t.columns[c].name + " " +
                      (t.columns[c].kind == Column::kTime ? timeType : "INTEGER");
            insert += c ? ",?" : "?";
        }
        ok = ok && sqlite3_exec(db, (create + ")").c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
        if (Chance(rng, 0.4)) {
            const std::string index =
                "CREATE INDEX i_" + t.table + " ON " + t.table + "(" + t.columns[0].name + ")";
            ok = ok && sqlite3_exec(db, index.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
        }
        sqlite3_stmt* stmt = nullptr;
        ok = ok && sqlite3_prepare_v2(db, (insert + ")").c_str(), -1, &stmt, nullptr) == SQLITE_OK;
        const int rows = Uniform(rng, 20, 220);
        for (int r = 0; ok && r < rows; ++r) {
            for (size_t c = 0; c < t.columns.size(); ++c) {
                Value v;
                switch (t.columns[c].kind) {
                    case Column::kTime:
                        v = RandomTime(rng, date);
                        break;
                    case Column::kCount:
                        v = RandomCount(rng);
                        break;
                    case Column::kCamera:
                        v = Chance(rng, 0.03) ? Value{} : Value::Int(Uniform(rng, 1, 4));
                        break;
                    case Column::kInOut:
                        v = Chance(rng, 0.05) ? Value::Int(Uniform(rng, 0, 3))
                                              : Value::Int(Uniform(rng, 1, 2));
                        break;
                    case Column::kHeight:
                        v = Chance(rng, 0.2) ? Value::Int(Uniform(rng, 0, 1) ? 1100 : 1500)
                                             : Value::Int(Uniform(rng, 500, 2500));
                        break;
                    case Column::kRegion:
                        v = Value::Int(Uniform(rng, 1, 4));
                        break;
                    case Column::kDuration:
                        v = RandomDuration(rng);
                        break;
                }
                Bind(stmt, static_cast<int>(c) + 1, v);
            }
            ok = sqlite3_step(stmt) == SQLITE_DONE;
            sqlite3_reset(stmt);
        }
        sqlite3_finalize(stmt);
    }
    ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    return ok && !ec;
}

// The file a counter type (and queue measure) reads, relative to the data root.
std::string RelativeFile(int type, int queueMeasure) {
    if (type == 1 || type == 2) return "/PeopleCounterData/PeopleCounter.db";
    if (type != 7) {
        std::string p = CounterTypeRelativePath(type);
        for (char& c : p)
            if (c == '\\') c = '/';
        return p;
    }
    if (queueMeasure == 1) return "/QueueLengthData/QueueLengthMonitoring.db";
    if (queueMeasure == 2) return "/QueueLengthData/QueueLengthMonitoringServed.db";
    return "/QueueLengthData/QueueLengthMonitoringWaiting.db";
}

QueryParams RandomParams(Rng& rng, int type) {
    static const SYSTEMTIME kDates[] = {MakeSysTime(2024, 3, 5), MakeSysTime(2024, 3, 31),
                                        MakeSysTime(2024, 1, 10), MakeSysTime(2024, 2, 29),
                                        MakeSysTime(2024, 3, 1)};
    QueryParams p;
    p.counterType = type;
    p.range = Uniform(rng, 0, 2);
    p.startDate = kDates[Uniform(rng, 0, 4)];
    static const int kPeriods[] = {5, 10, 15, 30, 60};
    p.periodMinutes = kPeriods[Uniform(rng, 0, 4)];
    for (int& r : p.regionVisible) r = Chance(rng, 0.35) ? 1 : 0;
    p.queueType = Uniform(rng, 0, 3);
    p.heightClass = Chance(rng, 0.1) ? 4 : Uniform(rng, 0, 3);
    p.heightUnit = Uniform(rng, 0, 1);
    p.heightLow = Chance(rng, 0.3) ? 110 : Uniform(rng, 40, 120);
    p.heightHigh = Chance(rng, 0.3) ? 150 : p.heightLow + Uniform(rng, 0, 100);
    for (int k = 0; k < 7; ++k) {
        if (Chance(rng, 0.25)) {
            p.hours.start[k] = MakeSysTime(2000, 1, 1, 0, 0);
            p.hours.end[k] = MakeSysTime(2000, 1, 1, 23, 59);
        } else {
            p.hours.start[k] = MakeSysTime(2000, 1, 1, Uniform(rng, 0, 12), Uniform(rng, 0, 59));
            p.hours.end[k] = MakeSysTime(2000, 1, 1, Uniform(rng, 6, 23), Uniform(rng, 0, 59));
        }
    }
    return p;
}

// Every slot of cameras 1..4 in use; `checked` by chance; 3D cameras for the 3D counter and,
// by chance, for the 2D counter (a mixed site).
void RandomCameras(Rng& rng, SiteRecord& site, int type) {
    for (int k = 0; k < 4; ++k) {
        CameraSlot& slot = site.cameras[k];
        slot.used = 1;
        slot.name = "Camera0" + std::to_string(k + 1);
        slot.checked = Chance(rng, 0.7) ? 1 : 0;
        slot.is3D = type == 2 ? 1 : (type == 1 && Chance(rng, 0.25) ? 1 : 0);
    }
}

// The plans a worker runs on one site for the parameters (as the workers build them).
std::vector<BucketPlan> PlansOf(const SiteRecord& site, const QueryParams& p) {
    std::vector<BucketPlan> plans;
    if (IsPeopleCounterType(p.counterType)) {
        const std::string f2 = CameraFilter(CheckedCameras(site, false));
        const std::string f3 = CameraFilter(CheckedCameras(site, true));
        if (!f2.empty()) plans.push_back(Plan2D(f2, p.range, p.startDate, p.hours));
        if (!f3.empty())
            plans.push_back(
                Plan3D(f3, p.range, p.startDate, ThresholdToMillimetres(p.heightLow, p.heightUnit),
                       ThresholdToMillimetres(p.heightHigh, p.heightUnit), p.heightClass, p.hours));
        return plans;
    }
    const std::vector<int> regions = RegionsFromFlags(p.regionVisible.data(), 10);
    const std::string cameras = CameraFilter(CheckedCameras(site, false));
    const std::string select = SelectExpression(p.counterType, regions, p.queueType);
    if (cameras.empty() || select.empty()) return plans;
    plans.push_back(PlanGeneric(select, GenericFilter(cameras, p.counterType, p.queueType, regions),
                                TimeColumnOf(p.counterType), p.range, p.startDate, p.periodMinutes,
                                p.hours));
    return plans;
}

using Row = zl::testsupport::RecordedRow;

std::string Describe(const CountRecord& r) {
    char b[96];
    std::snprintf(b, sizeof b, "%04u-%02u-%02u %02u:%02u:%02u - %04u-%02u-%02u %02u:%02u:%02u",
                  r.fromYear, r.fromMonth, r.fromDay, r.fromHour, r.fromMinute, r.fromSecond,
                  r.toYear, r.toMonth, r.toDay, r.toHour, r.toMinute, r.toSecond);
    std::string s = std::string(b) + " kind " + std::to_string(r.kind) + " n " +
                    std::to_string(r.valueCount) + " [";
    for (uint32_t v : r.values) s += " " + std::to_string(v);
    return s + " ]";
}

template <typename Table>
void ExpectSameRecords(const Table& a, const Table& b, const std::string& what) {
    ASSERT_EQ(a.Size(), b.Size()) << what;
    for (size_t i = 0; i < a.Size(); ++i)
        EXPECT_EQ(Describe(a.At(i)), Describe(b.At(i))) << what << " record " << i;
}

int Iterations() {
    const char* v = std::getenv("ZL_PROPERTY_ITERATIONS");
    const int n = v ? std::atoi(v) : 1;
    return n > 0 ? n : 1;
}

class BucketPassProperty : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        dir_ = new TempFolder();
        root_ = dir_->File("data");
        std::filesystem::create_directories(root_);
        zl::recnetd::ServerConfig config;
        config.address = "127.0.0.1";
        config.port = 0;
        config.dataRoots = {root_};
        config.usersFile = dir_->File("users");
        config.logLevel = zl::recnetd::LogLevel::Error;
        std::string error;
        ASSERT_TRUE(zl::recnetd::UserStore::AddUser(config.usersFile, "viewer", "pw", &error));
        server_ = new zl::recnetd::RecNetServer(config);
        ASSERT_TRUE(server_->Start(&error)) << error;
        client_ = CreateRecNetClient();
        ASSERT_TRUE(client_->Connect("127.0.0.1", server_->Port(), 30000));
        ASSERT_TRUE(client_->Login("viewer", "pw"));
    }
    static void TearDownTestSuite() {
        DestroyRecNetClient(&client_);
        if (server_) server_->Stop();
        delete server_;
        delete dir_;
        server_ = nullptr;
        dir_ = nullptr;
    }

    // Writes the files of a type for one round; the local object reads the measure's file.
    void WriteRound(Rng& rng, int type, const QueryParams& p) {
        if (type == 7) {
            for (int m : {0, 1, 2})
                ASSERT_TRUE(WriteDatabase(rng, root_ + RelativeFile(7, m), 7, m, p.startDate));
        } else {
            ASSERT_TRUE(WriteDatabase(rng, root_ + RelativeFile(type, 0), type, 0, p.startDate));
        }
    }

    SiteRecord LocalSite(RecNetLocal* db, Rng& rng, int type) {
        SiteRecord s;
        s.connectionType = kConnLocal;
        s.checked = 1;
        s.localDb = db;
        s.localDB = root_;
        RandomCameras(rng, s, type);
        return s;
    }

    SiteRecord RemoteSite(RecNetClient* placeholder, Rng& rng, int type, int measure) {
        SiteRecord s;
        s.connectionType = kConnServer;
        s.checked = 1;
        s.ipAddress = "127.0.0.1";
        s.port = std::to_string(server_->Port());
        s.userName = "viewer";
        s.password = "pw";
        s.localDB = root_ + RelativeFile(type, measure);
        if (type == 1)
            s.client2D = placeholder;
        else if (type == 2)
            s.client3D = placeholder;
        else
            s.clientOther = placeholder;
        RandomCameras(rng, s, type);
        return s;
    }

    static TempFolder* dir_;
    static std::string root_;
    static zl::recnetd::RecNetServer* server_;
    static RecNetClient* client_;
};

TempFolder* BucketPassProperty::dir_ = nullptr;
std::string BucketPassProperty::root_;
zl::recnetd::RecNetServer* BucketPassProperty::server_ = nullptr;
RecNetClient* BucketPassProperty::client_ = nullptr;

// Data level: the rows each plan hands on, and the progress steps, per handle.
TEST_F(BucketPassProperty, SameRowsAsThePerBucketStatements) {
    const int rounds = 100 * Iterations();
    int onePass = 0, grouped = 0, joined = 0;
    for (int round = 0; round < rounds; ++round) {
        Rng rng(1000 + round);
        const int type = 1 + round % 7;
        const QueryParams p = RandomParams(rng, type);
        WriteRound(rng, type, p);
        const std::string file = root_ + RelativeFile(type, p.queueType);
        RecNetLocal* local = CreateRecNetLocal();
        ASSERT_TRUE(local->Open(file.c_str()));
        ASSERT_TRUE(client_->OpenDatabase(file.c_str()));
        SiteRecord site = LocalSite(local, rng, type);
        for (int way = 0; way < 2; ++way) {
            SiteRecord s = site;
            if (way == 1) {
                s.localDb = nullptr;
                s.connectionType = kConnServer;
                (IsPeopleCounterType(type) ? s.client2D : s.clientOther) = client_;
                s.client3D = client_;
            }
            for (const BucketPlan& plan : PlansOf(s, p)) {
                const std::string what = "round " + std::to_string(round) + " type " +
                                         std::to_string(type) + (way ? " server" : " file") +
                                         " range " + std::to_string(p.range) + " family " +
                                         std::to_string(plan.family);
                zl::testsupport::RowCollector perBucket, pass;
                CountingProgress stepsA, stepsB;
                const int a = RunPlan(s, plan, QueryHooks{&stepsA, nullptr, &perBucket});
                std::string statement;
                const zl::recnet::BucketPassResult b =
                    RunPlanBucketPass(s, plan, QueryHooks{&stepsB, nullptr, &pass, &statement});
                if (plan.buckets.empty()) {
                    EXPECT_EQ(b, zl::recnet::BucketPassResult::kUnusable) << what;
                    continue;
                }
                ASSERT_EQ(a, 1) << what;
                ASSERT_EQ(b, zl::recnet::BucketPassResult::kDone) << what;
                ++onePass;
                if (statement.find(" GROUP BY 1") != std::string::npos) ++grouped;
                if (statement.find(" UNION ALL ") != std::string::npos) ++joined;
                EXPECT_EQ(stepsA.steps, stepsB.steps) << what;
                ASSERT_EQ(perBucket.rows.size(), pass.rows.size()) << what;
                for (size_t i = 0; i < pass.rows.size(); ++i) {
                    EXPECT_TRUE(perBucket.rows[i] == pass.rows[i]) << what << " row " << i;
                }
            }
        }
        DestroyRecNetLocal(&local);
    }
    EXPECT_GT(onePass, rounds);      // most plans of both ways went in a bucket pass
    EXPECT_GT(grouped, rounds / 4);  // without an index: one scan, grouped
    EXPECT_GT(joined, rounds / 8);   // with an index: the bucket statements joined
}

// The workers: several sites (files and servers) at once in bucket passes, against one after the
// other with the per-bucket statements: the same people, 3D and report tables.
TEST_F(BucketPassProperty, WorkersBuildTheSameTables) {
    const int rounds = 10 * Iterations();
    for (int round = 0; round < rounds; ++round) {
        Rng rng(5000 + round);
        const int type = 1 + round % 7;
        QueryParams p = RandomParams(rng, type);
        WriteRound(rng, type, p);
        const std::string file = root_ + RelativeFile(type, p.queueType);
        RecNetLocal* localA = CreateRecNetLocal();
        RecNetLocal* localB = CreateRecNetLocal();
        ASSERT_TRUE(localA->Open(file.c_str()));
        ASSERT_TRUE(localB->Open(file.c_str()));
        RecNetClient* placeholder = CreateRecNetClient();
        const std::vector<SiteRecord> sites = {LocalSite(localA, rng, type),
                                               RemoteSite(placeholder, rng, type, p.queueType),
                                               LocalSite(localB, rng, type)};
        CCountTable people[2], threeD[2];
        CReportTable report[2];
        int result[2];
        CountingProgress steps[2];
        for (int way = 0; way < 2; ++way) {
            p.bucketPass = way == 1;
            p.siteThreads = way == 1 ? 4 : 1;
            result[way] = RunQuery(p, sites, &steps[way], nullptr,
                                   QueryTables{&people[way], &threeD[way], &report[way]});
        }
        const std::string what = "round " + std::to_string(round) + " type " +
                                 std::to_string(type) + " range " + std::to_string(p.range);
        EXPECT_EQ(result[0], kQueryDone) << what;
        EXPECT_EQ(result[1], result[0]) << what;
        EXPECT_EQ(steps[1].steps, steps[0].steps) << what;
        ExpectSameRecords(people[0], people[1], what + " people");
        ExpectSameRecords(threeD[0], threeD[1], what + " 3D");
        ExpectSameRecords(report[0], report[1], what + " report");
        DestroyRecNetLocal(&localA);
        DestroyRecNetLocal(&localB);
        DestroyRecNetClient(&placeholder);
    }
}

}  // namespace

}  // namespace zl
