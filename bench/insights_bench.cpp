// What the report insights cost: a report with its compared period against the plain report
// (goal: at most 2.2x; the period before, read in one pass with the current one, and the
// same period a year before, read in a pass of its own), and with the coverage statements against
// the plain report (goal: at most 20 % more), for Day (15-minute periods of a traffic counter),
// Week and Month reports, without and with a time index, from the file and through recnetd on
// 127.0.0.1.
//
// usage: bench_insights [--cache DIR] [--repeat N] [--index yes|no] [--site file|server]
// The databases (a year, 8 cameras, 5-minute records) are written into DIR once (default
// /tmp/zl-insights-bench) and reused.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "BenchKit.h"
#include "CountGen.h"
#include "RecNetServer.h"
#include "UserStore.h"
#include "query/InsightRun.h"
#include "query/QueryRun.h"
#include "query/SiteConnect.h"

namespace zl {

namespace {

using Clock = std::chrono::steady_clock;

bool EnsureData(const std::string& root, bool index) {
    if (std::filesystem::exists(root + "/TrafficCounterData/TrafficCounter.db")) return true;
    std::printf("writing %s ...\n", root.c_str());
    std::fflush(stdout);
    zl::bench::BenchData d;
    d.types = {6};
    d.days = 400;
    d.endDay = 20;
    d.cameras = 8;
    d.intervalMinutes = 5;
    d.index = index;
    return zl::bench::WriteBenchData(root, d);
}

// Best of `repeat` runs, in milliseconds; negative when a run failed.
double Time(const SiteRecord& site, const QueryParams& params, CompareMode mode, bool coverage,
            int repeat) {
    CCountTable people, threeD;
    CReportTable report;
    double best = 1e18;
    for (int i = 0; i < repeat; ++i) {
        ReportInsights insights;
        insights.mode = mode;
        insights.hasCoverage = coverage;
        QueryRun run;
        const auto start = Clock::now();
        const int result = run.RunHere([&](QueryRun& self) {
            return RunReportWithInsights(params, {site}, {"bench"}, &self, nullptr, &insights,
                                         {&people, &threeD, &report});
        });
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (result != kQueryDone) return -1;
        best = std::min(best, ms);
    }
    return best;
}

}  // namespace

int Main(int argc, char** argv) {
    std::string cache = "/tmp/zl-insights-bench";
    int repeat = 5;
    std::string onlyIndex, onlySite;  // empty: both
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--cache") cache = argv[i + 1];
        if (name == "--repeat") repeat = std::max(1, std::atoi(argv[i + 1]));
        if (name == "--index") onlyIndex = argv[i + 1];
        if (name == "--site") onlySite = argv[i + 1];
    }
    std::printf("%-6s %-6s %-7s %10s %10s %7s %10s %7s %10s %7s\n", "index", "site", "range",
                "plain ms", "previous", "ratio", "last-year", "ratio", "coverage", "extra");
    for (bool index : {false, true}) {
        if (!onlyIndex.empty() && onlyIndex != (index ? "yes" : "no")) continue;
        const std::string root = cache + (index ? "/indexed" : "/plain");
        if (!EnsureData(root, index)) return 1;
        if (!zl::bench::EnsureBenchUser(cache + "/users")) return 1;
        const auto server = zl::bench::StartBenchServer({root}, cache + "/users", "bench");
        if (!server) return 1;
        SiteRecord local;
        local.connectionType = kConnLocal;
        local.localDB = root;
        local.counterType = 6;
        SiteRecord remote;
        remote.connectionType = kConnServer;
        remote.ipAddress = "127.0.0.1";
        remote.port = std::to_string(server->Port());
        remote.userName = remote.password = "bench";
        remote.counterType = 6;
        if (!ReconnectSite(local, 6, 0).cameras || !ReconnectSite(remote, 6, 0).cameras) {
            std::fprintf(stderr, "cannot connect the bench sites\n");
            return 1;
        }
        for (SiteRecord* site : {&local, &remote}) {
            site->checked = 1;
            for (CameraSlot& slot : site->cameras) slot.checked = slot.used;
        }
        for (int range = 0; range < 3; ++range) {
            QueryParams params;
            params.counterType = 6;
            params.range = range;
            params.startDate = MakeSysTime(2024, 3, 12);
            params.periodMinutes = 15;
            for (int k = 0; k < 7; ++k) {
                params.hours.start[k] = MakeSysTime(2000, 1, 1, 0, 0);
                params.hours.end[k] = MakeSysTime(2000, 1, 1, 23, 59);
            }
            for (const SiteRecord* site : {&local, &remote}) {
                if (!onlySite.empty() && onlySite != (site == &local ? "file" : "server")) continue;
                const double plain = Time(*site, params, kCompareNone, false, repeat);
                const double previous = Time(*site, params, kComparePrevious, false, repeat);
                const double compare = Time(*site, params, kCompareLastYear, false, repeat);
                const double coverage = Time(*site, params, kCompareNone, true, repeat);
                std::printf("%-6s %-6s %-7s %10.1f %10.1f %6.2fx %10.1f %6.2fx %10.1f %6.0f%%\n",
                            index ? "yes" : "no", site == &local ? "file" : "server",
                            range == 0   ? "day15"
                            : range == 1 ? "week"
                                         : "month",
                            plain, previous, previous / plain, compare, compare / plain, coverage,
                            (coverage / plain - 1.0) * 100.0);
                std::fflush(stdout);
            }
        }
        ReleaseSiteHandles(local);
        ReleaseSiteHandles(remote);
        server->Stop();
    }
    std::printf("goals: compare <= 2.20x the plain report, coverage <= +20 %%\n");
    return 0;
}

}  // namespace zl

int main(int argc, char** argv) {
    return zl::Main(argc, argv);
}
