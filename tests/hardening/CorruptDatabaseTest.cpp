// Damaged counting databases, read locally and through recnetd. 1,000 copies of countgen
// databases of every counter type are damaged in one of many ways (flipped bits and bytes,
// truncation, zeroed or swapped pages, a wrong header or header field, an empty file, random
// bytes, a directory in the file's place, a leftover journal or WAL file). On each copy the
// site is connected as the program connects it (open, table detection, camera discovery), the
// day marks are asked for and reports of every range run (reporter-cli, in-process). Every run
// ends with rows, with nothing to report (the site gave no camera) or with a failure and its
// message; never a crash, a hang or a sanitizer report; and the damaged file and its folder
// are exactly as they were.
#include <gtest/gtest.h>
#include <sodium.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>

#include "CountGen.h"
#include "HardeningTestKit.h"
#include "RecNetServer.h"
#include "RecNetTestKit.h"
#include "ReporterCli.h"
#include "base/CounterTypes.h"
#include "data/DayMarks.h"
#include "data/SqlText.h"
#include "data/TableDetect.h"
#include "query/SiteConnect.h"
#include "recnet/RecNet.h"

namespace zl::hardening {
namespace {

constexpr int kCopies = 1000;
constexpr const char* kDate = "2024-03-05";
constexpr const char* kUser = "viewer";
constexpr const char* kPassword = "damaged files";

// The files a copy can be made of: the seven counter types' databases and the two side files
// of queue length monitoring. A queue file is reached through the queue measure that reads it.
struct Source {
    int counterType;
    const char* folder;  // below a data root
    const char* file;
    int queueMeasure;
};
constexpr Source kSources[] = {
    {1, "PeopleCounterData", "PeopleCounter.db", 0},
    {2, "PeopleCounterData", "3DPeopleCounter.db", 0},
    {3, "AccessCounterData", "AccessCounter.db", 0},
    {4, "ZoneCounterData", "ZoneCounter.db", 0},
    {5, "FlowCountData", "FlowCount.db", 0},
    {6, "TrafficCounterData", "TrafficCounter.db", 0},
    {7, "QueueLengthData", "QueueLengthMonitoring.db", 1},
    {7, "QueueLengthData", "QueueLengthMonitoringWaiting.db", 0},
    {7, "QueueLengthData", "QueueLengthMonitoringServed.db", 2},
};
constexpr int kSourceCount = sizeof kSources / sizeof kSources[0];

enum Damage {
    kFlipBits,
    kHeaderBytes,
    kTruncate,
    kTruncatePages,
    kZeroPage,
    kWrongMagic,
    kHeaderField,
    kEmpty,
    kRandomBytes,
    kOverwriteRun,
    kCopyPage,
    kDirectory,
    kHotJournal,
    kStrayWal,
    kDamageKinds
};
const char* const kDamageNames[kDamageKinds] = {
    "flipped bits", "header bytes", "truncated",   "cut at a page", "zeroed page",
    "wrong magic",  "header field", "empty file",  "random bytes",  "overwritten run",
    "copied page",  "directory",    "hot journal", "stray WAL"};

std::string RandomBytes(std::mt19937& rng, size_t n) {
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(rng() & 0xFF);
    return s;
}

struct DamagedCopy {
    bool directory = false;
    std::string bytes;
    std::string journal;  // a "-journal" beside it (empty: none)
    std::string wal;      // a "-wal" beside it (empty: none)
};

DamagedCopy MakeDamage(const std::string& intact, int kind, std::mt19937& rng) {
    DamagedCopy d;
    d.bytes = intact;
    std::string& b = d.bytes;
    const size_t page = 4096;
    const size_t pages = std::max<size_t>(1, b.size() / page);
    auto at = [&](size_t n) { return static_cast<size_t>(rng() % n); };
    switch (kind) {
        case kFlipBits:
            for (int i = 0, n = 1 + at(8); i < n; ++i)
                b[at(b.size())] ^= static_cast<char>(1 << at(8));
            break;
        case kHeaderBytes:
            for (int i = 0, n = 1 + at(4); i < n; ++i) b[at(100)] = static_cast<char>(rng());
            break;
        case kTruncate:
            b.resize(at(b.size()));
            break;
        case kTruncatePages:
            b.resize(page * (1 + at(pages)) - (at(2) ? page : 0));
            break;
        case kZeroPage: {
            const size_t p = at(pages);
            std::memset(&b[p * page], 0, std::min(page, b.size() - p * page));
            break;
        }
        case kWrongMagic:
            b[at(16)] ^= static_cast<char>(1 + at(255));
            break;
        case kHeaderField: {
            // Page size, read/write versions, reserved bytes, payload fractions, database
            // size, freelist, schema cookie and format, text encoding.
            static const size_t kFields[] = {16, 17, 18, 19, 20, 21, 22, 23, 28, 29, 32,
                                             36, 40, 44, 47, 52, 56, 59, 60, 64, 68};
            const size_t f = kFields[at(sizeof kFields / sizeof kFields[0])];
            static const unsigned char kValues[] = {0, 1, 2, 3, 0x7F, 0x80, 0xFF};
            b[f] = static_cast<char>(at(3) ? kValues[at(7)] : rng());
            break;
        }
        case kEmpty:
            b.clear();
            break;
        case kRandomBytes:
            b = (at(2) ? std::string("SQLite format 3", 16) : std::string()) +
                RandomBytes(rng, at(3 * page));
            break;
        case kOverwriteRun: {
            const size_t len = 16 + at(500);
            const size_t from = at(b.size() - len);
            b.replace(from, len, RandomBytes(rng, len));
            break;
        }
        case kCopyPage: {
            if (pages < 2) {
                b.replace(100, 200, RandomBytes(rng, 200));
                break;
            }
            const size_t from = at(pages), to = at(pages);
            b.replace(to * page, page, intact.substr(from * page, page));
            break;
        }
        case kDirectory:
            d.directory = true;
            b.clear();
            break;
        case kHotJournal:
            // A journal a crashed writer left: a real header and random pages, or garbage.
            d.journal = at(2) ? std::string("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8) +
                                    RandomBytes(rng, 512 + at(2 * page))
                              : RandomBytes(rng, 1 + at(page));
            if (at(2)) b[at(b.size())] ^= 0x10;
            break;
        case kStrayWal:
            d.wal = at(2) ? std::string("\x37\x7f\x06\x82", 4) + RandomBytes(rng, 28 + at(2 * page))
                          : RandomBytes(rng, 1 + at(page));
            if (at(2)) b[18] = b[19] = 2;  // and a header that says WAL mode
            break;
    }
    return d;
}

void Place(const DamagedCopy& d, const std::string& path) {
    std::error_code ec;
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        std::filesystem::remove_all(path + suffix, ec);
    if (d.directory) {
        std::filesystem::create_directories(path + "/inner", ec);
        return;
    }
    WriteBytes(path, d.bytes);
    if (!d.journal.empty()) WriteBytes(path + "-journal", d.journal);
    if (!d.wal.empty()) WriteBytes(path + "-wal", d.wal);
}

// The entries of a folder with each file's hash. SQLite's reader of a database in WAL mode
// (its header says so, or a "-wal" file is there) makes a "-shm" beside it, and an empty
// "-wal" when there is none; both stay after it closes. Those are left out; every other entry
// (a "-wal" with content among them) must stay as it was.
// *leftOut (when given) counts the snapshots that left such files out.
std::map<std::string, std::string> Snapshot(const std::string& folder, const std::string& file,
                                            int* leftOut = nullptr) {
    std::map<std::string, std::string> all = testkit::Fingerprint(folder);
    const size_t entries = all.size();
    const std::string bytes = ReadBytes(folder + "/" + file);
    const bool walHeader = bytes.size() > 19 && (bytes[18] == 2 || bytes[19] == 2);
    const bool walFile = all.count(file + "-wal") != 0;
    if (walHeader || walFile) all.erase(file + "-shm");
    if (walFile && ReadBytes(folder + "/" + file + "-wal").empty()) all.erase(file + "-wal");
    if (leftOut && all.size() != entries) ++*leftOut;
    return all;
}

struct Outcome {
    int rows = 0;
    int empty = 0;  // exit 0 without rows: no camera found
    int emptyWithWord = 0;
    int failures = 0;
};

class CorruptDatabases : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_GE(sodium_init(), 0);
        dir_ = new TempFolder;
        CountGenOptions o;
        o.root = *dir_ / "intact";
        o.days = 3;
        o.endYear = 2024;
        o.endMonth = 3;
        o.endDay = 5;
        o.cameras = 2;
        o.intervalMinutes = 120;
        o.regions = 2;
        std::string error;
        ASSERT_EQ(GenerateDatabases(o, nullptr, &error), 1) << error;

        // recnetd serves a copy of the intact root; each damaged copy takes its file's place.
        std::filesystem::copy(o.root, *dir_ / "served", std::filesystem::copy_options::recursive);
        recnetd::ServerConfig config;
        config.address = "127.0.0.1";
        config.port = 0;
        config.serverName = "damaged";
        config.dataRoots = {*dir_ / "served"};
        config.usersFile = *dir_ / "users";
        config.logLevel = recnetd::LogLevel::Error;
        // A password hash at libsodium's smallest cost: each report logs in anew.
        char hash[crypto_pwhash_STRBYTES];
        ASSERT_EQ(crypto_pwhash_str(hash, kPassword, std::strlen(kPassword),
                                    crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN),
                  0);
        WriteBytes(config.usersFile, std::string(kUser) + ":" + hash + "\n");
        ::chmod(config.usersFile.c_str(), 0600);
        WriteBytes(*dir_ / "password", kPassword);
        server_ = new recnetd::RecNetServer(config, [](const std::string&) {});
        std::string why;
        ASSERT_TRUE(server_->Start(&why)) << why;
    }
    static void TearDownTestSuite() {
        if (server_) server_->Stop();
        delete server_;
        server_ = nullptr;
        delete dir_;
        dir_ = nullptr;
    }

