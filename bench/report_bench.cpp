// Report query timing: Day, Week and Month reports of the 2D people counter on a 365-day,
// 16-camera, one-minute database, without and with an index on the time column, read from the
// file and through recnetd on 127.0.0.1. Each engine time is set against the sqlite3 shell
// running the same SQL texts on the same file.
//
// usage: bench_report [--cache DIR] [--sqlite3 PATH] [--repeat N]
// The databases are written into DIR once (default /tmp/zl-report-bench) and reused.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchKit.h"
#include "CountGen.h"
#include "RecNetServer.h"
#include "UserStore.h"
#include "data/SqlBuilders.h"
#include "data/SqlText.h"
#include "query/QueryRun.h"
#include "query/QueryWorker.h"
#include "query/SiteConnect.h"

namespace zl {

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

bool EnsureData(const std::string& root, bool index) {
    if (std::filesystem::exists(root + "/PeopleCounterData/PeopleCounter.db")) return true;
    std::printf("writing %s ...\n", root.c_str());
    std::fflush(stdout);
    zl::bench::BenchData d;
    d.types = {1};
    d.index = index;
    return zl::bench::WriteBenchData(root, d);
}

WorkingHourTable AllDay() {
    return zl::bench::DailyHours(0, 0, 23, 59);
}

// Best of `repeat` runs of one report on a connected site, in milliseconds.
double TimeEngine(SiteRecord site, const QueryParams& params, int repeat) {
    site.checked = 1;
    for (CameraSlot& slot : site.cameras) slot.checked = slot.used;
    CCountTable people, threeD;
    CReportTable report;
    double best = 1e18;
    for (int i = 0; i < repeat; ++i) {
        QueryRun run;
        const auto start = Clock::now();
        const int result = run.RunHere([&](QueryRun& self) {
            return RunQuery(params, {site}, &self, nullptr, {&people, &threeD, &report});
        });
        const double ms = Ms(Clock::now() - start);
        if (result != kQueryDone) return -1;
        best = std::min(best, ms);
    }
    return best;
}

double TimeShell(const std::string& shellPath, const std::string& db, const std::string& sqlFile,
                 int repeat) {
    const std::string command =
        "'" + shellPath + "' -batch -readonly '" + db + "' < '" + sqlFile + "' > /dev/null";
    double best = 1e18;
    for (int i = 0; i < repeat; ++i) {
        const auto start = Clock::now();
        if (std::system(command.c_str()) != 0) return -1;
        best = std::min(best, Ms(Clock::now() - start));
    }
    return best;
}

}  // namespace

int Main(int argc, char** argv) {
    std::string cache = "/tmp/zl-report-bench";
    std::string shellPath = "sqlite3";
    int repeat = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--cache")
            cache = argv[i + 1];
        else if (a == "--sqlite3")
            shellPath = argv[i + 1];
        else if (a == "--repeat")
            repeat = std::max(1, std::atoi(argv[i + 1]));
    }
    const SYSTEMTIME date = MakeSysTime(2024, 3, 10);
    const char* kRanges[] = {"Day", "Week", "Month"};

    std::printf("%-8s %-6s %12s %12s %12s %10s %10s\n", "index", "range", "local ms", "server ms",
                "sqlite3 ms", "local/sh", "server/sh");
    for (bool index : {false, true}) {
        const std::string root = cache + (index ? "/index" : "/noindex");
        if (!EnsureData(root, index)) return 1;
        const std::string db = root + "/PeopleCounterData/PeopleCounter.db";

        if (!zl::bench::EnsureBenchUser(cache + "/users")) return 1;
        const auto server = zl::bench::StartBenchServer({root}, cache + "/users");
        if (!server) return 1;

        SiteRecord local;
        local.connectionType = kConnLocal;
        local.localDB = root;
        local.counterType = 1;
        SiteRecord remote;
        remote.connectionType = kConnServer;
        remote.ipAddress = "127.0.0.1";
        remote.port = std::to_string(server->Port());
        remote.userName = remote.password = "bench";
        if (!ReconnectSite(local, 1, 0).cameras || !ReconnectSite(remote, 1, 0).cameras) {
            std::fprintf(stderr, "cannot connect the bench sites\n");
            return 1;
        }

        for (int range = 0; range < 3; ++range) {
            QueryParams params;
            params.counterType = 1;
            params.range = range;
            params.startDate = date;
            params.hours = AllDay();

            // The texts the engine sends, for the shell.
            std::vector<int> cameras;
            for (int k = 1; k <= kCameraSlots; ++k)
                if (local.cameras[k - 1].used) cameras.push_back(k);
            const BucketPlan plan = Plan2D(CameraFilter(cameras), range, date, params.hours);
            const std::string sqlFile = cache + "/bench.sql";
            {
                std::ofstream out(sqlFile);
                for (const PlannedBucket& b : plan.buckets)
                    for (const std::string& s : BucketTexts(plan, b)) out << s << "\n";
            }
            const double localMs = TimeEngine(local, params, repeat);
            const double serverMs = TimeEngine(remote, params, repeat);
            const double shellMs = TimeShell(shellPath, db, sqlFile, repeat);
            std::printf("%-8s %-6s %12.1f %12.1f %12.1f %10.2f %10.2f\n", index ? "yes" : "no",
                        kRanges[range], localMs, serverMs, shellMs, localMs / shellMs,
                        serverMs / shellMs);
            std::fflush(stdout);
        }
        ReleaseSiteHandles(local);
        ReleaseSiteHandles(remote);
        server->Stop();
    }
    return 0;
}

}  // namespace zl

int main(int argc, char** argv) {
    return zl::Main(argc, argv);
}
