// Pointing queue sites at the file of the chosen measure.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "DataTestKit.h"
#include "data/QueueDatabase.h"
#include "recnet/RecNet.h"
#include "store/SiteRecord.h"

namespace zl {

namespace {

TEST(QueuePath, MeasureFileBelowTheRoot) {
    struct Case {
        const char* path;
        int measure;
        const char* expected;
    };
    const Case cases[] = {
        {"D:\\Data", 3, "D:\\Data\\QueueLengthData\\QueueLengthMonitoringWaiting.db"},
        {"D:\\Data", 0, "D:\\Data\\QueueLengthData\\QueueLengthMonitoringWaiting.db"},
        {"D:\\Data", 2, "D:\\Data\\QueueLengthData\\QueueLengthMonitoringServed.db"},
        {"D:\\Data", 1, "D:\\Data\\QueueLengthData\\QueueLengthMonitoring.db"},
        {"/data", 2, "/data/QueueLengthData/QueueLengthMonitoringServed.db"},
        // Repeated refreshes of a server path stay below the same root.
        {"D:\\Data\\QueueLengthData\\QueueLengthMonitoringServed.db", 0,
         "D:\\Data\\QueueLengthData\\QueueLengthMonitoringWaiting.db"},
        {"/data/QueueLengthData/QueueLengthMonitoringWaiting.db", 1,
         "/data/QueueLengthData/QueueLengthMonitoring.db"},
        {"D:\\Data", 4, ""},
        {"D:\\Data", -1, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QueueDatabasePath(c.path, c.measure), c.expected) << c.path << " " << c.measure;
}

// The three queue files, each holding a table that names it.
class QueueSites : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"QueueLengthMonitoring", "QueueLengthMonitoringWaiting",
                                 "QueueLengthMonitoringServed"}) {
            ASSERT_TRUE(MakeDb(dir_.File(std::string("QueueLengthData/") + name + ".db"),
                               {"CREATE TABLE marker(name TEXT);",
                                std::string("INSERT INTO marker VALUES('") + name + "');"}));
        }
    }
    static std::string OpenedFile(RecNetLocal* db) {
        if (db == nullptr) return "<none>";
        std::string name = "<not open>";
        db->Exec(
            "SELECT name FROM marker;",
            [](void* ctx, int, char** texts, char**) {
                *static_cast<std::string*>(ctx) = texts[0] ? texts[0] : "";
                return 0;
            },
            &name);
        return name;
    }
    static SiteRecord LocalSite(const std::string& path, int counterType) {
        SiteRecord s;
        s.connectionType = kConnLocal;
        s.counterType = counterType;
        s.localDB = path;
        return s;
    }

    TempFolder dir_;
};

TEST_F(QueueSites, ALocalFileIsSwappedForTheMeasuresFile) {
    const std::string main = dir_.File("QueueLengthData/QueueLengthMonitoring.db");
    const char* expected[] = {"QueueLengthMonitoringWaiting", "QueueLengthMonitoring",
                              "QueueLengthMonitoringServed", "QueueLengthMonitoringWaiting"};
    for (int m = 0; m < 4; ++m) {
        SiteRecord s = LocalSite(main, 7);
        ASSERT_EQ(OpenQueueDatabase(m, s), 1);
        EXPECT_EQ(OpenedFile(s.localDb), expected[m]) << m;
        EXPECT_EQ(s.localDB, main);  // the stored path stays the main file
        DestroyRecNetLocal(&s.localDb);
    }
}

TEST_F(QueueSites, ALocalFolderOpensTheMeasuresFile) {
    SiteRecord s = LocalSite(dir_.Path(), 7);
    ASSERT_EQ(OpenQueueDatabase(3, s), 1);
    EXPECT_EQ(OpenedFile(s.localDb), "QueueLengthMonitoringWaiting");
    EXPECT_EQ(s.localDB, dir_.Path());
    DestroyRecNetLocal(&s.localDb);
}