    // One reporter-cli run; checks that it ends with rows or a clear failure.
    static int Report(const Source& s, const std::string& range, bool remote,
                      const std::string& local, Outcome* outcome) {
        std::vector<std::string> args = {"report",
                                         "--type",
                                         std::to_string(s.counterType),
                                         "--range",
                                         range,
                                         "--date",
                                         kDate,
                                         "--format",
                                         "csv",
                                         "--queue-measure",
                                         std::to_string(s.queueMeasure),
                                         "--regions",
                                         "1,2",
                                         "--lang",
                                         ZL_LANG_FILE};
        if (remote) {
            args.insert(args.end(), {"--server", "127.0.0.1:" + std::to_string(server_->Port()),
                                     "--user", kUser, "--password-file", *dir_ / "password"});
        } else {
            args.insert(args.end(), {"--local", local});
        }
        std::ostringstream out, err;
        CliIo io;
        io.out = &out;
        io.err = &err;
        const int code = RunReporterCli(args, io);
        const std::string text = out.str();
        if (code == kCliDone && text.empty()) {
            // The site opened but gave no camera (no table, or no row with a camera number):
            // reporter-cli has nothing to report. It says so when the camera query failed, and
            // says nothing when the query ran and found none.
            ++outcome->empty;
            outcome->emptyWithWord += err.str().find("reporter-cli: ") != std::string::npos;
        } else if (code == kCliDone) {
            // A header line and one line per bucket at least.
            EXPECT_GE(std::count(text.begin(), text.end(), '\n'), 2) << text << err.str();
            ++outcome->rows;
        } else {
            EXPECT_TRUE(code == kCliNoSite || code == kCliQueryFailed) << code << err.str();
            EXPECT_NE(err.str().find("reporter-cli: "), std::string::npos) << err.str();
            ++outcome->failures;
        }
        return code;
    }

