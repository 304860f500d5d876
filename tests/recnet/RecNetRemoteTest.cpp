// The remote client against an in-process recnetd on 127.0.0.1: the same rows as the local
// object for the same SQL, the listings, sessions, restarts and files that go away.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "Await.h"
#include "RecNetTestKit.h"
#include "recnet/RecNet.h"
#include "recnet/RemoteClient.h"

namespace zl::testkit {
namespace {

std::string LastErrorOf(RecNetClient* client) {
    return static_cast<recnet::RemoteClient*>(client)->LastError();
}

class RecNetRemoteTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = dir_ / "data";
        WriteSampleRoot(root_);
        server_ = std::make_unique<TestServer>(std::vector<std::string>{root_});
        ASSERT_TRUE(server_->Start());
    }

    std::string PathOf(int kind) const { return root_ + "/" + SampleRelativePath(kind); }

    TempDir dir_;
    std::string root_;
    std::unique_ptr<TestServer> server_;
};

// Statements per kind as the report builders and the camera discovery send them, plus a few
// that exercise NULLs, reals, texts and empty answers.
std::vector<std::string> StatementsFor(int kind) {
    const std::string table = SampleTable(kind);
    const std::string time = SampleTimeColumn(kind);
    std::vector<std::string> out = {
        "select name from sqlite_master where type = 'table';",
        "SELECT DISTINCT Camera from " + table + ";",
        "SELECT * FROM " + table + " WHERE " + time +
            " BETWEEN '2024-03-05 00:00:00' AND "
            "'2024-03-05 23:59:59' ORDER BY ID;",
        "SELECT COUNT(*), MIN(" + time + "), MAX(" + time + ") FROM " + table + ";",
        "SELECT * FROM " + table + " WHERE 0;",
        "SELECT NULL, 1.5, 'text', x'41', -7;",
    };
    switch (kind) {
        case 1:
            out.push_back(
                "SELECT SUM(Inward), SUM(Outward) from Records where (Camera= 1 OR "
                "Camera= 2) AND EnterTime BETWEEN '2024-03-05 12:00:00' AND "
                "'2024-03-05 12:59:59';");
            break;
        case 2:
            out.push_back(
                "SELECT COUNT(InOut) from _3DRecords where InOut = 1 AND (Camera= 1) "
                "AND Height >=160 AND Height <=180 AND (Camera= 1) AND Time BETWEEN "
                "'2024-03-05 00:00:00' AND '2024-03-05 23:59:59';");
            break;
        case 3:
            out.push_back(
                "SELECT SUM(Count1)+SUM(Count3) from records where (Camera= 1) AND "
                "StartTime BETWEEN '2024-03-01 00:00:00' AND '2024-03-01 23:59:59';");
            break;
        case 4:
        case 7:
            out.push_back(
                "SELECT SUM(AverageCount)/COUNT(AverageCount) from records where "
                "(Camera= 2) AND StartTime BETWEEN '2024-03-05 10:00:00' AND "
                "'2024-03-05 10:14:59';");
            break;
        case kQueueWaitingKind:
            out.push_back(
                "SELECT SUM(strftime('%S',WaitingTime))/COUNT(WaitingTime) from "
                "records where (Camera= 1 AND Queue=2 ) AND StartTime BETWEEN "
                "'2024-03-01 00:00:00' AND '2024-03-10 23:59:59';");
            break;
        case kQueueServedKind:
            out.push_back(
                "SELECT SUM(strftime('%S',ServedTime))/COUNT(ServedTime) from records "
                "where (Camera= 1 AND Counter=1 ) AND StartTime BETWEEN "
                "'2024-03-01 00:00:00' AND '2024-03-10 23:59:59';");
            break;
        default:
            break;
    }
    return out;
}

