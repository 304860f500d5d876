// Whole reporter-cli runs as a user starts them (process start to exit: connect, discover,
// query, output) against the sqlite3 shell running one grouping scan of the same period, on
// one-minute data of 16 cameras (2D people counters, and flow counters for the Day by 5
// minutes) over 1, 2 and 3 years, without and with an index on the
// time column. Printed: best wall and processor milliseconds, their ratios, the first run
// after the discovery cache was emptied, the JSON output (which adds the data coverage), a cold
// page cache (when this runs as root), four sites against one (beside four sqlite3 shells at
// once against one: the machine's ceiling), recnetd on 127.0.0.1 against the
// file and the log-in's share, the start and peak resident size of reporter-cli without a picture,
// and 100 local sites with 10 recnetd servers of 10 roots each and one site that is down (time,
// peak memory, threads).
//
// usage: bench_cli [--dir DIR] [--cli PATH] [--sqlite3 PATH] [--years 1,2,3] [--repeat N]
//                  [--keep] [--no-many] [--days N]
// --days N makes every "year" N days long: a quick run that shows the bench works.
// The databases go into DIR (default: a new folder under /tmp), removed at the end unless
// --keep. The machine may be shared: the processor times are the steadier figures.
#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BenchKit.h"
#include "CountGen.h"
#include "RecNetServer.h"
#include "UserStore.h"
#include "base/CounterTypes.h"

extern char** environ;

namespace zl {

namespace {

using Clock = std::chrono::steady_clock;

struct Run {
    int code = -1;
    double wall = -1, cpu = -1;
    long peakKb = -1;     // VmHWM
    int peakThreads = 0;  // most threads seen
    long readKb = -1;     // read from the disk (cold runs)
};

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The Threads and VmHWM lines of /proc/PID/status.
void Sample(pid_t pid, Run* r) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    long value = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (std::sscanf(line.c_str(), "Threads: %ld", &value) == 1 && value > r->peakThreads)
            r->peakThreads = static_cast<int>(value);
        if (std::sscanf(line.c_str(), "VmHWM: %ld", &value) == 1 && value > r->peakKb)
            r->peakKb = value;
    }
}

// A program's argument vector, its output to /dev/null, started as often as asked.
class Launcher {
  public:
    explicit Launcher(const std::vector<std::string>& args) {
        for (const std::string& a : args) argv_.push_back(const_cast<char*>(a.c_str()));
        argv_.push_back(nullptr);
        posix_spawn_file_actions_init(&actions_);
        posix_spawn_file_actions_addopen(&actions_, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions_, 2, "/dev/null", O_WRONLY, 0);
    }
    ~Launcher() { posix_spawn_file_actions_destroy(&actions_); }
    Launcher(const Launcher&) = delete;
    Launcher& operator=(const Launcher&) = delete;
    bool Start(pid_t* pid) {
        return posix_spawnp(pid, argv_[0], &actions_, nullptr, argv_.data(), environ) == 0;
    }

  private:
    std::vector<char*> argv_;
    posix_spawn_file_actions_t actions_;
};

