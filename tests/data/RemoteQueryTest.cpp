// The engine against a real record-database server on 127.0.0.1: runs through a client of the
// run's own, the reconnection of a lost session, and queue sites re-pointed on the server.
#include <gtest/gtest.h>

#include "DataTestKit.h"
#include "RecNetServer.h"
#include "UserStore.h"
#include "data/QueryExec.h"
#include "data/QueueDatabase.h"
#include "data/SqlBuilders.h"
#include "data/SqlText.h"
#include "store/SiteRecord.h"

namespace zl {

namespace {

const SYSTEMTIME kDate = Day(2024, 3, 5);

class RemoteQuery : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = dir_.File("data");
        ASSERT_TRUE(CountingDb(root_ + "/PeopleCounterData/PeopleCounter.db")
                        .People2D()
                        .Records({{1, "2024-03-05 00:10:00", {3, 1}},
                                  {2, "2024-03-05 05:20:00", {10, 20}},
                                  {3, "2024-03-05 05:30:00", {7, 7}}})
                        .Write());
        for (const char* name : {"QueueLengthMonitoring", "QueueLengthMonitoringWaiting",
                                 "QueueLengthMonitoringServed"}) {
            ASSERT_TRUE(MakeDb(
                root_ + "/QueueLengthData/" + name + ".db",
                {"CREATE TABLE records(Camera INT, StartTime TEXT, AverageCount INT, Queue INT, "
                 "WaitingTime TEXT, ServedTime TEXT, Counter INT);",
                 "CREATE TABLE marker(name TEXT);",
                 std::string("INSERT INTO marker VALUES('") + name + "');"}));
        }
        zl::recnetd::ServerConfig config;
        config.address = "127.0.0.1";
        config.port = 0;
        config.serverName = "test-server";
        config.dataRoots = {root_};
        config.usersFile = dir_.File("users");
        config.logLevel = zl::recnetd::LogLevel::Error;
        std::string error;
        ASSERT_TRUE(zl::recnetd::UserStore::AddUser(config.usersFile, "viewer", "secret", &error))
            << error;
        server_ = std::make_unique<zl::recnetd::RecNetServer>(config);
        ASSERT_TRUE(server_->Start(&error)) << error;

        site_.connectionType = kConnServer;
        site_.ipAddress = "127.0.0.1";
        site_.port = std::to_string(server_->Port());
        site_.userName = "viewer";
        site_.password = "secret";
        hooks_.sink = &sink_;
        hooks_.prompt = &prompt_;
        hooks_.progress = &progress_;
    }
    void TearDown() override {
        if (server_) server_->Stop();
    }

    static std::string Marker(RecNetClient* client) {
        std::string name = "<none>";
        if (client == nullptr) return name;
        client->Exec(
            "SELECT name FROM marker;",
            [](void* ctx, int, char** texts, char**) {
                *static_cast<std::string*>(ctx) = texts[0] ? texts[0] : "";
                return 0;
            },
            &name);
        return name;
    }

    TempFolder dir_;
    std::string root_;
    std::unique_ptr<zl::recnetd::RecNetServer> server_;
    SiteRecord site_;
    VectorSink sink_;
    ScriptPrompt prompt_;
    CountingProgress progress_;
    QueryHooks hooks_;
};

TEST_F(RemoteQuery, ARunOnItsOwnClientAndALostSessionReopened) {
    site_.localDB = root_ + "/PeopleCounterData/PeopleCounter.db";
    RecNetClient* own = nullptr;
    ASSERT_EQ(ConnectOwnClient(&own, site_), 1);
    site_.client2D = own;
    ASSERT_EQ(Query2D(site_, CameraFilter({1, 2}), kReportDay, kDate, {}, hooks_), 1);
    ASSERT_EQ(sink_.rows.size(), 24u);
    EXPECT_EQ(sink_.rows[0].values, (std::vector<uint32_t>{3, 1, 0, 0}));
    EXPECT_EQ(sink_.rows[5].values, (std::vector<uint32_t>{10, 20, 0, 0}));

    // The session ends; the next query connects, logs in and opens the database again.
    own->Close();
    std::vector<SqlRow> rows;
    ASSERT_EQ(ExecuteOnce(site_, kFamily2D, "SELECT SUM(Inward) FROM Records;", rows), 1);
    EXPECT_EQ(rows, (std::vector<SqlRow>{{20}}));
    ReleaseOwnClient(&own);
    EXPECT_EQ(own, nullptr);
}

TEST_F(RemoteQuery, AWrongPasswordEndsInTheQuestion) {
    site_.localDB = root_ + "/PeopleCounterData/PeopleCounter.db";
    site_.password = "wrong";
    RecNetClient* own = nullptr;
    EXPECT_EQ(ConnectOwnClient(&own, site_), 0);
    site_.client2D = own;
    EXPECT_EQ(Query2D(site_, "Camera= 1", kReportDay, kDate, {}, hooks_), 0);
    EXPECT_EQ(prompt_.messages.size(), 1u);
    EXPECT_TRUE(progress_.aborted);
    EXPECT_TRUE(sink_.rows.empty());
    ReleaseOwnClient(&own);
}

TEST_F(RemoteQuery, QueueSitesFollowTheMeasureOnTheServer) {
    site_.counterType = 7;
    site_.localDB = root_;
    ASSERT_EQ(OpenQueueDatabase(2, site_), 1);
    EXPECT_EQ(site_.localDB, root_ + "/QueueLengthData/QueueLengthMonitoringServed.db");
    EXPECT_EQ(Marker(site_.clientOther), "QueueLengthMonitoringServed");

    std::vector<SiteRecord> sites{site_};
    RefreshQueueSites(sites, 7, 0);  // from the served file to the waiting file
    EXPECT_EQ(sites[0].localDB, root_ + "/QueueLengthData/QueueLengthMonitoringWaiting.db");
    EXPECT_EQ(Marker(sites[0].clientOther), "QueueLengthMonitoringWaiting");
    RefreshQueueSites(sites, 7, 1);
    EXPECT_EQ(sites[0].localDB, root_ + "/QueueLengthData/QueueLengthMonitoring.db");
    EXPECT_EQ(Marker(sites[0].clientOther), "QueueLengthMonitoring");
    RecNetClose(&sites[0].clientOther);
}

TEST_F(RemoteQuery, AGenericRunLeavesTheSiteListsClientAlone) {
    site_.counterType = 7;
    site_.localDB = root_;
    ASSERT_EQ(OpenQueueDatabase(1, site_), 1);
    RecNetClient* listClient = site_.clientOther;
    site_.cameras[0].checked = 1;
    GenericRunParams p;
    p.counterType = 7;
    p.queueMeasure = 1;
    p.regions = {1};
    p.range = kReportMonth;
    p.date = kDate;
    ASSERT_EQ(RunGenericSite(site_, p, hooks_), 1);
    EXPECT_EQ(sink_.rows.size(), 29u);
    EXPECT_EQ(site_.clientOther, listClient);
    EXPECT_EQ(Marker(listClient), "QueueLengthMonitoring");  // still connected and open
    RecNetClose(&site_.clientOther);
}

}  // namespace

}  // namespace zl
