// Bucket pass timing on a year of one-minute data of 16 cameras (5.6 million rows per
// file): Day (hourly, 2D people counter), Day in 5-minute periods (flow counter), Week and
// Month (2D), without and with an index on the time column, from the file and through recnetd
// on 127.0.0.1. Each is set against the sqlite3 shell running one grouping scan of the same
// period with the same cameras, and against the per-bucket statements where an index makes
// them bearable. Then four sites at once against one, and the peak resident size of
// reporter-cli for the largest reports.
//
// usage: bench_bucketpass [--dir DIR] [--sqlite3 PATH] [--cli PATH] [--repeat N] [--keep]
//                         [--slow] [--sites-only]
// The databases are written into DIR (default: a new folder under /tmp) and removed at the
// end unless --keep is given. --slow adds the per-bucket statements without an index (minutes);
// --sites-only measures only four sites at once against one. Times are wall and processor
// milliseconds: on a machine shared with other work the processor time is the steadier one.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchKit.h"
#include "CountGen.h"
#include "RecNetServer.h"
#include "UserStore.h"
#include "base/CounterTypes.h"
#include "data/SqlText.h"
#include "query/QueryRun.h"
#include "query/QueryWorker.h"
#include "query/SiteConnect.h"
#include "recnet/RecNet.h"

extern char** environ;

