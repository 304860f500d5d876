// One per-bucket report statement through recnetd on 127.0.0.1 against the same statement on
// the local object: median latency of each and their ratio. A timed program, not a test.
//
//   bench_recnet [iterations] [--no-index]
#include <sodium.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "RecNetServer.h"
#include "UserStore.h"
#include "recnet/RecNet.h"

namespace zl {

namespace {

constexpr int kDays = 30;
constexpr int kCameras = 8;

bool WriteDatabase(const std::string& path, bool index) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) return false;
    sqlite3_exec(db,
                 "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN;"
                 "CREATE TABLE Records (ID INTEGER PRIMARY KEY, Camera INTEGER, EnterTime TEXT,"
                 " Inward INTEGER, Outward INTEGER);",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO Records (Camera, EnterTime, Inward, Outward) VALUES "
                       "(?, ?, ?, ?);",
                       -1, &insert, nullptr);
    char time[32];
    for (int day = 1; day <= kDays; ++day) {
        for (int minute = 0; minute < 24 * 60; ++minute) {
            std::snprintf(time, sizeof time, "2024-04-%02d %02d:%02d:00", day, minute / 60,
                          minute % 60);
            for (int camera = 1; camera <= kCameras; ++camera) {
                sqlite3_bind_int(insert, 1, camera);
                sqlite3_bind_text(insert, 2, time, -1, SQLITE_TRANSIENT);
                sqlite3_bind_int(insert, 3, (minute * 7 + camera) % 5);
                sqlite3_bind_int(insert, 4, (minute * 3 + camera) % 5);
                sqlite3_step(insert);
                sqlite3_reset(insert);
            }
        }
    }
    sqlite3_finalize(insert);
    if (index)
        sqlite3_exec(db, "CREATE INDEX ByTime ON Records (EnterTime);", nullptr, nullptr, nullptr);
    const bool ok = sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

// The 2D Day statement of hour h on day d, all cameras.
std::string BucketSql(int i) {
    const int day = 1 + i % kDays;
    const int hour = i % 24;
    std::string filter = "Camera= 1";
    for (int c = 2; c <= kCameras; ++c) filter += " OR Camera= " + std::to_string(c);
    char sql[512];
    std::snprintf(sql, sizeof sql,
                  "SELECT SUM(Inward), SUM(Outward) from Records where (%s) AND EnterTime BETWEEN "
                  "'2024-04-%02d %02d:00:00' AND '2024-04-%02d %02d:59:59';",
                  filter.c_str(), day, hour, day, hour);
    return sql;
}

int CountRow(void* context, int, char**, char**) {
    ++*static_cast<int*>(context);
    return 0;
}

template <typename Exec>
double MedianMicros(int iterations, Exec exec) {
    std::vector<double> times;
    for (int i = -iterations / 10; i < iterations; ++i) {  // the first tenth warms up
        const std::string sql = BucketSql(i + iterations);
        int rows = 0;
        const auto start = std::chrono::steady_clock::now();
        if (!exec(sql.c_str(), &rows) || rows != 1) {
            std::fprintf(stderr, "query failed: %s\n", sql.c_str());
            std::exit(1);
        }
        const auto end = std::chrono::steady_clock::now();
        if (i >= 0) times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int Main(int argc, char** argv) {
    int iterations = 300;
    bool index = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--no-index") {
            index = false;
        } else {
            iterations = std::max(10, std::atoi(argv[i]));
        }
    }
    if (sodium_init() < 0) return 1;
    char folder[] = "/tmp/recnet-bench-XXXXXX";
    if (!::mkdtemp(folder)) return 1;
    const std::string root = folder;
    const std::string dbFolder = root + "/PeopleCounterData";
    const std::string dbPath = dbFolder + "/PeopleCounter.db";
    ::mkdir(dbFolder.c_str(), 0755);
    std::printf("writing %d days x %d cameras of one-minute 2D records%s ...\n", kDays, kCameras,
                index ? " (index on EnterTime)" : " (no index)");
    if (!WriteDatabase(dbPath, index)) return 1;

    zl::recnetd::ServerConfig config;
    config.address = "127.0.0.1";
    config.port = 0;
    config.dataRoots = {root};
    config.usersFile = root + "/users";
    config.logLevel = zl::recnetd::LogLevel::Error;
    std::string error;
    if (!zl::recnetd::UserStore::AddUser(config.usersFile, "bench", "bench password", &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    zl::recnetd::RecNetServer server(config);
    if (!server.Start(&error)) {
        std::fprintf(stderr, "recnetd: %s\n", error.c_str());
        return 1;
    }

    RecNetLocal* local = CreateRecNetLocal();
    RecNetClient* client = CreateRecNetClient();
    if (!local->Open(dbPath.c_str()) || !client->Connect("127.0.0.1", server.Port(), 5000) ||
        !client->Login("bench", "bench password") || !client->OpenDatabase(dbPath.c_str())) {
        std::fprintf(stderr, "cannot open the database locally or through recnetd\n");
        return 1;
    }
    const double localUs = MedianMicros(iterations, [&](const char* sql, int* rows) {
        return local->Exec(sql, CountRow, rows) != 0;
    });
    const double remoteUs = MedianMicros(iterations, [&](const char* sql, int* rows) {
        return client->Exec(sql, CountRow, rows) != 0;
    });
    std::printf("one 2D hour bucket, %d queries each (median):\n", iterations);
    std::printf("  local object      %10.1f us\n", localUs);
    std::printf("  recnetd 127.0.0.1 %10.1f us\n", remoteUs);
    std::printf("  ratio remote/local %9.2f\n", remoteUs / localUs);

    RecNetClose(&client);
    DestroyRecNetLocal(&local);
    server.Stop();
    std::system(("rm -rf '" + root + "'").c_str());
    return 0;
}

}  // namespace zl

int main(int argc, char** argv) {
    return zl::Main(argc, argv);
}
