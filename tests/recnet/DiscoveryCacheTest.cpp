// Camera discovery through the cache against the plain statement on the same file: appends,
// deletes, updates of Camera, a replaced file, VACUUM, a write-ahead log with a live writer;
// kept answers across processes; damaged and foreign cache files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <thread>

#include "RecNetTestKit.h"
#include "recnet/DiscoveryCache.h"
#include "recnet/DiscoveryExtend.h"
#include "recnet/LocalDatabase.h"

namespace zl::testkit {
namespace {

using recnet::DiscoveryAnswer;
using recnet::DiscoveryCache;
using recnet::LocalDatabase;
using recnet::OpenedFile;

const char* const kStatement = "SELECT DISTINCT Camera from records;";

struct Conn {
    sqlite3* db = nullptr;
    explicit Conn(const std::string& path) {
        sqlite3_open(path.c_str(), &db);
        sqlite3_busy_timeout(db, 10000);
    }
    ~Conn() { sqlite3_close_v2(db); }
    void Do(const std::string& sql) {
        char* error = nullptr;
        const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
        ASSERT_EQ(rc, SQLITE_OK) << sql << ": " << (error ? error : "");
        sqlite3_free(error);
    }
};

// The plain statement on a connection of its own: the sorted camera texts.
std::vector<std::string> Plain(const std::string& path) {
    Conn c(path);
    Rows rows;
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(c.db, kStatement, CollectRows, &rows, &error), SQLITE_OK);
    sqlite3_free(error);
    std::vector<std::string> out;
    for (const auto& row : rows.rows) out.push_back(row[0] ? *row[0] : "NULL");
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> Sorted(const Rows& rows) {
    std::vector<std::string> out;
    for (const auto& row : rows.rows) out.push_back(row[0] ? *row[0] : "NULL");
    std::sort(out.begin(), out.end());
    return out;
}

// Through the local object, as a new process opens it.
std::vector<std::string> Cached(const std::string& path) {
    LocalDatabase db;
    EXPECT_EQ(db.Open(path.c_str()), 1);
    Rows rows;
    EXPECT_EQ(db.Exec(kStatement, CollectRows, &rows), 1) << db.LastError();
    if (!rows.rows.empty()) {
        EXPECT_EQ(rows.names, std::vector<std::string>{"Camera"});
    }
    return Sorted(rows);
}

void CreateTable(const std::string& path, bool wal) {
    Conn c(path);
    if (wal) c.Do("PRAGMA journal_mode=WAL;");
    c.Do("CREATE TABLE records(Camera INTEGER, EnterTime TEXT, Inward INTEGER);");
}

// One random change of the file; the text says which, for the failure message.
std::string Mutate(const std::string& path, bool wal, std::mt19937& rng) {
    const int op = static_cast<int>(rng() % 9);
    const auto camera = [&] { return std::to_string(rng() % 12); };
    if (op == 8) {
        // A new file of the same name: the old inode may be reused by the new one.
        const std::string other = path + ".new";
        std::filesystem::remove(other);
        CreateTable(other, wal);
        Conn(other).Do("INSERT INTO records VALUES(" + camera() + ", 'x', 1);");
        std::filesystem::rename(other, path);
        std::filesystem::remove(path + "-wal");
        std::filesystem::remove(path + "-shm");
        return "replace";
    }
    Conn c(path);
    switch (op) {
        case 0:
        case 1: {
            std::string sql = "INSERT INTO records VALUES";
            const int n = 1 + static_cast<int>(rng() % 5);
            for (int i = 0; i < n; ++i)
                sql += std::string(i ? "," : "") + "(" + camera() + ", 't', " + camera() + ")";
            c.Do(sql + ";");
            return "append";
        }
        case 2:
            c.Do("DELETE FROM records WHERE Camera = " + camera() + ";");
            return "delete camera";
        case 3:
            c.Do("DELETE FROM records WHERE rowid = (SELECT max(rowid) FROM records);");
            return "delete last row";
        case 4:
            c.Do("UPDATE records SET Camera = " + camera() +
                 " WHERE rowid = (SELECT min(rowid) FROM records);");
            return "update camera";
        case 5:
            c.Do("UPDATE records SET Camera = NULL WHERE rowid % 7 = " + camera() + ";");
            return "update to NULL";
        case 6:
            c.Do("VACUUM;");
            return "vacuum";
        default:
            if (wal) c.Do("PRAGMA wal_checkpoint(TRUNCATE);");
            return "nothing / checkpoint";
    }
}

// Dates the file's last write `seconds` back, as a file that has settled.
void Age(const std::string& path, int seconds) {
    struct timespec times[2];
    clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= seconds;
    times[1] = times[0];
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

class DiscoveryCacheTest : public ::testing::TestWithParam<bool> {
  protected:
    TempDir dir_;
};

TEST_P(DiscoveryCacheTest, AnswerEqualsThePlainStatementAfterEveryKindOfChange) {
    const bool wal = GetParam();
    const std::string path = dir_ / "counts.db";
    CreateTable(path, wal);
    std::mt19937 rng(wal ? 7 : 11);
    // A long-lived connection too: after a replacement it still reads the old file.
    LocalDatabase longLived;
    ASSERT_EQ(longLived.Open(path.c_str()), 1);
    Conn longLivedPlain(path);
    for (int step = 0; step < 150; ++step) {
        const std::string what = Mutate(path, wal, rng);
        ASSERT_FALSE(HasFatalFailure());
        // Most steps look at a settled file (answered from the cache the second time); some
        // at one just written.
        if (step % 4 != 0) Age(path, 10);
        for (int again = 0; again < 2; ++again)
            ASSERT_EQ(Cached(path), Plain(path)) << "step " << step << ": " << what;
        if (step % 4 != 0) {
            OpenedFile file;
            ASSERT_TRUE(recnet::IdentifyFile(path, &file));
            const recnet::DiscoveryRun never = [](DiscoveryAnswer*) { return false; };
            DiscoveryAnswer kept;
            bool reused = false;
            ASSERT_TRUE(DiscoveryCache::Shared().Answer(file, kStatement, never, &kept, &reused))
                << "step " << step << ": " << what;
            EXPECT_TRUE(reused);
        }
        Rows a, b;
        ASSERT_EQ(longLived.Exec(kStatement, CollectRows, &a), 1);
        ASSERT_EQ(sqlite3_exec(longLivedPlain.db, kStatement, CollectRows, &b, nullptr), SQLITE_OK);
        ASSERT_EQ(Sorted(a), Sorted(b)) << "long-lived, step " << step << ": " << what;
    }
}

TEST_P(DiscoveryCacheTest, KeptAnswerIsReusedAcrossProcessesOnlyWhileTheFileIsUnchanged) {
    const bool wal = GetParam();
    const std::string path = dir_ / "counts.db";
    const std::string folder = dir_ / "cache";
    CreateTable(path, wal);
    Conn(path).Do("INSERT INTO records VALUES(1,'a',1),(2,'b',2),(NULL,'c',3),('',NULL,0);");
    // Just written: nothing is kept yet.
    {
        DiscoveryCache cache(dir_ / "fresh");
        OpenedFile opened;
        ASSERT_TRUE(recnet::IdentifyFile(path, &opened));
        DiscoveryAnswer answer;
        bool reused = true;
        const auto run = [&](DiscoveryAnswer* a) {
            a->names = {"Camera"};
            return true;
        };
        ASSERT_TRUE(cache.Answer(opened, kStatement, run, &answer, &reused));
        ASSERT_TRUE(cache.Answer(opened, kStatement, run, &answer, &reused));
        EXPECT_FALSE(reused);
    }
    Age(path, 10);
    OpenedFile file;
    ASSERT_TRUE(recnet::IdentifyFile(path, &file));
    int runs = 0;
    const recnet::DiscoveryRun run = [&](DiscoveryAnswer* answer) {
        ++runs;
        LocalDatabase db;
        if (!db.Open(path.c_str())) return false;
        return db.Exec(kStatement, recnet::CollectDiscoveryRow, answer) == 1;
    };
    const auto ask = [&](DiscoveryCache& cache) {
        DiscoveryAnswer answer;
        bool reused = false;
        EXPECT_TRUE(cache.Answer(file, kStatement, run, &answer, &reused));
        return std::make_pair(answer, reused);
    };
    DiscoveryAnswer first;
    {
        DiscoveryCache cache(folder);
        auto [answer, reused] = ask(cache);
        EXPECT_FALSE(reused);
        EXPECT_EQ(answer.rows.size(), 4u);
        first = answer;
    }
    {
        DiscoveryCache nextProcess(folder);
        auto [answer, reused] = ask(nextProcess);
        EXPECT_TRUE(reused);
        EXPECT_EQ(answer, first);  // NULL and the empty text kept apart
        EXPECT_EQ(runs, 1);
    }
    // A change that keeps the row count and the highest rowid.
    Conn(path).Do("UPDATE records SET Camera = 9 WHERE Camera = 1;");
    Age(path, 5);
    {
        DiscoveryCache nextProcess(folder);
        auto [answer, reused] = ask(nextProcess);
        EXPECT_FALSE(reused);
        EXPECT_EQ(runs, 2);
        EXPECT_NE(answer, first);
    }

    // Damaged and foreign files are ignored, and the answer stays right.
    const std::string kept = DiscoveryCache(folder).FileFor(file.device, file.inode, kStatement);
    std::string text;
    {
        std::ifstream in(kept, std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    ASSERT_FALSE(text.empty());
    const auto expectIgnored = [&](const std::string& content, const char* what) {
        std::ofstream(kept, std::ios::binary | std::ios::trunc) << content;
        DiscoveryCache nextProcess(folder);
        const int before = runs;
        auto [answer, reused] = ask(nextProcess);
        EXPECT_FALSE(reused) << what;
        EXPECT_EQ(runs, before + 1) << what;
        EXPECT_EQ(answer.rows.size(), 4u) << what;
    };
    std::string flipped = text;
    flipped[flipped.size() / 2] ^= 1;
    expectIgnored(flipped, "one bit changed");
    expectIgnored(text.substr(0, text.size() - 10), "cut short");
    expectIgnored("", "empty");
    expectIgnored(std::string(5000, '\xff'), "binary garbage");
    std::string otherInode = recnet::FormatDiscoveryFile(file.device, file.inode + 1, kStatement,
                                                         "x", DiscoveryAnswer{{"Camera"}, {}});
    expectIgnored(otherInode, "another file's answer");
    // The name of the file is not its key: the contents must name this file and statement.
    DiscoveryAnswer forged{{"Camera"}, {{std::string("77")}}};
    expectIgnored(
        recnet::FormatDiscoveryFile(file.device, file.inode,
                                    "SELECT DISTINCT Camera from _3DRECORDS;", "x", forged),
        "another statement's answer");
}

TEST_P(DiscoveryCacheTest, LiveWriterNeverGetsAnAnswerFromOutsideItsTime) {
    const bool wal = GetParam();
    const std::string path = dir_ / "counts.db";
    CreateTable(path, wal);
    Conn(path).Do("INSERT INTO records VALUES(0,'a',1),(0,'a',1);");
    std::atomic<bool> stop{false};
    std::atomic<int> commits{0};
    // Camera values only ever join the set: each value has two rows, and an update moves
    // one row of an old value to a new one.
    std::thread writer([&] {
        Conn c(path);
        c.Do("PRAGMA wal_autocheckpoint=20;");
        for (int k = 1; !stop.load() && k < 100000; ++k) {
            const std::string v = std::to_string(k);
            c.Do("BEGIN; INSERT INTO records VALUES(" + v + ",'t',1),(" + v + ",'t',1); COMMIT;");
            if (k % 3 == 0)
                c.Do("UPDATE records SET Camera = -" + v +
                     " WHERE rowid = (SELECT min(rowid) FROM "
                     "records WHERE Camera = " +
                     std::to_string(k - 1) + ");");
            ++commits;
            // Room for the readers: a rollback-journal writer at full speed starves them.
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    struct Join {
        std::thread& t;
        std::atomic<bool>& stop;
        ~Join() {
            stop = true;
            if (t.joinable()) t.join();
        }
    } join{writer, stop};
    for (int i = 0; i < 60 || commits.load() < 20; ++i) {
        const auto before = Plain(path);
        const auto cached = Cached(path);
        const auto after = Plain(path);
        ASSERT_TRUE(std::includes(cached.begin(), cached.end(), before.begin(), before.end()))
            << "round " << i;
        ASSERT_TRUE(std::includes(after.begin(), after.end(), cached.begin(), cached.end()))
            << "round " << i;
        if (i > 2000) break;
    }
    stop = true;
    writer.join();
    EXPECT_EQ(Cached(path), Plain(path));
    EXPECT_EQ(Cached(path), Plain(path));
}

INSTANTIATE_TEST_SUITE_P(Journal, DiscoveryCacheTest, ::testing::Values(false, true),
                         [](const auto& testInfo) { return testInfo.param ? "Wal" : "Rollback"; });

}  // namespace
}  // namespace zl::testkit

namespace zl::testkit {
namespace {

// Through recnetd: the server keeps answers too, and a change on disk is seen at once.
TEST(DiscoveryCacheRemoteTest, ServerAnswerFollowsTheFile) {
    TempDir dir;
    const std::string root = dir / "data";
    WriteSampleRoot(root);
    TestServer server({root});
    ASSERT_TRUE(server.Start());
    ClientHolder client(server.NewClient());
    ASSERT_TRUE(client);
    const std::string path = root + "/" + SampleRelativePath(1);
    ASSERT_EQ(client->OpenDatabase(path.c_str()), 1);
    const auto ask = [&] {
        Rows rows;
        EXPECT_EQ(client->Exec(kStatement, CollectRows, &rows), 1);
        EXPECT_EQ(rows.names, std::vector<std::string>{"Camera"});
        return Sorted(rows);
    };
    EXPECT_EQ(ask(), Plain(path));
    EXPECT_EQ(ask(), Plain(path));  // kept
    ASSERT_TRUE(ExecWritable(path, "UPDATE Records SET Camera = 5 WHERE Camera = 2;"));
    EXPECT_EQ(ask(), Plain(path));
    EXPECT_EQ(ask(), (std::vector<std::string>{"1", "5"}));
}

}  // namespace
}  // namespace zl::testkit

namespace zl::testkit {
namespace {

// The plain statement's rows in the order it gives them.
std::vector<std::string> PlainInOrder(const std::string& path) {
    Conn c(path);
    Rows rows;
    EXPECT_EQ(sqlite3_exec(c.db, kStatement, CollectRows, &rows, nullptr), SQLITE_OK);
    std::vector<std::string> out;
    for (const auto& row : rows.rows) out.push_back(row[0] ? *row[0] : "NULL");
    return out;
}

// One discovery as a new process does it: its own cache object on the shared folder, a new
// read-only connection, the same run and extension as the local database object.
struct Discovery {
    std::vector<std::string> rows;
    DiscoveryCache::How how = DiscoveryCache::How::Ran;
};
Discovery Discover(const std::string& path, const std::string& folder) {
    Discovery out;
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> guard(db, sqlite3_close_v2);
    sqlite3_busy_timeout(db, 10000);
    const recnet::TextRun text = [&](const std::string& sql, DiscoveryAnswer* rows) {
        std::string error;
        return recnet::ExecRows(db, sql.c_str(), recnet::CollectDiscoveryRow, rows, &error) ==
               SQLITE_OK;
    };
    const recnet::DiscoveryRun run = [&](DiscoveryAnswer* answer) {
        std::string error;
        if (!recnet::RunTypedDiscovery(db, kStatement, answer, &error)) return false;
        recnet::NoteDiscoveryFacts(answer->typed, text, kStatement, answer);
        return true;
    };
    OpenedFile file;
    EXPECT_TRUE(recnet::IdentifyFile(path, &file));
    DiscoveryCache cache(folder);
    DiscoveryAnswer answer;
    EXPECT_TRUE(cache.Answer(file, kStatement, run, &answer, nullptr,
                             recnet::MakeDiscoveryExtend(db, kStatement, text), &out.how));
    for (const auto& row : answer.rows) out.rows.push_back(row[0] ? *row[0] : "NULL");
    return out;
}

// Write-ahead log with a writer that stays connected (so the log is not folded into the file
// between steps): appends are answered by extending the kept answer, every other change by the
// whole statement, and each answer is the plain statement's, rows in the same order.
TEST(DiscoveryExtendTest, ExtendedAnswerEqualsThePlainStatementInOrder) {
    TempDir dir;
    const std::string path = dir / "counts.db";
    const std::string folder = dir / "cache";
    CreateTable(path, true);
    Conn writer(path);
    writer.Do("PRAGMA wal_autocheckpoint=0;");
    writer.Do("INSERT INTO records VALUES(3,'t',1),(1,'t',1),(NULL,'t',1);");
    writer.Do("PRAGMA wal_checkpoint(TRUNCATE);");
    Age(path, 10);
    std::mt19937 rng(5);
    const auto camera = [&] { return std::to_string(rng() % 40); };
    int extended = 0, appends = 0;
    std::string last = "start";
    for (int step = 0; step < 160; ++step) {
        const int op = static_cast<int>(rng() % 16);
        std::string what;
        if (op < 9) {
            std::string sql = "INSERT INTO records VALUES";
            const int n = 1 + static_cast<int>(rng() % (op == 0 ? 400 : 4));
            for (int i = 0; i < n; ++i)
                sql += std::string(i ? "," : "") + "(" + camera() + ", 't', " + camera() + ")";
            writer.Do(sql + ";");
            what = "append";
        } else if (op == 9) {
            writer.Do("DELETE FROM records WHERE rowid = (SELECT max(rowid) FROM records);");
            what = "delete last row";
        } else if (op == 10) {
            writer.Do(
                "DELETE FROM records WHERE rowid = (SELECT max(rowid) FROM records);"
                "INSERT INTO records VALUES(" +
                camera() + ",'t',1);");
            what = "last row replaced (its rowid reused)";
        } else if (op == 11) {
            writer.Do("UPDATE records SET Camera = " + camera() +
                      " WHERE rowid = (SELECT min(rowid) FROM records);");
            what = "update first camera";
        } else if (op == 12) {
            writer.Do("UPDATE records SET Camera = 100 + Camera WHERE rowid % 5 = 0;");
            what = "update many";
        } else if (op == 13) {
            writer.Do(step % 2 ? "VACUUM;" : "PRAGMA wal_checkpoint(PASSIVE);");
            what = step % 2 ? "vacuum" : "checkpoint";
        } else if (op == 14) {
            writer.Do(
                "DELETE FROM records WHERE rowid IN (SELECT rowid FROM records "
                "ORDER BY rowid LIMIT 3);");
            what = "delete first rows";
        } else {
            writer.Do(
                "INSERT INTO records(rowid, Camera) VALUES((SELECT max(rowid) FROM records) "
                "+ 1, 77);");
            what = "append with a given rowid";
        }
        if (what == "vacuum" || what == "checkpoint") Age(path, 10);  // the file settles again
        const bool append = what.rfind("append", 0) == 0;
        const Discovery first = Discover(path, folder);
        const auto plain = PlainInOrder(path);
        ASSERT_EQ(first.rows, plain) << "step " << step << ": " << what << " after " << last;
        if (append) {
            ++appends;
            extended += first.how == DiscoveryCache::How::Extended;
        } else {
            EXPECT_NE(first.how, DiscoveryCache::How::Extended) << what;
        }
        const Discovery again = Discover(path, folder);
        EXPECT_EQ(again.how, DiscoveryCache::How::Reused) << "step " << step;
        ASSERT_EQ(again.rows, plain);
        last = what;
    }
    // Appends after a step that left the file settled are extended; a few follow a checkpoint.
    EXPECT_GT(extended, appends / 2) << extended << " of " << appends;

    // A text value ends extending (texts and numbers could share a spelling); an index on the
    // column changes the statement's order, and the answer follows it.
    writer.Do("INSERT INTO records VALUES('7', 't', 1), ('x', 't', 1);");
    EXPECT_EQ(Discover(path, folder).rows, PlainInOrder(path));
    writer.Do("INSERT INTO records VALUES(1000, 't', 1);");
    Discovery text = Discover(path, folder);
    EXPECT_EQ(text.how, DiscoveryCache::How::Ran);
    EXPECT_EQ(text.rows, PlainInOrder(path));
    writer.Do("DELETE FROM records WHERE typeof(Camera) = 'text';");
    writer.Do("CREATE INDEX byCamera ON records(Camera);");
    EXPECT_EQ(Discover(path, folder).rows, PlainInOrder(path));
    writer.Do("INSERT INTO records VALUES(-5, 't', 1);");
    const Discovery indexed = Discover(path, folder);
    EXPECT_EQ(indexed.how, DiscoveryCache::How::Ran);
    EXPECT_EQ(indexed.rows, PlainInOrder(path));
}

// The same through recnetd: appends in a write-ahead log reach the client at once.
TEST(DiscoveryExtendTest, ServerAnswerFollowsAppends) {
    TempDir dir;
    const std::string root = dir / "data";
    WriteSampleRoot(root);
    const std::string path = root + "/" + SampleRelativePath(1);
    { Conn(path).Do("PRAGMA journal_mode=WAL;"); }
    Age(path, 10);
    Conn writer(path);
    writer.Do("PRAGMA wal_autocheckpoint=0;");
    TestServer server({root});
    ASSERT_TRUE(server.Start());
    ClientHolder client(server.NewClient());
    ASSERT_TRUE(client);
    ASSERT_EQ(client->OpenDatabase(path.c_str()), 1);
    const auto ask = [&] {
        Rows rows;
        EXPECT_EQ(client->Exec(kStatement, CollectRows, &rows), 1);
        std::vector<std::string> out;
        for (const auto& row : rows.rows) out.push_back(row[0] ? *row[0] : "NULL");
        return out;
    };
    EXPECT_EQ(ask(), PlainInOrder(path));
    for (int camera : {9, 2, 12}) {
        writer.Do("INSERT INTO Records(Camera) VALUES(" + std::to_string(camera) + ");");
        EXPECT_EQ(ask(), PlainInOrder(path)) << camera;
    }
    writer.Do("UPDATE Records SET Camera = 30 WHERE Camera = 9;");
    EXPECT_EQ(ask(), PlainInOrder(path));
}

}  // namespace
}  // namespace zl::testkit