namespace zl {

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

const SYSTEMTIME kDate = MakeSysTime(2024, 3, 10);

bool Generate(const std::string& root, int type, bool index) {
    zl::bench::BenchData d;
    d.types = {type};
    d.index = index;
    return zl::bench::WriteBenchData(root, d, true);
}

WorkingHourTable ShopHours() {
    return zl::bench::DailyHours(7, 30, 21, 15);
}

struct Report {
    const char* name;
    int type;
    int range;
    int period;
};

const Report kReports[] = {
    {"Day", 1, kReportDay, 60},
    {"Day/5min", 5, kReportDay, 5},
    {"Week", 1, kReportWeek, 60},
    {"Month", 1, kReportMonth, 60},
};

QueryParams ParamsOf(const Report& r) {
    QueryParams p;
    p.counterType = r.type;
    p.range = r.range;
    p.startDate = kDate;
    p.periodMinutes = r.period;
    p.hours = ShopHours();
    return p;
}

void CheckAll(SiteRecord& site) {
    site.checked = 1;
    for (CameraSlot& slot : site.cameras) slot.checked = slot.used;
}

// Best wall time and best processor time (user + system, all threads: the in-process server
// included) of `repeat` runs, in milliseconds; -1 when a run failed. The processor time stays
// meaningful when other programs share the machine.
struct Timing {
    double wall = -1;
    double cpu = -1;
};

double CpuMs(const struct rusage& u) {
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

double ProcessCpuMs() {
    struct rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return CpuMs(u);
}

void Keep(Timing* best, double wall, double cpu) {
    if (best->wall < 0 || wall < best->wall) best->wall = wall;
    if (best->cpu < 0 || cpu < best->cpu) best->cpu = cpu;
}

Timing TimeRun(const QueryParams& params, const std::vector<SiteRecord>& sites, int repeat) {
    CCountTable people, threeD;
    CReportTable report;
    Timing best;
    for (int i = 0; i < repeat; ++i) {
        QueryRun run;
        const double cpu0 = ProcessCpuMs();
        const auto start = Clock::now();
        const int result = run.RunHere([&](QueryRun& self) {
            return RunQuery(params, sites, &self, nullptr, {&people, &threeD, &report});
        });
        const double ms = Ms(Clock::now() - start);
        if (result != kQueryDone) return Timing();
        Keep(&best, ms, ProcessCpuMs() - cpu0);
    }
    return best;
}

// The session a remote run makes for itself and closes again: connect, log in, open.
Timing TimeSession(const SiteRecord& site, int repeat) {
    Timing best;
    for (int i = 0; i < repeat; ++i) {
        SiteRecord copy = site;
        const double cpu0 = ProcessCpuMs();
        const auto start = Clock::now();
        const int ok = ConnectOwnClient(&copy.client2D, copy);
        ReleaseOwnClient(&copy.client2D);
        if (!ok) return Timing();
        Keep(&best, Ms(Clock::now() - start), ProcessCpuMs() - cpu0);
    }
    return best;
}

// Runs a program; answers its exit status, wall time and processor time.
int Spawn(const std::vector<std::string>& args, const std::string& output, double* ms,
          double* cpuMs) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const auto start = Clock::now();
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    *ms = Ms(Clock::now() - start);
    if (cpuMs) *cpuMs = CpuMs(usage);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Peak resident size of a program in KiB, measured by /usr/bin/time (a child of a small
// process: a child of this one would count this process's pages until its exec).
long PeakResidentKb(const std::vector<std::string>& args, const std::string& dir, double* ms,
                    int* code) {
    const std::string report = dir + "/rss.txt";
    std::vector<std::string> timed = {"/usr/bin/time", "-f", "%M", "-o", report};
    timed.insert(timed.end(), args.begin(), args.end());
    *code = Spawn(timed, dir + "/cli.out", ms, nullptr);
    FILE* f = std::fopen(report.c_str(), "r");
    long kb = -1;
    if (f) {
        if (std::fscanf(f, "%ld", &kb) != 1) kb = -1;
        std::fclose(f);
    }
    return kb;
}

// One grouping scan of the report's period in the sqlite3 shell, with the same cameras.
std::string ScanSql(const Report& r, const std::string& filter) {
    const BucketPlan plan = r.type == 1 ? Plan2D(filter, r.range, kDate, ShopHours())
                                        : PlanGeneric("SUM(Line1_In)", filter, "CountingTime",
                                                      r.range, kDate, r.period, ShopHours());
    const std::string from = SqlTimeText(plan.buckets.front().from);
    const std::string to = SqlTimeText(plan.buckets.back().to);
    if (r.type == 1) {
        const char* group =
            r.range == kReportDay ? "substr(EnterTime,1,13)" : "substr(EnterTime,1,10)";
        return std::string("SELECT ") + group +
               ", SUM(Inward), SUM(Outward) FROM Records WHERE EnterTime BETWEEN '" + from +
               "' AND '" + to + "' AND (" + filter + ") GROUP BY 1;";
    }
    return "SELECT substr(CountingTime,1,14)||(substr(CountingTime,15,2)/5), SUM(Line1_In), "
           "SUM(Line1_Out), SUM(Line2_In), SUM(Line2_Out) FROM records WHERE CountingTime "
           "BETWEEN '" +
           from + "' AND '" + to + "' AND (" + filter + ") GROUP BY 1;";
}

Timing TimeShell(const std::string& shellPath, const std::string& db, const std::string& sql,
                 int repeat) {
    Timing best;
    for (int i = 0; i < repeat; ++i) {
        double ms = 0, cpu = 0;
        if (Spawn({shellPath, "-batch", "-readonly", db, sql}, "/dev/null", &ms, &cpu) != 0)
            return Timing();
        Keep(&best, ms, cpu);
    }
    return best;
}

struct Sites {
    SiteRecord local;
    std::vector<SiteRecord> locals;  // four sites on the same file, each its own object
    SiteRecord remote;
};

bool Connect(Sites* s, const std::string& root, int type, int port) {
    s->local = SiteRecord();
    s->local.connectionType = kConnLocal;
    s->local.localDB = root;
    s->local.counterType = type;
    s->remote = SiteRecord();
    s->remote.connectionType = kConnServer;
    s->remote.ipAddress = "127.0.0.1";
    s->remote.port = std::to_string(port);
    s->remote.userName = s->remote.password = "bench";
    s->remote.counterType = type;
    // Port 0: the files only.
    if (!ReconnectSite(s->local, type, 0).cameras ||
        (port != 0 && !ReconnectSite(s->remote, type, 0).cameras))
        return false;
    CheckAll(s->local);
    CheckAll(s->remote);
    const std::string file = DatabasePathOfType(root, type);
    s->locals.clear();
    for (int i = 0; i < 4; ++i) {
        SiteRecord copy = s->local;
        copy.localDb = nullptr;
        if (!RecNetCreateLocal(&copy.localDb) || !copy.localDb->Open(file.c_str())) return false;
        s->locals.push_back(copy);
    }
    return true;
}

void Release(Sites* s) {
    ReleaseSiteHandles(s->local);
    ReleaseSiteHandles(s->remote);
    for (SiteRecord& site : s->locals) DestroyRecNetLocal(&site.localDb);
}

double Ratio(double a, double b) {
    return a > 0 && b > 0 ? a / b : -1;
}

// "wall/cpu" of a timing.
std::string Cell(const Timing& t) {
    char b[32];
    if (t.wall < 0) return "-";
    std::snprintf(b, sizeof b, "%.0f/%.0f", t.wall, t.cpu);
    return b;
}

std::string Ratios(const Timing& a, const Timing& b) {
    char s[32];
    if (a.wall < 0 || b.wall < 0) return "-";
    std::snprintf(s, sizeof s, "%.2f/%.2f", Ratio(a.wall, b.wall), Ratio(a.cpu, b.cpu));
    return s;
}

}  // namespace

int Main(int argc, char** argv) {
    std::string dir;
    std::string shellPath = "sqlite3";
    std::string cli = (std::filesystem::path(argv[0]).parent_path() / "reporter-cli").string();
    int repeat = 3;
    bool keep = false, slow = false, sitesOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool value = i + 1 < argc;
        if (a == "--dir" && value)
            dir = argv[++i];
        else if (a == "--sqlite3" && value)
            shellPath = argv[++i];
        else if (a == "--cli" && value)
            cli = argv[++i];
        else if (a == "--repeat" && value)
            repeat = std::max(1, std::atoi(argv[++i]));
        else if (a == "--keep")
            keep = true;
        else if (a == "--slow")
            slow = true;
        else if (a == "--sites-only")
            sitesOnly = true;
    }
    if (dir.empty()) {
        std::string pattern = "/tmp/zl-bucketpass-XXXXXX";
        if (!mkdtemp(pattern.data())) return 1;
        dir = pattern;
    }
    std::filesystem::create_directories(dir);
    std::printf("data in %s\n", dir.c_str());
    const std::string users = dir + "/users";
    if (!zl::bench::EnsureBenchUser(users)) return 1;

    std::vector<std::string> summary;
    long worstRss = 0;
    for (bool index : {false, true}) {
        const std::string root = dir + (index ? "/index" : "/noindex");
        for (int type : {1, 5}) {
            if (!std::filesystem::exists(DatabasePathOfType(root, type))) {
                std::printf("writing type %d%s ...\n", type, index ? " with index" : "");
                std::fflush(stdout);
                if (!Generate(root, type, index)) return 1;
            }
        }
        {
            // Four sites at once against one, on the files, before any server runs here.
            Sites sites;
            if (!Connect(&sites, root, 1, 0)) return 1;
            const QueryParams month = ParamsOf(kReports[3]);
            QueryParams serial = month;
            serial.siteThreads = 1;
            const Timing one = TimeRun(month, {sites.local}, repeat);
            const Timing four = TimeRun(month, sites.locals, repeat);
            const Timing fourSerial = TimeRun(serial, sites.locals, repeat);
            char line[320];
            std::snprintf(line, sizeof line,
                          "%-8s Month, files: one site %s ms, 4 sites at once %s ms (%s of one "
                          "site), one after another %s ms (%s)",
                          index ? "index" : "no index", Cell(one).c_str(), Cell(four).c_str(),
                          Ratios(four, one).c_str(), Cell(fourSerial).c_str(),
                          Ratios(fourSerial, one).c_str());
            summary.push_back(line);
            Release(&sites);
            if (sitesOnly) continue;
        }
        const auto server = zl::bench::StartBenchServer({root}, users);
        if (!server) return 1;
        std::printf("\n%s index on the time column: wall/processor milliseconds, best of %d\n",
                    index ? "WITH an" : "WITHOUT an", repeat);
        std::printf("%-9s %11s %11s %11s %11s %11s %11s | %9s %9s %9s %9s %9s\n", "report", "1pass",
                    "1pass-srv", "perbucket", "pb-srv", "session", "sh-scan", "1p/scan", "srv/scan",
                    "srv/loc", "srv-s/loc", "1p/pb");
        for (const Report& r : kReports) {
            Sites sites;
            if (!Connect(&sites, root, r.type, server->Port())) {
                std::fprintf(stderr, "cannot connect the sites of type %d\n", r.type);
                return 1;
            }
            QueryParams one = ParamsOf(r);
            QueryParams perBucket = one;
            perBucket.bucketPass = false;
            const Timing local = TimeRun(one, {sites.local}, repeat);
            const Timing remote = TimeRun(one, {sites.remote}, repeat);
            const Timing session = TimeSession(sites.remote, repeat);
            Timing pbLocal, pbRemote;
            if (index || slow) pbLocal = TimeRun(perBucket, {sites.local}, index ? repeat : 1);
            if (index) pbRemote = TimeRun(perBucket, {sites.remote}, repeat);
            std::vector<int> cameras;
            for (int k = 1; k <= kCameraSlots; ++k)
                if (sites.local.cameras[k - 1].used) cameras.push_back(k);
            const Timing shell = TimeShell(shellPath, DatabasePathOfType(root, r.type),
                                           ScanSql(r, CameraFilter(cameras)), repeat);
            // The remote run without the session it makes for itself.
            Timing request;
            request.wall = remote.wall - session.wall;
            request.cpu = remote.cpu - session.cpu;
            std::printf("%-9s %11s %11s %11s %11s %11s %11s | %9s %9s %9s %9s %9s\n", r.name,
                        Cell(local).c_str(), Cell(remote).c_str(), Cell(pbLocal).c_str(),
                        Cell(pbRemote).c_str(), Cell(session).c_str(), Cell(shell).c_str(),
                        Ratios(local, shell).c_str(), Ratios(remote, shell).c_str(),
                        Ratios(remote, local).c_str(), Ratios(request, local).c_str(),
                        Ratios(local, pbLocal).c_str());
            std::fflush(stdout);

            if (r.range == kReportMonth) {
                // Four server sites at once against one.
                const Timing fourRemote =
                    TimeRun(one, {sites.remote, sites.remote, sites.remote, sites.remote}, repeat);
                char line[320];
                std::snprintf(line, sizeof line,
                              "%-8s Month, recnetd: 4 sites at once %s ms (%s of one site)",
                              index ? "index" : "no index", Cell(fourRemote).c_str(),
                              Ratios(fourRemote, remote).c_str());
                summary.push_back(line);
            }
            Release(&sites);
        }
        server->Stop();

        // Peak resident size of reporter-cli (its camera discovery included).
        for (const Report& r : kReports) {
            if (r.range == kReportWeek) continue;
            double ms = 0;
            int code = 0;
            const std::string range = r.range == kReportDay ? "day" : "month";
            const long rss =
                PeakResidentKb({cli, "report", "--type", std::to_string(r.type), "--range", range,
                                "--date", "2024-03-10", "--period", std::to_string(r.period),
                                "--local", root, "--format", "csv", "--quiet"},
                               dir, &ms, &code);
            char line[256];
            std::snprintf(line, sizeof line,
                          "%-8s reporter-cli %-9s exit %d, %.0f ms, peak resident %.1f MB",
                          index ? "index" : "no index", r.name, code, ms, rss / 1024.0);
            summary.push_back(line);
            worstRss = std::max(worstRss, rss);
        }
    }
    std::printf("\n");
    for (const std::string& line : summary) std::printf("%s\n", line.c_str());
    std::printf("largest peak resident size of reporter-cli: %.1f MB (goal <= 100 MB)\n",
                worstRss / 1024.0);
    if (!keep) {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
        std::printf("removed %s\n", dir.c_str());
    }
    return 0;
}

}  // namespace zl

int main(int argc, char** argv) {
    return zl::Main(argc, argv);
}
