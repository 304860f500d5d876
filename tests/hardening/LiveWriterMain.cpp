// A device writing its counting database: appends one row at a time, each in a transaction
// of its own, to the "Records" table of a 2D people-counter database, until SIGTERM. Used by
// the live-writer test, which reads the file meanwhile.
//
//   hardening_live_writer DB wal|delete PAUSE_US
//
// Prints "ready" once the journal mode is set and the first row is in, and at the end the
// number of rows written. Exit status 0, or 1 when a write failed.
#include <signal.h>
#include <sqlite3.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace zl {

namespace {

volatile sig_atomic_t g_stop = 0;

void OnTerm(int) {
    g_stop = 1;
}

bool Exec(sqlite3* db, const char* sql) {
    char* message = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        std::fprintf(stderr, "live writer: %s: %s\n", sql, message ? message : "?");
        sqlite3_free(message);
        return false;
    }
    return true;
}

}  // namespace

int Main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: hardening_live_writer DB wal|delete PAUSE_US\n");
        return 2;
    }
    const std::string mode = argv[2];
    const int pauseUs = std::atoi(argv[3]);
    signal(SIGTERM, OnTerm);

    sqlite3* db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "live writer: cannot open %s\n", argv[1]);
        return 1;
    }
    // Readers hold their locks briefly; a device waits for them as long as it takes.
    sqlite3_busy_timeout(db, 10000);
    if (!Exec(db, mode == "wal" ? "PRAGMA journal_mode=WAL;" : "PRAGMA journal_mode=DELETE;"))
        return 1;
    sqlite3_stmt* insert = nullptr;
    if (sqlite3_prepare_v2(db,
                           "INSERT INTO Records (EnterTime, Inward, Outward, Camera) "
                           "VALUES (?, ?, ?, ?);",
                           -1, &insert, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "live writer: %s\n", sqlite3_errmsg(db));
        return 1;
    }
    long rows = 0;
    bool failed = false;
    while (!g_stop) {
        // The rows fall on 2024-03-05, one simulated second apart, for cameras 1 and 2.
        const long second = rows % 86400;
        char time[32];
        std::snprintf(time, sizeof time, "2024-03-05 %02ld:%02ld:%02ld", second / 3600,
                      second / 60 % 60, second % 60);
        sqlite3_bind_text(insert, 1, time, -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 2, 1 + static_cast<int>(rows % 3));
        sqlite3_bind_int(insert, 3, static_cast<int>(rows % 2));
        sqlite3_bind_int(insert, 4, 1 + static_cast<int>(rows % 2));
        const int rc = sqlite3_step(insert);
        sqlite3_reset(insert);
        if (rc != SQLITE_DONE) {
            std::fprintf(stderr, "live writer: insert failed: %s\n", sqlite3_errmsg(db));
            failed = true;
            break;
        }
        if (++rows == 1) {
            std::printf("ready\n");
            std::fflush(stdout);
        }
        if (pauseUs > 0) usleep(static_cast<useconds_t>(pauseUs));
    }
    sqlite3_finalize(insert);
    if (sqlite3_close(db) != SQLITE_OK) failed = true;
    std::printf("%ld\n", rows);
    return failed ? 1 : 0;
}

}  // namespace zl

int main(int argc, char** argv) {
    return zl::Main(argc, argv);
}