TEST_F(RecNetRemoteTest, EveryStatementGivesTheSameRowsLocallyAndRemotely) {
    ClientHolder client(server_->NewClient());
    ASSERT_TRUE(client);
    for (int kind = 1; kind <= 9; ++kind) {
        RecNetLocal* local = CreateRecNetLocal();
        ASSERT_EQ(local->Open(PathOf(kind).c_str()), 1);
        ASSERT_EQ(client->OpenDatabase(PathOf(kind).c_str()), 1) << LastErrorOf(client.client);
        for (const std::string& sql : StatementsFor(kind)) {
            Rows localRows, remoteRows;
            EXPECT_EQ(local->Exec(sql.c_str(), CollectRows, &localRows), 1) << sql;
            EXPECT_EQ(client->Exec(sql.c_str(), CollectRows, &remoteRows), 1)
                << sql << ": " << LastErrorOf(client.client);
            EXPECT_EQ(localRows, remoteRows)
                << "kind " << kind << ": " << sql << "\nlocal  " << Describe(localRows)
                << "\nremote " << Describe(remoteRows);
        }
        uint8_t localFlags[42] = {}, remoteFlags[42] = {};
        EXPECT_EQ(local->GetMonthDays(SampleTable(kind).c_str(), SampleTimeColumn(kind).c_str(),
                                      2024, 2, 25, 42, localFlags),
                  1);
        EXPECT_EQ(client->GetMonthDays(SampleTable(kind).c_str(), SampleTimeColumn(kind).c_str(),
                                       2024, 2, 25, 42, remoteFlags),
                  1)
            << LastErrorOf(client.client);
        EXPECT_EQ(0, std::memcmp(localFlags, remoteFlags, sizeof localFlags)) << "kind " << kind;
        EXPECT_EQ(remoteFlags[1], 1);
        EXPECT_EQ(remoteFlags[8], 0);
        DestroyRecNetLocal(&local);
    }
}

TEST_F(RecNetRemoteTest, LargeAnswersArriveCompleteAndInOrder) {
    ClientHolder client(server_->NewClient());
    ASSERT_TRUE(client);
    ASSERT_EQ(client->OpenDatabase(PathOf(1).c_str()), 1);
    const std::string sql =
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000) "
        "SELECT i, substr(i || '" +
        std::string(100, '-') + "', 1, 100) FROM n;";
    Rows rows;
    ASSERT_EQ(client->Exec(sql.c_str(), CollectRows, &rows), 1) << LastErrorOf(client.client);
    ASSERT_EQ(rows.rows.size(), 5000u);
    for (size_t i = 0; i < rows.rows.size(); ++i) {
        ASSERT_EQ(*rows.rows[i][0], std::to_string(i + 1));
    }
    EXPECT_EQ(rows.rows[4999][1]->size(), 100u);
}

int StopAfterFirst(void* context, int, char**, char**) {
    ++*static_cast<int*>(context);
    return 1;
}

TEST_F(RecNetRemoteTest, ACallbackThatAnswersNonZeroStopsTheRun) {
    ClientHolder client(server_->NewClient());
    ASSERT_EQ(client->OpenDatabase(PathOf(1).c_str()), 1);
    int calls = 0;
    EXPECT_EQ(client->Exec("SELECT Camera FROM Records;", StopAfterFirst, &calls), 0);
    EXPECT_EQ(calls, 1);
    Rows rows;  // the session is still usable
    EXPECT_EQ(client->Exec("SELECT 1;", CollectRows, &rows), 1);
}

TEST_F(RecNetRemoteTest, ListsEveryServedDatabaseWithItsType) {
    ClientHolder client(server_->NewClient());
    ASSERT_TRUE(client);
    ASSERT_EQ(client->GetDatabaseCount(), 9);
    const int expectedTypes[] = {1, 2, 3, 4, 5, 6, 7, 7, 7};
    for (int i = 0; i < 9; ++i) {
        int type = 0;
        char path[260] = {};
        ASSERT_EQ(client->GetDatabaseEntry(i, &type, path, sizeof path), 1);
        EXPECT_EQ(type, expectedTypes[i]);
        EXPECT_EQ(std::string(path), PathOf(i + 1));
    }
    int type = 0;
    char path[260];
    EXPECT_EQ(client->GetDatabaseEntry(9, &type, path, sizeof path), 0);
    EXPECT_EQ(client->GetDatabaseEntry(-1, &type, path, sizeof path), 0);
    char small[6];
    ASSERT_EQ(client->GetDatabaseEntry(0, &type, small, sizeof small), 1);
    EXPECT_EQ(std::string(small), PathOf(1).substr(0, 5));
}