double CpuMs(const struct rusage& usage) {
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

// Runs a program to its end; output to /dev/null. With `watch` its status is sampled while it
// runs (which costs the bench a little processor time, not the program).
Run Spawn(const std::vector<std::string>& args, bool watch) {
    Launcher launcher(args);
    Run r;
    pid_t pid = 0;
    const auto start = Clock::now();
    if (!launcher.Start(&pid)) return r;
    int status = 0;
    struct rusage usage {};
    for (;;) {
        const pid_t done = wait4(pid, &status, watch ? WNOHANG : 0, &usage);
        if (done == pid) break;
        if (done < 0) return r;
        Sample(pid, &r);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    r.wall = Ms(Clock::now() - start);
    r.cpu = CpuMs(usage);
    r.readKb = usage.ru_inblock / 2;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

// `count` copies of a program at once, to the end of the last; the processor time is theirs
// together. What the machine itself gives several processes that run at once.
Run SpawnTogether(const std::vector<std::string>& args, int count) {
    Launcher launcher(args);
    Run r;
    std::vector<pid_t> pids;
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        pid_t pid = 0;
        if (launcher.Start(&pid)) pids.push_back(pid);
    }
    bool allDone = static_cast<int>(pids.size()) == count;
    double cpu = 0;
    for (pid_t pid : pids) {
        int status = 0;
        struct rusage usage {};
        if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            allDone = false;
        cpu += CpuMs(usage);
    }
    r.wall = Ms(Clock::now() - start);
    r.cpu = cpu;
    r.code = allDone ? 0 : 1;
    return r;
}

// Peak resident size in KiB by /usr/bin/time (a child of this process would count this
// process's pages until its exec).
long PeakKb(const std::vector<std::string>& args, const std::string& dir) {
    const std::string report = dir + "/rss.txt";
    std::vector<std::string> timed = {"/usr/bin/time", "-f", "%M", "-o", report};
    timed.insert(timed.end(), args.begin(), args.end());
    Spawn(timed, false);
    long kb = -1;
    if (FILE* f = std::fopen(report.c_str(), "r")) {
        if (std::fscanf(f, "%ld", &kb) != 1) kb = -1;
        std::fclose(f);
    }
    return kb;
}

// The best of `repeat` runs (of `together` copies at once); a short run (under 200 ms) is
// repeated at least 10 times, since on a shared machine a few milliseconds of it are chance.
Run Best(const std::vector<std::string>& args, int repeat, int together = 1) {
    Run best;
    for (int i = 0; i < repeat || (best.wall >= 0 && best.wall < 200 && i < 10); ++i) {
        const Run r = together > 1 ? SpawnTogether(args, together) : Spawn(args, false);
        if (r.code != 0) return r;
        if (best.wall < 0 || r.wall < best.wall) best.wall = r.wall;
        if (best.cpu < 0 || r.cpu < best.cpu) best.cpu = r.cpu;
        best.code = 0;
    }
    return best;
}

bool Generate(const std::string& root, int days, bool index) {
    zl::bench::BenchData d;
    d.types = {1, 5};
    d.days = days;
    d.index = index;
    return zl::bench::WriteBenchData(root, d);
}

// How much of a file lies in the page cache, in KiB: after the cache was dropped, what a run
// read of it (the disk reads of a whole process also count its program and libraries).
long ResidentKb(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    const auto size = static_cast<size_t>(std::filesystem::file_size(path));
    void* map = size ? ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0) : MAP_FAILED;
    ::close(fd);
    if (map == MAP_FAILED) return -1;
    const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> in((size + page - 1) / page);
    long kb = -1;
    if (::mincore(map, size, in.data()) == 0) {
        size_t pages = 0;
        for (unsigned char c : in) pages += c & 1;
        kb = static_cast<long>(pages * page / 1024);
    }
    ::munmap(map, size);
    return kb;
}

bool DropCaches() {
    ::sync();
    std::ofstream drop("/proc/sys/vm/drop_caches");
    if (!drop) return false;
    drop << "3\n";
    return static_cast<bool>(drop.flush());
}

struct Report {
    const char* name;
    const char* range;
    const char* type;    // counter type
    const char* period;  // --period, or null
    const char* group;   // the shell's grouping of the time column
    const char* time;    // the time column
    const char* sums;    // the shell's sums
    const char* from;
    const char* to;
};

// 2024-03-10 is a Sunday: its week starts on Monday 2024-03-04. The month of a report on that
// date is the one that ends with it, from 2024-02-11 (as the report's rows show). The 5-minute
// Day is a flow counter's (a people counter's Day is by the hour).
const Report kReports[] = {
    {"Day", "day", "1", nullptr, "substr(EnterTime,1,13)", "EnterTime", "SUM(Inward), SUM(Outward)",
     "2024-03-10 00:00:00", "2024-03-10 23:59:59"},
    {"Day5", "day", "5", "5",
     "substr(CountingTime,1,14) || (CAST(substr(CountingTime,15,2) AS INTEGER) / 5)",
     "CountingTime", "SUM(Line1_In), SUM(Line1_Out)", "2024-03-10 00:00:00", "2024-03-10 23:59:59"},
    {"Week", "week", "1", nullptr, "substr(EnterTime,1,10)", "EnterTime",
     "SUM(Inward), SUM(Outward)", "2024-03-04 00:00:00", "2024-03-10 23:59:59"},
    {"Month", "month", "1", nullptr, "substr(EnterTime,1,10)", "EnterTime",
     "SUM(Inward), SUM(Outward)", "2024-02-11 00:00:00", "2024-03-10 23:59:59"},
};

std::string ShellSql(const Report& r) {
    return std::string("SELECT ") + r.group + ", " + r.sums + " FROM records WHERE " + r.time +
           " BETWEEN '" + r.from + "' AND '" + r.to + "' GROUP BY 1;";
}

// The report as CSV: the table alone. JSON and the table add the data coverage (a statement of
// its own) and are timed in a column of their own.
std::vector<std::string> CliArgs(const std::string& cli, const Report& r,
                                 const std::vector<std::string>& sites,
                                 const char* format = "csv") {
    std::vector<std::string> a = {cli,      "report",     "--type",   r.type, "--range", r.range,
                                  "--date", "2024-03-10", "--format", format, "--quiet"};
    if (r.period) a.insert(a.end(), {"--period", r.period});
    a.insert(a.end(), sites.begin(), sites.end());
    return a;
}

std::string Cell(const Run& r) {
    char b[48];
    if (r.code != 0) {
        std::snprintf(b, sizeof b, "failed(%d)", r.code);
        return b;
    }
    std::snprintf(b, sizeof b, "%.0f/%.0f", r.wall, r.cpu);
    return b;
}

std::string Ratio(const Run& a, const Run& b) {
    char s[48];
    if (a.code != 0 || b.code != 0 || b.wall <= 0 || b.cpu <= 0) return "-";
    std::snprintf(s, sizeof s, "%.2f/%.2f", a.wall / b.wall, a.cpu / std::max(b.cpu, 1.0));
    return s;
}

// "meets" or "MISSES" a goal; "-" when a run failed.
const char* Goal(bool ran, bool met) {
    return !ran ? "-" : met ? "meets" : "MISSES";
}

std::vector<int> ParseYears(const char* text) {
    std::vector<int> out;
    for (const char* p = text; *p;) {
        char* end = nullptr;
        const long v = std::strtol(p, &end, 10);
        if (end == p) break;
        if (v >= 1 && v <= 5) out.push_back(static_cast<int>(v));
        p = *end == ',' ? end + 1 : end;
    }
    return out;
}

struct Server {
    std::unique_ptr<zl::recnetd::RecNetServer> server;
    std::string Arg() const { return "127.0.0.1:" + std::to_string(server->Port()); }
};

bool StartServer(Server* s, const std::vector<std::string>& roots, const std::string& users) {
    s->server = zl::bench::StartBenchServer(roots, users);
    return s->server != nullptr;
}

}  // namespace

