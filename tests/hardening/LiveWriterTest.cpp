// A live writer: while another process appends rows to a counting database (one transaction
// per row, as a device does; WAL and rollback-journal mode), reports run against the file
// locally and through recnetd. No report fails, the totals only grow, the file passes an
// integrity check with every row written, and nobody but the writer makes files beside it.
// The test runs a few seconds per mode; ZL_LIVE_WRITER_SECONDS sets another time (60 for the
// long run).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sodium.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "CountGen.h"
#include "HardeningTestKit.h"
#include "RecNetServer.h"
#include "ReporterCli.h"

extern char** environ;

namespace zl::hardening {
namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kUser = "viewer";
constexpr const char* kPassword = "live writer";
constexpr const char* kFile = "PeopleCounter.db";

// The writer's pause between rows: 20 ms, far busier than a device (which writes a row per
// camera and interval); ZL_LIVE_WRITER_PAUSE_US sets another (a stress run: 2000).
std::string WriterPauseUs() {
    const char* text = std::getenv("ZL_LIVE_WRITER_PAUSE_US");
    return text && std::atoi(text) >= 0 ? std::to_string(std::atoi(text)) : "20000";
}

double SecondsPerMode() {
    const char* text = std::getenv("ZL_LIVE_WRITER_SECONDS");
    const double s = text ? std::atof(text) : 0.0;
    return s > 0 ? s : 5.0;
}

// The writer process, with a pipe from its standard output.
struct Writer {
    pid_t pid = -1;
    int out = -1;

    bool Start(const std::string& db, const std::string& mode) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        std::string program = LIVE_WRITER_PROGRAM, path = db, m = mode, pause = WriterPauseUs();
        char* argv[] = {program.data(), path.data(), m.data(), pause.data(), nullptr};
        const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        out = fds[0];
        return rc == 0 && ReadLine() == "ready";
    }
    std::string ReadLine() {
        std::string line;
        char c;
        while (::read(out, &c, 1) == 1 && c != '\n') line += c;
        return line;
    }
    // Stops the writer; answers the rows it wrote, or -1 when it failed.
    long Stop() {
        ::kill(pid, SIGTERM);
        const std::string count = ReadLine();
        int status = 0;
        ::waitpid(pid, &status, 0);
        pid = -1;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0 && !count.empty() ? std::stol(count)
                                                                               : -1;
    }
    ~Writer() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        if (out >= 0) ::close(out);
    }
};

// Reads one value with a connection of its own (read-write, so that as the last connection it
// leaves no WAL files behind).
std::string QueryOne(const std::string& db, const char* sql) {
    sqlite3* h = nullptr;
    std::string result;
    if (sqlite3_open_v2(db.c_str(), &h, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(h, sql, -1, &st, nullptr) == SQLITE_OK &&
            sqlite3_step(st) == SQLITE_ROW)
            result = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
    }
    sqlite3_close(h);
    return result;
}

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& [name, size] : ListFolder(folder)) names.insert(name);
    return names;
}

class LiveWriter : public ::testing::TestWithParam<const char*> {};