TEST_F(RecNetRemoteTest, PeoplePathsAndServerName) {
    ClientHolder client(server_->NewClient());
    ASSERT_TRUE(client);
    char path2D[260], path3D[260], name[260];
    ASSERT_EQ(client->GetPeopleDbPaths(path2D, path3D, 260), 1);
    EXPECT_EQ(std::string(path2D), PathOf(1));
    EXPECT_EQ(std::string(path3D), PathOf(2));
    ASSERT_EQ(client->GetServerName(name, sizeof name), 1);
    EXPECT_STREQ(name, "test-server");
    char cut[5];
    ASSERT_EQ(client->GetServerName(cut, sizeof cut), 1);
    EXPECT_STREQ(cut, "test");

    // Without a 3D database its path is empty.
    ASSERT_EQ(::unlink(PathOf(2).c_str()), 0);
    ASSERT_EQ(client->GetPeopleDbPaths(path2D, path3D, 260), 1);
    EXPECT_EQ(std::string(path2D), PathOf(1));
    EXPECT_STREQ(path3D, "");
    EXPECT_EQ(client->GetDatabaseCount(), 8);
}

TEST_F(RecNetRemoteTest, NothingWorksBeforeLogin) {
    ClientHolder client(server_->NewClient(false));
    ASSERT_TRUE(client);
    char buffer[260];
    uint8_t flags[42] = {};
    EXPECT_EQ(client->IsConnected(), 1);
    EXPECT_EQ(client->GetServerName(buffer, sizeof buffer), 0);
    EXPECT_EQ(client->OpenDatabase(PathOf(1).c_str()), 0);
    EXPECT_EQ(client->Exec("SELECT 1;", CollectRows, nullptr), 0);
    EXPECT_EQ(client->GetPeopleDbPaths(buffer, buffer, 260), 0);
    EXPECT_EQ(client->GetMonthDays("Records", "EnterTime", 2024, 3, 1, 42, flags), 0);
    EXPECT_EQ(client->GetDatabaseCount(), 0);
}

TEST_F(RecNetRemoteTest, WrongPasswordAndUnknownUserGetTheSameAnswer) {
    ClientHolder client(server_->NewClient(false));
    ASSERT_TRUE(client);
    EXPECT_EQ(client->Login(TestServer::kUser, "wrong"), 0);
    const std::string wrongPassword = LastErrorOf(client.client);
    EXPECT_EQ(client->Login("mallory", "wrong"), 0);
    EXPECT_EQ(LastErrorOf(client.client), wrongPassword);
    EXPECT_EQ(client->Login("", ""), 0);
    EXPECT_EQ(client->Login(nullptr, nullptr), 0);
    EXPECT_EQ(LastErrorOf(client.client), wrongPassword);
    EXPECT_EQ(client->Login(TestServer::kUser, TestServer::kPassword), 1);
    char name[260];
    EXPECT_EQ(client->GetServerName(name, sizeof name), 1);
}