    static TempFolder* dir_;
    static recnetd::RecNetServer* server_;
};

TempFolder* CorruptDatabases::dir_ = nullptr;
recnetd::RecNetServer* CorruptDatabases::server_ = nullptr;

TEST_F(CorruptDatabases, EveryRunEndsWithRowsOrAClearFailureAndNothingChanges) {
    std::mt19937 rng(20240305);
    std::string intact[kSourceCount];
    for (int i = 0; i < kSourceCount; ++i) {
        intact[i] = ReadBytes(*dir_ / "intact" + "/" + kSources[i].folder + "/" + kSources[i].file);
        ASSERT_GT(intact[i].size(), 4096u) << kSources[i].file;
    }
    const std::string work = *dir_ / "work";
    Outcome local[kDamageKinds], remote[kDamageKinds];
    int opened = 0, tablesFound = 0, camerasFound = 0, daysMarked = 0;
    int walFilesMade[2] = {};
    const auto started = std::chrono::steady_clock::now();

    // A client of our own for the day marks through the server, logged in once.
    testkit::ClientHolder client(CreateRecNetClient());
    ASSERT_EQ(client->Connect("127.0.0.1", server_->Port(), 30000), 1);
    ASSERT_EQ(client->Login(kUser, kPassword), 1);

    for (int copy = 0; copy < kCopies; ++copy) {
        const int kind = copy % kDamageKinds;
        const int sourceIndex = (copy / kDamageKinds + copy) % kSourceCount;
        const Source& s = kSources[sourceIndex];
        const DamagedCopy damaged = MakeDamage(intact[sourceIndex], kind, rng);
        SCOPED_TRACE("copy " + std::to_string(copy) + ": " + kDamageNames[kind] + " " + s.file);

        // ---- locally: the copy in a folder of its own, beside intact queue files ----------
        std::error_code ec;
        std::filesystem::remove_all(work, ec);
        std::filesystem::create_directories(work, ec);
        if (s.counterType == 7) {
            for (int i = 6; i < kSourceCount; ++i)
                WriteBytes(work + "/" + kSources[i].file, intact[i]);
        }
        Place(damaged, work + "/" + s.file);
        const auto before = Snapshot(work, s.file);

        SiteRecord site;
        site.connectionType = kConnLocal;
        site.counterType = s.counterType;
        // Queue measures reach their file through the main queue file's path.
        site.localDB = work + "/" + (s.counterType == 7 ? "QueueLengthMonitoring.db" : s.file);
        const SiteConnectResult connected = ReconnectSite(site, s.counterType, s.queueMeasure);
        const bool people = IsPeopleCounterType(s.counterType);
        if (connected.connected) {
            ++opened;
            const int tableKind = DetectTableKind(site.localDb, people);
            tablesFound += tableKind != kTableNone;
            camerasFound += connected.cameras;
            uint8_t flags[kDayMarkCount];
            site.cameras[0].used = 1;
            daysMarked += GetDayMarks({site}, MakeSysTime(2024, 2, 26), people, s.counterType,
                                      tableKind, flags) > 0;
        } else {
            EXPECT_NE(connected.message, 0u) << "a failed connection without a message";
        }
        ReleaseSiteHandles(site);
        for (const char* range : {"day", "week", "month"})
            Report(s, range, false, site.localDB, &local[kind]);
        EXPECT_EQ(Snapshot(work, s.file, &walFilesMade[0]), before)
            << "the local copy or its folder changed";

        // ---- through recnetd: the copy in its place in the served root ------------------
        const std::string servedFolder = *dir_ / "served" + "/" + s.folder;
        const std::string served = servedFolder + "/" + s.file;
        Place(damaged, served);
        const auto servedBefore = Snapshot(servedFolder, s.file);
        uint8_t flags[kDayMarkCount] = {};
        if (client->OpenDatabase(served.c_str()) == 1) {
            const DayMarkSource src =
                DayMarkSourceOf(people, s.counterType, kTableNone, s.counterType == 2);
            client->GetMonthDays(src.table, src.timeColumn, 2024, 2, 26, kDayMarkCount, flags);
        }
        for (const char* range : {"day", "week", "month"})
            Report(s, range, true, "", &remote[kind]);
        EXPECT_EQ(Snapshot(servedFolder, s.file, &walFilesMade[1]), servedBefore)
            << "the served copy or its folder changed";
        Place(DamagedCopy{false, intact[sourceIndex], "", ""}, served);
        if (HasFailure()) break;
    }

    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf(
        "%d damaged copies in %.1f s: %d opened, %d with a record table, %d with cameras, "
        "%d with marked days\n",
        kCopies, seconds, opened, tablesFound, camerasFound, daysMarked);
    std::printf(
        "reports: rows / no camera found (exit 0, nothing to report) / failed with a "
        "message\n");
    std::printf("%-16s %20s %20s\n", "damage", "local", "through recnetd");
    Outcome sum[2];
    for (int k = 0; k < kDamageKinds; ++k) {
        std::printf("%-16s %8d/%4d/%5d %8d/%4d/%5d\n", kDamageNames[k], local[k].rows,
                    local[k].empty, local[k].failures, remote[k].rows, remote[k].empty,
                    remote[k].failures);
        for (int side = 0; side < 2; ++side) {
            const Outcome& o = side ? remote[k] : local[k];
            sum[side].rows += o.rows;
            sum[side].empty += o.empty;
            sum[side].emptyWithWord += o.emptyWithWord;
            sum[side].failures += o.failures;
        }
    }
    std::printf("%-16s %8d/%4d/%5d %8d/%4d/%5d\n", "all", sum[0].rows, sum[0].empty,
                sum[0].failures, sum[1].rows, sum[1].empty, sum[1].failures);
    std::printf("of the runs without a camera, %d local and %d through recnetd said why\n",
                sum[0].emptyWithWord, sum[1].emptyWithWord);
    std::printf(
        "copies in WAL mode where SQLite's reader left -wal/-shm files beside them: "
        "%d local, %d through recnetd\n",
        walFilesMade[0], walFilesMade[1]);
}

}  // namespace
}  // namespace zl::hardening