TEST_P(LiveWriter, ReportsRunWhileADeviceWrites) {
    ASSERT_GE(sodium_init(), 0);
    const std::string mode = GetParam();
    TempFolder dir;
    CountGenOptions o;
    o.root = dir / "data";
    o.types = {1};
    o.days = 7;
    o.endYear = 2024;
    o.endMonth = 3;
    o.endDay = 5;
    o.cameras = 2;
    o.intervalMinutes = 60;
    std::string error;
    ASSERT_EQ(GenerateDatabases(o, nullptr, &error), 1) << error;
    const std::string folder = o.root + "/PeopleCounterData";
    const std::string db = folder + "/" + kFile;
    const long rowsBefore = std::stol(QueryOne(db, "SELECT count(*) FROM Records;"));
    ASSERT_EQ(Names(folder), std::set<std::string>{kFile});

    Writer writer;
    ASSERT_TRUE(writer.Start(db, mode));
    // The writer's own files; nothing else may appear beside the database.
    const std::set<std::string> allowed = {kFile, std::string(kFile) + "-journal",
                                           std::string(kFile) + "-wal",
                                           std::string(kFile) + "-shm"};

    char hash[crypto_pwhash_STRBYTES];
    ASSERT_EQ(crypto_pwhash_str(hash, kPassword, std::strlen(kPassword), crypto_pwhash_OPSLIMIT_MIN,
                                crypto_pwhash_MEMLIMIT_MIN),
              0);
    WriteBytes(dir / "users", std::string(kUser) + ":" + hash + "\n");
    ::chmod((dir / "users").c_str(), 0600);
    WriteBytes(dir / "password", kPassword);
    recnetd::ServerConfig config;
    config.address = "127.0.0.1";
    config.port = 0;
    config.serverName = "live";
    config.dataRoots = {o.root};
    config.usersFile = dir / "users";
    config.logLevel = recnetd::LogLevel::Error;
    auto server = std::make_unique<recnetd::RecNetServer>(config, [](const std::string&) {});
    ASSERT_TRUE(server->Start(&error)) << error;

    const char* const ranges[] = {"day", "week", "month"};
    int runs[2] = {}, failures = 0;
    double lastDayTotal[2] = {-1, -1};
    const auto end = Clock::now() + std::chrono::duration<double>(SecondsPerMode());
    for (int i = 0; Clock::now() < end; ++i) {
        const bool remote = i % 2 == 1;
        const std::string range = ranges[(i / 2) % 3];
        std::vector<std::string> args = {"report", "--type",  "1",          "--range",
                                         range,    "--date",  "2024-03-05", "--format",
                                         "json",   "--quiet", "--lang",     ZL_LANG_FILE};
        if (remote) {
            args.insert(args.end(), {"--server", "127.0.0.1:" + std::to_string(server->Port()),
                                     "--user", kUser, "--password-file", dir / "password"});
        } else {
            args.insert(args.end(), {"--local", db});
        }
        std::ostringstream out, err;
        CliIo io;
        io.out = &out;
        io.err = &err;
        const int code = RunReporterCli(args, io);
        ++runs[remote];
        if (code != kCliDone) {
            ++failures;
            ADD_FAILURE() << (remote ? "recnetd " : "local ") << range << ": " << err.str();
            continue;
        }
        const nlohmann::json report = nlohmann::json::parse(out.str(), nullptr, false);
        ASSERT_FALSE(report.is_discarded()) << out.str();
        double total = 0;
        for (const auto& v : report["totals"]) total += v.is_number() ? v.get<double>() : 0;
        if (range == "day") {
            // Rows are only ever added: the day's totals never shrink.
            EXPECT_GE(total, lastDayTotal[remote]) << (remote ? "recnetd" : "local");
            lastDayTotal[remote] = total;
        }
        for (const std::string& name : Names(folder))
            EXPECT_TRUE(allowed.count(name)) << "a file appeared beside the database: " << name;
    }

    server->Stop();
    server.reset();
    const long written = writer.Stop();
    ASSERT_GT(written, 0) << "the writer failed";
    // With every reader and the writer gone, the writer's files are gone too.
    EXPECT_EQ(Names(folder), std::set<std::string>{kFile});
    EXPECT_EQ(QueryOne(db, "PRAGMA integrity_check;"), "ok");
    EXPECT_EQ(std::stol(QueryOne(db, "SELECT count(*) FROM Records;")), rowsBefore + written);
    std::printf(
        "%s: %d local and %d recnetd reports in %.0f s while the writer added %ld rows; "
        "%d failed\n",
        mode.c_str(), runs[0], runs[1], SecondsPerMode(), written, failures);
}

INSTANTIATE_TEST_SUITE_P(JournalModes, LiveWriter, ::testing::Values("wal", "delete"),
                         [](const ::testing::TestParamInfo<const char*>& testInfo) {
                             return std::string(testInfo.param);
                         });

}  // namespace
}  // namespace zl::hardening