TEST_F(RecNetRemoteTest, OpenRefusesPathsThatAreNotServed) {
    ClientHolder client(server_->NewClient());
    ASSERT_TRUE(client);
    std::string windowsStyle = PathOf(1);
    for (char& c : windowsStyle) {
        if (c == '/') c = '\\';
    }
    EXPECT_EQ(client->OpenDatabase(windowsStyle.c_str()), 1);  // '\' is read as '/'
    for (const std::string& path :
         {root_, root_ + "/PeopleCounterData/../PeopleCounterData/PeopleCounter.db",
          "file:" + PathOf(1), std::string("PeopleCounterData/PeopleCounter.db"),
          std::string("/etc/passwd"), root_ + "/PeopleCounterData/Other.db", std::string("")}) {
        EXPECT_EQ(client->OpenDatabase(path.c_str()), 0) << path;
    }
}

TEST_F(RecNetRemoteTest, ExpiredSessionIsRefusedAndTheUsualRecoveryWorks) {
    server_->Stop();
    // Long enough that the first calls are in time on a loaded machine; the test then waits
    // for the server to end the idle session rather than for a fixed time.
    server_->Config().limits.sessionIdleMs = 3000;
    ASSERT_TRUE(server_->Start());
    ClientHolder client(server_->NewClient());
    ASSERT_TRUE(client);
    ASSERT_EQ(client->OpenDatabase(PathOf(1).c_str()), 1);
    char name[260];
    ASSERT_EQ(client->GetServerName(name, sizeof name), 1);
    ASSERT_TRUE(zl::testsupport::WaitUntil([&] { return server_->Server()->SessionCount() == 0; },
                                           std::chrono::seconds(60)));
    Rows rows;
    EXPECT_EQ(client->Exec("SELECT 1;", CollectRows, &rows), 0);
    EXPECT_NE(LastErrorOf(client.client).find("log in again"), std::string::npos);
    // What a report query does when GetServerName answers 0.
    ASSERT_EQ(client->GetServerName(name, sizeof name), 0);
    client->Close();
    ASSERT_EQ(client->Connect("127.0.0.1", server_->Port(), 30000), 1);
    ASSERT_EQ(client->Login(TestServer::kUser, TestServer::kPassword), 1);
    ASSERT_EQ(client->OpenDatabase(PathOf(1).c_str()), 1);
    EXPECT_EQ(client->Exec("SELECT 1;", CollectRows, &rows), 1);
}

TEST_F(RecNetRemoteTest, ReconnectsAfterTheServerRestarts) {
    ClientHolder client(server_->NewClient());
    ASSERT_TRUE(client);
    ASSERT_EQ(client->OpenDatabase(PathOf(5).c_str()), 1);
    Rows before;
    ASSERT_EQ(client->Exec("SELECT COUNT(*) FROM records;", CollectRows, &before), 1);

    const int port = server_->Port();
    server_->Stop();
    char name[260];
    EXPECT_EQ(client->GetServerName(name, sizeof name), 0);
    server_->Config().port = port;
    ASSERT_TRUE(server_->Start());
    ASSERT_EQ(server_->Port(), port);

    // The old session died with the old server: the usual sequence gets a new one.
    EXPECT_EQ(client->GetServerName(name, sizeof name), 0);
    client->Close();
    ASSERT_EQ(client->Connect("127.0.0.1", port, 30000), 1);
    ASSERT_EQ(client->Login(TestServer::kUser, TestServer::kPassword), 1);
    ASSERT_EQ(client->OpenDatabase(PathOf(5).c_str()), 1);
    Rows after;
    ASSERT_EQ(client->Exec("SELECT COUNT(*) FROM records;", CollectRows, &after), 1);
    EXPECT_EQ(before, after);
}

TEST_F(RecNetRemoteTest, ConnectWrapperKeepsALiveConnection) {
    RecNetClient* client = nullptr;
    ASSERT_EQ(RecNetConnect(&client, "127.0.0.1", server_->Port()), 1);
    ASSERT_NE(client, nullptr);
    ASSERT_EQ(client->Login(TestServer::kUser, TestServer::kPassword), 1);
    RecNetClient* same = client;
    EXPECT_EQ(RecNetConnect(&client, "127.0.0.1", server_->Port()), 1);
    EXPECT_EQ(client, same);
    char name[260];
    EXPECT_EQ(client->GetServerName(name, sizeof name), 1);  // still the same session
    RecNetClose(&client);
    EXPECT_EQ(client, nullptr);
}