int Main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::string dir, shellProgram = "sqlite3";
    std::string cli = std::filesystem::path(argv[0]).parent_path() / "reporter-cli";
    std::vector<int> years = {1, 2, 3};
    int repeat = 3;
    int daysPerYear = 365;
    bool keep = false, many = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--dir" && more)
            dir = argv[++i];
        else if (a == "--cli" && more)
            cli = argv[++i];
        else if (a == "--sqlite3" && more)
            shellProgram = argv[++i];
        else if (a == "--years" && more)
            years = ParseYears(argv[++i]);
        else if (a == "--repeat" && more)
            repeat = std::max(1, std::atoi(argv[++i]));
        else if (a == "--keep")
            keep = true;
        else if (a == "--no-many")
            many = false;
        else if (a == "--days" && more)
            daysPerYear = std::max(1, std::atoi(argv[++i]));
        else {
            std::fprintf(stderr,
                         "usage: bench_cli [--dir DIR] [--cli PATH] [--sqlite3 PATH] "
                         "[--years 1,2,3] [--repeat N] [--keep] [--no-many] [--days N]\n");
            return 2;
        }
    }
    if (dir.empty()) {
        char pattern[] = "/tmp/bench_cli_XXXXXX";
        if (!mkdtemp(pattern)) return 1;
        dir = pattern;
    }
    std::filesystem::create_directories(dir);
    // The discovery cache of these runs is the bench's own.
    const std::string cacheHome = dir + "/cache";
    setenv("XDG_CACHE_HOME", cacheHome.c_str(), 1);
    const std::string users = dir + "/users.ini";
    const std::string password = dir + "/password";
    std::ofstream(password) << "bench\n";
    std::string error;
    if (!zl::recnetd::UserStore::AddUser(users, "bench", "bench", &error)) {
        std::fprintf(stderr, "users: %s\n", error.c_str());
        return 1;
    }
    const bool root = DropCaches();
    std::printf("reporter-cli whole runs against one sqlite3 GROUP BY; wall/cpu ms, best of %d%s\n",
                repeat, root ? "; cold = page cache dropped" : "; no cold runs (not root)");

    // Start and size without a picture.
    const Run help = Best({cli, "--help"}, repeat);
    std::printf("start: --help %s ms, peak %ld KiB\n", Cell(help).c_str(),
                PeakKb({cli, "--help"}, dir));

    std::string firstRoot;
    std::vector<double> dayByYears;
    for (int y : years) {
        for (bool index : {false, true}) {
            const std::string dataRoot =
                dir + "/y" + std::to_string(y) + (index ? "-index" : "-plain");
            const auto made = Clock::now();
            if (!std::filesystem::exists(dataRoot) && !Generate(dataRoot, daysPerYear * y, index))
                return 1;
            const std::string db = DatabasePathOfType(dataRoot, 1);
            const std::string flowDb = DatabasePathOfType(dataRoot, 5);
            const long fileKb = static_cast<long>(std::filesystem::file_size(db) / 1024);
            std::printf("\n%d year%s, %s time index (%ld MiB, made in %.0f s)\n", y,
                        y > 1 ? "s" : "", index ? "with" : "without", fileKb / 1024,
                        Ms(Clock::now() - made) / 1000);
            if (index && firstRoot.empty()) firstRoot = dataRoot;
            std::printf("  %-6s %12s %12s %12s %14s %12s %12s  %s\n", "report", "cli", "sqlite3",
                        "ratio", "first(no cache)", "cli peak KiB", "json",
                        index ? "goal: cpu <= 2 x sqlite3 + 30 ms" : "goal: cpu <= 1.3 x sqlite3");
            for (const Report& r : kReports) {
                const std::vector<std::string> args = CliArgs(cli, r, {"--local", dataRoot});
                std::filesystem::remove_all(cacheHome);
                const Run first = Spawn(args, false);
                const Run warm = Best(args, repeat);
                const std::string& file = std::string(r.type) == "5" ? flowDb : db;
                const Run shell =
                    Best({shellProgram, "-batch", "-readonly", file, ShellSql(r)}, repeat);
                const Run json = Best(CliArgs(cli, r, {"--local", dataRoot}, "json"), repeat);
                const bool ran = warm.code == 0 && shell.code == 0;
                const bool met =
                    index ? warm.cpu <= 2 * shell.cpu + 30 : warm.cpu <= 1.3 * shell.cpu;
                std::printf("  %-6s %12s %12s %12s %14s %12ld %12s  %s\n", r.name,
                            Cell(warm).c_str(), Cell(shell).c_str(), Ratio(warm, shell).c_str(),
                            Cell(first).c_str(), PeakKb(args, dir), Cell(json).c_str(),
                            Goal(ran, met));
                if (std::string(r.name) == "Day" && index) dayByYears.push_back(warm.cpu);
                if (root) {
                    DropCaches();
                    const Run cold = Spawn(args, false);
                    const long coldFileKb = ResidentKb(file);
                    DropCaches();
                    const Run coldShell =
                        Spawn({shellProgram, "-batch", "-readonly", file, ShellSql(r)}, false);
                    const long shellFileKb = ResidentKb(file);
                    const double share =
                        100.0 * coldFileKb /
                        std::max(static_cast<long>(std::filesystem::file_size(file) / 1024), 1L);
                    const bool day = std::string(r.name) == "Day" && index;
                    std::printf(
                        "  %-6s cold: cli %s (read %ld KiB of the file = %.1f %%%s; %ld KiB in "
                        "all), sqlite3 %s (read %ld KiB of the file; %ld KiB in all), ratio %s\n",
                        r.name, Cell(cold).c_str(), coldFileKb, share,
                        day ? (share < 5 ? ", goal < 5 %: meets" : ", goal < 5 %: MISSES") : "",
                        cold.readKb, Cell(coldShell).c_str(), shellFileKb, coldShell.readKb,
                        Ratio(cold, coldShell).c_str());
                }
            }
            // Four sites on the same file against one.
            const Report& month = kReports[3];
            const Run one = Best(CliArgs(cli, month, {"--local", dataRoot}), repeat);
            const Run four = Best(CliArgs(cli, month,
                                          {"--local", dataRoot, "--local", dataRoot, "--local",
                                           dataRoot, "--local", dataRoot}),
                                  repeat);
            std::printf("  Month, 4 sites %s against 1 site %s: ratio %s (goal wall <= 2.3: %s)\n",
                        Cell(four).c_str(), Cell(one).c_str(), Ratio(four, one).c_str(),
                        Goal(four.code == 0 && one.code == 0, four.wall <= 2.3 * one.wall));
            // The machine's own ceiling for that ratio: four sqlite3 shells running the Month's
            // grouping at once against one (on a shared machine four at once cost more
            // processor time than four times one, for the shell as for the sites).
            const std::vector<std::string> monthShell = {shellProgram, "-batch", "-readonly", db,
                                                         ShellSql(month)};
            const Run shellOne = Best(monthShell, repeat);
            const Run shellFour = Best(monthShell, repeat, 4);
            std::printf("  machine ceiling: 4 sqlite3 at once %s against 1 %s: ratio %s\n",
                        Cell(shellFour).c_str(), Cell(shellOne).c_str(),
                        Ratio(shellFour, shellOne).c_str());
            // Through recnetd on 127.0.0.1. The log-in's share: a run of a day without records,
            // cameras given (connect, log in, open, one empty statement), through the server
            // against the same run on the file; the server's first log-in checks the password
            // hash in full, later ones of the same password are recognised.
            Server server;
            if (StartServer(&server, {dataRoot}, users)) {
                const std::vector<std::string> remote = {"--server", server.Arg(),      "--user",
                                                         "bench",    "--password-file", password};
                const auto emptyDay = [&](const std::vector<std::string>& site) {
                    std::vector<std::string> a = {cli,        "report",     "--type",    "1",
                                                  "--date",   "2000-01-01", "--cameras", "1",
                                                  "--format", "csv",        "--quiet"};
                    a.insert(a.end(), site.begin(), site.end());
                    return a;
                };
                const Run firstLogin = Spawn(emptyDay(remote), false);
                for (const Report& r : kReports) {
                    const Run viaServer = Best(CliArgs(cli, r, remote), repeat);
                    const Run local = Best(CliArgs(cli, r, {"--local", dataRoot}), repeat);
                    const bool longRun = local.wall >= 500;
                    std::printf("  %-6s recnetd %s against file %s: ratio %s%s\n", r.name,
                                Cell(viaServer).c_str(), Cell(local).c_str(),
                                Ratio(viaServer, local).c_str(),
                                !longRun                             ? ""
                                : viaServer.wall <= 1.5 * local.wall ? " (goal <= 1.5: meets)"
                                                                     : " (goal <= 1.5: MISSES)");
                }
                // Without an index a day without records is a scan of the table: the share is
                // told on indexed files only.
                const Run loginOnly = Best(emptyDay(remote), repeat);
                const Run localEmpty = Best(emptyDay({"--local", dataRoot}), repeat);
                std::printf(
                    "  recnetd, a day without records: first log-in %s, later %s, on the file "
                    "%s",
                    Cell(firstLogin).c_str(), Cell(loginOnly).c_str(), Cell(localEmpty).c_str());
                if (index)
                    std::printf("; the server's share (connect, log in, open) %.0f ms wall",
                                loginOnly.wall - localEmpty.wall);
                std::printf("\n");
                server.server->Stop();
            }
        }
    }
    if (!firstRoot.empty()) {
        // The start of a report as a user runs it, without a picture: a local file, cameras
        // given, a day without records.
        const std::vector<std::string> empty = {
            cli,       "report",    "--type", "1",        "--date", "2000-01-01", "--local",
            firstRoot, "--cameras", "1",      "--format", "csv",    "--quiet"};
        const Run start = Best(empty, repeat);
        const long peak = PeakKb(empty, dir);
        std::printf(
            "\nstart: a report of an empty day, no picture: %s ms, peak %ld KiB (goal < 20 ms "
            "and < 25 MB: %s)\n",
            Cell(start).c_str(), peak, Goal(start.code == 0, start.wall < 20 && peak < 25 * 1024));
    }
    if (dayByYears.size() >= 2)
        std::printf(
            "\nindexed Day, processor time of %d years over 1 year: %.2f (goal <= 1.2: %s)\n",
            years.back(), dayByYears.back() / std::max(dayByYears.front(), 1.0),
            Goal(true, dayByYears.back() <= 1.2 * std::max(dayByYears.front(), 1.0)));

    if (many && !firstRoot.empty()) {
        // 100 local sites, 10 servers of 10 roots each, one site that is down.
        std::vector<Server> servers(10);
        std::vector<std::string> sites;
        for (int i = 0; i < 100; ++i) {
            sites.push_back("--local");
            sites.push_back(firstRoot);
        }
        std::vector<std::string> roots(10, firstRoot);
        for (int i = 1; i < 10; ++i) {
            roots[i] = dir + "/extra-root-" + std::to_string(i);
            std::filesystem::create_directories(roots[i]);
        }
        bool up = true;
        for (Server& s : servers) {
            up = up && StartServer(&s, roots, users);
            if (!up) break;
            for (const char* a : {"--server", "", "--user", "bench", "--password-file", ""})
                sites.push_back(a);
            sites[sites.size() - 5] = s.Arg();
            sites.back() = password;
        }
        sites.push_back("--server");
        sites.push_back("127.0.0.1:1");
        if (up) {
            const Run r = Spawn(CliArgs(cli, kReports[0], sites), true);
            std::printf(
                "\n111 sites (100 files, 10 servers, 1 down), Day: %s ms, exit %d "
                "(5 = some sites failed), peak %ld KiB, at most %d threads\n",
                Cell(Run{0, r.wall, r.cpu}).c_str(), r.code, r.peakKb, r.peakThreads);
        }
        for (Server& s : servers)
            if (s.server) s.server->Stop();
    }
    if (!keep) std::filesystem::remove_all(dir);
    return 0;
}

}  // namespace zl

int main(int argc, char** argv) {
    return zl::Main(argc, argv);
}
