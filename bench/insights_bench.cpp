// What the report insights cost: a report with its compared period against the plain report
// (goal: at most 2.2x; the period before and the same period a year before, each read in one
// pass with the current one), and with the coverage statements against the plain report (goal: at
// most 20 % more), for Day (15-minute periods of a traffic counter), Week and Month reports,
// without and with a time index, from the file and through recnetd on 127.0.0.1.
//
// usage: bench_insights [--cache DIR] [--repeat N] [--index yes|no] [--site file|server]
// Reports of a few milliseconds on a busy machine: bench/insights_instructions.py counts
// instructions instead.
// The databases (a year, 8 cameras, 5-minute records) are written into DIR once (default
// /tmp/zl-insights-bench) and reused.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

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
constexpr double kCompareGoal = 2.2;

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

// One report of the bench: its wall and CPU time (the whole process: both periods' threads and
// the in-process server), in milliseconds.
struct Cost {
    double wall = 1e18;
    double cpu = 1e18;
};

double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

struct Variant {
    CompareMode mode = kCompareNone;
    bool coverage = false;
};

// One run of the report; false when it failed.
bool RunOnce(const SiteRecord& site, const QueryParams& params, const Variant& v, Cost* best) {
    CCountTable people, threeD;
    CReportTable report;
    ReportInsights insights;
    insights.mode = v.mode;
    insights.hasCoverage = v.coverage;
    QueryRun run;
    const double cpu = CpuMs();
    const auto start = Clock::now();
    const int result = run.RunHere([&](QueryRun& self) {
        return RunReportWithInsights(params, {site}, {"bench"}, &self, nullptr, &insights,
                                     {&people, &threeD, &report});
    });
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (result != kQueryDone) return false;
    best->wall = std::min(best->wall, ms);
    best->cpu = std::min(best->cpu, CpuMs() - cpu);
    return true;
}

// Best of the runs of every variant, taken in turns (a change of the machine's load falls on
// all variants alike). At least `repeat` rounds, more for short reports: rounds go on until
// they took about a second, at most 60.
bool TimeVariants(const SiteRecord& site, const QueryParams& params,
                  const std::vector<Variant>& variants, int repeat, std::vector<Cost>* out) {
    out->assign(variants.size(), Cost());
    const auto begin = Clock::now();
    for (int round = 0; round < 60; ++round) {
        for (size_t i = 0; i < variants.size(); ++i)
            if (!RunOnce(site, params, variants[i], &(*out)[i])) return false;
        const double spent =
            std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
        if (round + 1 >= repeat && spent > 1000.0) break;
    }
    return true;
}

const char* Verdict(double ratio, double goal) {
    return ratio <= goal ? "meets" : "MISSES";
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
    std::printf("%-5s %-6s %-6s %8s | %-36s | %-36s | %s\n", "index", "site", "range", "plain ms",
                "previous ms, wall ratio, CPU ratio", "last-year ms, wall ratio, CPU ratio",
                "coverage wall CPU");
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
                std::vector<Cost> c;
                if (!TimeVariants(*site, params,
                                  {{kCompareNone, false},
                                   {kComparePrevious, false},
                                   {kCompareLastYear, false},
                                   {kCompareNone, true}},
                                  repeat, &c)) {
                    std::fprintf(stderr, "a report failed\n");
                    return 1;
                }
                const auto ratios = [&](const Cost& x) {
                    char text[64];
                    const double wall = x.wall / c[0].wall, cpu = x.cpu / c[0].cpu;
                    std::snprintf(text, sizeof text, "%5.2fx %-6s %5.2fx %-6s", wall,
                                  Verdict(wall, kCompareGoal), cpu, Verdict(cpu, kCompareGoal));
                    return std::string(text);
                };
                std::printf("%-5s %-6s %-6s %8.1f | %8.1f %s | %8.1f %s | %+5.0f%% %+5.0f%%\n",
                            index ? "yes" : "no", site == &local ? "file" : "server",
                            range == 0   ? "day15"
                            : range == 1 ? "week"
                                         : "month",
                            c[0].wall, c[1].wall, ratios(c[1]).c_str(), c[2].wall,
                            ratios(c[2]).c_str(), (c[3].wall / c[0].wall - 1.0) * 100.0,
                            (c[3].cpu / c[0].cpu - 1.0) * 100.0);
                std::fflush(stdout);
            }
        }
        ReleaseSiteHandles(local);
        ReleaseSiteHandles(remote);
        server->Stop();
    }
    std::printf(
        "goals: compare <= %.2fx the plain report (best of the runs, wall and CPU; CPU counts "
        "both periods' threads and the in-process server), coverage <= +20 %%\n",
        kCompareGoal);
    return 0;
}

}  // namespace zl

int main(int argc, char** argv) {
    return zl::Main(argc, argv);
}