TEST_F(QueueSites, RefusedAndIgnoredSites) {
    // A database file of another counter type is left alone.
    SiteRecord people = LocalSite(dir_.File("PeopleCounterData/PeopleCounter.db"), 1);
    RecNetLocal* before = CreateRecNetLocal();
    people.localDb = before;
    EXPECT_EQ(OpenQueueDatabase(2, people), 0);
    EXPECT_EQ(people.localDb, before);
    // A measure outside 0..3 changes nothing.
    SiteRecord queue = LocalSite(dir_.Path(), 7);
    EXPECT_EQ(OpenQueueDatabase(4, queue), 0);
    EXPECT_EQ(queue.localDb, nullptr);
    // A device site keeps its handles.
    SiteRecord device = LocalSite(dir_.Path(), 7);
    device.connectionType = kConnDevice;
    EXPECT_EQ(OpenQueueDatabase(2, device), 1);
    EXPECT_EQ(device.localDb, nullptr);
    EXPECT_EQ(device.clientOther, nullptr);
    DestroyRecNetLocal(&before);
}

TEST_F(QueueSites, RefreshRepointsEveryQueueSiteOfTheList) {
    std::vector<SiteRecord> sites{
        LocalSite(dir_.Path(), 7), LocalSite(dir_.File("PeopleCounterData/PeopleCounter.db"), 1),
        LocalSite(dir_.File("QueueLengthData/QueueLengthMonitoring.db"), 7)};
    RefreshQueueSites(sites, 5, 2);  // not the queue type: nothing
    for (const SiteRecord& s : sites) EXPECT_EQ(s.localDb, nullptr);

    RefreshQueueSites(sites, 7, 2);
    EXPECT_EQ(OpenedFile(sites[0].localDb), "QueueLengthMonitoringServed");
    EXPECT_EQ(sites[1].localDb, nullptr);
    EXPECT_EQ(OpenedFile(sites[2].localDb), "QueueLengthMonitoringServed");

    RefreshQueueSites(sites, 7, 1);  // the old objects are replaced, not leaked
    EXPECT_EQ(OpenedFile(sites[0].localDb), "QueueLengthMonitoring");
    EXPECT_EQ(OpenedFile(sites[2].localDb), "QueueLengthMonitoring");
    for (SiteRecord& s : sites) DestroyRecNetLocal(&s.localDb);
}

TEST_F(QueueSites, AServerThatCannotBeReachedKeepsItsPath) {
    SiteRecord s;
    s.connectionType = kConnServer;
    s.counterType = 7;
    s.ipAddress = "127.0.0.1";
    s.port = "1";  // nothing listens there
    s.localDB = "D:\\Data";
    EXPECT_EQ(OpenQueueDatabase(2, s), 1);
    EXPECT_EQ(s.localDB, "D:\\Data");
    RecNetClose(&s.clientOther);
}

}  // namespace

// Every connect through RecNetConnect (the worker's own client, the queue re-pointing) waits as
// long as the others: a slow link must not leave the queue on the previous measure's file.
namespace {
struct DeadlineClient : RecNetClient {
    int timeOut = -1;
    int Connect(const char*, int, int timeOutMs) override {
        timeOut = timeOutMs;
        return 1;
    }
    int Login(const char*, const char*) override { return 1; }
    int Close() override { return 1; }
    int IsConnected() override { return 0; }
    int OpenDatabase(const char*) override { return 1; }
    int Exec(const char*, RecNetRowCallback, void*) override { return 1; }
    int GetPeopleDbPaths(char*, char*, int) override { return 0; }
    int GetMonthDays(const char*, const char*, uint16_t, uint16_t, uint16_t, int,
                     uint8_t*) override {
        return 0;
    }
    int GetServerName(char*, int) override { return 0; }
    int GetDatabaseCount() override { return 0; }
    int GetDatabaseEntry(int, int*, char*, int) override { return 0; }
};
}  // namespace

TEST(RecNetConnect, UsesTheCommonDeadline) {
    DeadlineClient client;
    RecNetClient* handle = &client;
    EXPECT_EQ(RecNetConnect(&handle, "127.0.0.1", 1), 1);
    EXPECT_EQ(client.timeOut, kRecNetConnectTimeOutMs);
    EXPECT_GE(kRecNetConnectTimeOutMs, 10000);
}

// A refused connection is an answer: it ends the connect without waiting for the deadline
// (a day-marks request or a query over a site whose server is down must not hang for it).
TEST(RecNetConnect, ARefusedPortFailsBeforeTheDeadline) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len), 0);
    ::close(fd);  // nothing listens on the port now
    RecNetClient* client = nullptr;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RecNetConnect(&client, "127.0.0.1", ntohs(addr.sin_port)), 0);
    const auto waited = std::chrono::steady_clock::now() - start;
    DestroyRecNetClient(&client);
    EXPECT_LT(waited, std::chrono::milliseconds(kRecNetConnectTimeOutMs));
}

}  // namespace zl