TEST_F(RecNetRemoteTest, ADatabaseThatDisappears) {
    ClientHolder client(server_->NewClient());
    ASSERT_TRUE(client);
    ASSERT_EQ(client->OpenDatabase(PathOf(4).c_str()), 1);
    Rows rows;
    ASSERT_EQ(client->Exec("SELECT COUNT(*) FROM records;", CollectRows, &rows), 1);

    ASSERT_EQ(::unlink(PathOf(4).c_str()), 0);
    EXPECT_EQ(client->Exec("SELECT COUNT(*) FROM records;", CollectRows, &rows), 0);
    EXPECT_NE(LastErrorOf(client.client).find("no longer available"), std::string::npos);
    EXPECT_EQ(client->OpenDatabase(PathOf(4).c_str()), 0);
    EXPECT_EQ(client->GetDatabaseCount(), 8);

    // A new file at the same path is served again; an open session picks it up too.
    ASSERT_TRUE(ExecWritable(PathOf(4),
                             "CREATE TABLE records (Camera, StartTime, AverageCount);"
                             "INSERT INTO records VALUES (5, '2024-01-01', 1);"));
    ASSERT_EQ(client->OpenDatabase(PathOf(4).c_str()), 1);
    ASSERT_TRUE(ExecWritable(dir_ / "new.db",
                             "CREATE TABLE records (Camera);"
                             "INSERT INTO records VALUES (42);"));
    ASSERT_EQ(::rename((dir_ / "new.db").c_str(), PathOf(4).c_str()), 0);
    Rows replaced;
    ASSERT_EQ(client->Exec("SELECT Camera FROM records;", CollectRows, &replaced), 1)
        << LastErrorOf(client.client);
    ASSERT_EQ(replaced.rows.size(), 1u);
    EXPECT_EQ(*replaced.rows[0][0], "42");
}

TEST_F(RecNetRemoteTest, SeveralClientsInSeveralThreads) {
    std::mutex mutex;
    std::vector<std::string> failures;
    const auto fail = [&](int t, const std::string& what) {
        std::lock_guard<std::mutex> lock(mutex);
        failures.push_back("client " + std::to_string(t) + ": " + what);
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            ClientHolder client(server_->NewClient());
            const int kind = 1 + t * 2;
            if (!client) return fail(t, "no connected, logged-in client");
            if (!client->OpenDatabase(PathOf(kind).c_str()))
                return fail(t, "open: " + LastErrorOf(client.client));
            RecNetLocal* local = CreateRecNetLocal();
            local->Open(PathOf(kind).c_str());
            const std::string sql = "SELECT Camera, " + SampleTimeColumn(kind) + " FROM " +
                                    SampleTable(kind) + " WHERE ID % 7 = " + std::to_string(t) +
                                    ";";
            Rows expected;
            local->Exec(sql.c_str(), CollectRows, &expected);
            DestroyRecNetLocal(&local);
            for (int i = 0; i < 15; ++i) {
                Rows rows;
                if (!client->Exec(sql.c_str(), CollectRows, &rows))
                    fail(t, "exec: " + LastErrorOf(client.client));
                else if (!(rows == expected))
                    fail(t, "other rows: " + Describe(rows));
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_TRUE(failures.empty()) << ::testing::PrintToString(failures);
}

TEST_F(RecNetRemoteTest, CloseEndsTheSessionOnTheServer) {
    ClientHolder client(server_->NewClient());
    ASSERT_TRUE(client);
    EXPECT_EQ(server_->Server()->SessionCount(), 1u);
    client->Close();
    EXPECT_EQ(server_->Server()->SessionCount(), 0u);
    EXPECT_EQ(client->IsConnected(), 0);
}

}  // namespace
}  // namespace zl::testkit
