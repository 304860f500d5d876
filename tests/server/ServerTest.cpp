// recnetd's behaviour as a whole: slow statements do not hold up logins, the back-off, the
// session cap, the log, TLS, and stopping while a statement runs.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "Await.h"
#include "RecNetTestKit.h"
#include "UserStore.h"
#include "recnet/RecNetTls.h"
#include "recnet/RemoteClient.h"

namespace zl::testkit {
namespace {

constexpr const char* kEndless =
    "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT count(*) FROM c;";

std::string LastErrorOf(RecNetClient* client) {
    return static_cast<recnet::RemoteClient*>(client)->LastError();
}

// Runs `sql` and sends it again while the server turns it away as busy (a probe of the test may
// hold a slot at the instant it arrives), until it has run or `stopping` is set.
int ExecWhenAdmitted(RecNetClient* client, const char* sql, const std::atomic<bool>& stopping) {
    int r = 0;
    do {
        r = client->Exec(sql, nullptr, nullptr);
    } while (r == 0 && !stopping && LastErrorOf(client).find("busy") != std::string::npos);
    return r;
}

int64_t MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

class ServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = dir_ / "data";
        WriteSampleRoot(root_);
        server_ = std::make_unique<TestServer>(std::vector<std::string>{root_});
    }
    std::string PeoplePath() const { return root_ + "/PeopleCounterData/PeopleCounter.db"; }

    TempDir dir_;
    std::string root_;
    std::unique_ptr<TestServer> server_;
};

TEST_F(ServerTest, LoginAndListingDoNotWaitBehindSlowStatements) {
    server_->Config().limits.statementTimeoutMs = 120000;
    server_->Config().limits.maxConcurrentStatements = 4;
    server_->Config().limits.maxQueuedStatements = 0;
    server_->Config().limits.maxStatementsPerUser = 4;  // one user may fill every slot here
    ASSERT_TRUE(server_->Start());
    std::vector<std::unique_ptr<ClientHolder>> slow;
    for (int i = 0; i < 4; ++i) {
        slow.push_back(std::make_unique<ClientHolder>(server_->NewClient()));
        ASSERT_TRUE(*slow.back());
        ASSERT_EQ((*slow.back())->OpenDatabase(PeoplePath().c_str()), 1);
    }
    std::vector<std::thread> threads;
    std::atomic<int> finished{0};
    std::atomic<bool> stopping{false};
    // Stopping the server ends the four statements: done on every path, so a failed check
    // below does not leave their threads waiting.
    zl::testsupport::ScopeExit endStatements([&] {
        stopping = true;
        server_->Stop();
        for (std::thread& thread : threads) thread.join();
    });
    for (auto& holder : slow) {
        threads.emplace_back([&, client = holder->client] {
            ExecWhenAdmitted(client, kEndless, stopping);
            ++finished;
        });
    }

    // Once the four are running, a fifth statement is turned away at once rather than queued
    // behind them (until then it may still find a free slot).
    ClientHolder fifth(server_->NewClient());
    ASSERT_TRUE(fifth);
    ASSERT_EQ(fifth->OpenDatabase(PeoplePath().c_str()), 1);
    ASSERT_TRUE(zl::testsupport::WaitUntil([&] {
        return fifth->Exec("SELECT 1;", nullptr, nullptr) == 0 &&
               LastErrorOf(fifth.client).find("busy") != std::string::npos;
    }));
    ASSERT_EQ(finished.load(), 0);

    const auto started = std::chrono::steady_clock::now();
    ClientHolder client(CreateRecNetClient());
    ASSERT_EQ(client->Connect("127.0.0.1", server_->Port(), 30000), 1);
    ASSERT_EQ(client->Login(TestServer::kUser, TestServer::kPassword), 1);
    char name[260];
    EXPECT_EQ(client->GetServerName(name, sizeof name), 1);
    EXPECT_EQ(client->GetDatabaseCount(), 9);
    const int64_t ms = MsSince(started);
    std::printf("login and listing took %lld ms while four statements ran\n",
                static_cast<long long>(ms));
    // Generous for a loaded machine (the password check alone is slow on purpose, and four
    // statements keep both cores busy); waiting behind the statements would take their 120 s.
    EXPECT_LT(ms, 40000);
    EXPECT_EQ(finished.load(), 0);
}

TEST_F(ServerTest, RepeatedFailuresBackOffPerUser) {
    server_->Config().limits.userFailuresBeforeBackoff = 2;
    server_->Config().limits.backoffBaseMs = 60000;
    server_->Config().limits.backoffMaxMs = 60000;
    ASSERT_TRUE(server_->Start());
    // A second user, added while the server runs.
    std::string error;
    ASSERT_TRUE(recnetd::UserStore::AddUser(server_->Config().usersFile, "bob", "bobs pw", &error));

    ClientHolder client(server_->NewClient(false));
    ASSERT_TRUE(client);
    EXPECT_EQ(client->Login(TestServer::kUser, "wrong 1"), 0);
    EXPECT_EQ(client->Login(TestServer::kUser, "wrong 2"), 0);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(client->Login(TestServer::kUser, TestServer::kPassword), 0);  // locked out
    EXPECT_LT(MsSince(started), 10000);  // refused at once, not after the 60 s back-off
    EXPECT_EQ(LastErrorOf(client.client), "login refused");
    EXPECT_EQ(client->Login("bob", "bobs pw"), 1);  // another user from the same address
}

TEST_F(ServerTest, SessionCap) {
    server_->Config().limits.maxSessions = 2;
    ASSERT_TRUE(server_->Start());
    ClientHolder a(server_->NewClient()), b(server_->NewClient());
    ASSERT_TRUE(a);
    ASSERT_TRUE(b);
    ClientHolder c(server_->NewClient(false));
    EXPECT_EQ(c->Login(TestServer::kUser, TestServer::kPassword), 0);
    EXPECT_NE(LastErrorOf(c.client).find("too many sessions"), std::string::npos);
    a->Close();  // ends a session
    EXPECT_EQ(c->Login(TestServer::kUser, TestServer::kPassword), 1);
}

TEST_F(ServerTest, NoPasswordOrTokenInTheLog) {
    ASSERT_TRUE(server_->Start());
    ClientHolder client(server_->NewClient());  // logs in with the right password
    ASSERT_TRUE(client);
    ASSERT_EQ(client->OpenDatabase(PeoplePath().c_str()), 1);
    ASSERT_EQ(client->Exec("SELECT COUNT(*) FROM Records;", nullptr, nullptr), 1);
    ASSERT_EQ(client->Exec("DELETE FROM Records;", nullptr, nullptr), 0);
    const char* const secrets[] = {"Wrong-Secret-1", "Typed.Into.User", "with spaces pw"};
    EXPECT_EQ(client->Login(TestServer::kUser, secrets[0]), 0);
    EXPECT_EQ(client->Login(secrets[1], secrets[0]), 0);  // a password typed as the name
    EXPECT_EQ(client->Login(secrets[2], secrets[2]), 0);
    server_->Stop();
    const std::regex token("[0-9a-f]{64}");
    bool sawRefusal = false;
    for (const std::string& line : server_->LogLines()) {
        EXPECT_EQ(line.find(TestServer::kPassword), std::string::npos) << line;
        for (const char* secret : secrets) EXPECT_EQ(line.find(secret), std::string::npos) << line;
        EXPECT_FALSE(std::regex_search(line, token)) << line;
        sawRefusal = sawRefusal || line.find("login refused") != std::string::npos;
    }
    EXPECT_TRUE(sawRefusal);
}

TEST_F(ServerTest, StopEndsARunningStatementAtOnce) {
    server_->Config().limits.statementTimeoutMs = 60000;
    server_->Config().limits.maxConcurrentStatements = 1;
    server_->Config().limits.maxQueuedStatements = 0;
    ASSERT_TRUE(server_->Start());
    ClientHolder client(server_->NewClient());
    ClientHolder probe(server_->NewClient());
    ASSERT_TRUE(client);
    ASSERT_TRUE(probe);
    ASSERT_EQ(client->OpenDatabase(PeoplePath().c_str()), 1);
    ASSERT_EQ(probe->OpenDatabase(PeoplePath().c_str()), 1);
    std::atomic<int> result{-1};
    std::atomic<bool> stopping{false};
    std::thread slow([&] { result = ExecWhenAdmitted(client.client, kEndless, stopping); });
    zl::testsupport::ScopeExit join([&] {
        stopping = true;
        server_->Stop();
        slow.join();
    });
    // The one slot is taken once the statement runs: the probe is then turned away.
    ASSERT_TRUE(zl::testsupport::WaitUntil([&] {
        return probe->Exec("SELECT 1;", nullptr, nullptr) == 0 &&
               LastErrorOf(probe.client).find("busy") != std::string::npos;
    }));
    const auto started = std::chrono::steady_clock::now();
    stopping = true;
    server_->Stop();
    // Far above the normal time (well under a second); a stop that waited for the statement
    // would take its 60 s.
    EXPECT_LT(MsSince(started), 20000);
    ASSERT_TRUE(zl::testsupport::WaitUntil([&] { return result.load() != -1; }));
    EXPECT_EQ(result.load(), 0);
}

TEST_F(ServerTest, ASessionOutlivesItsIdleTimeDuringItsOwnCall) {
    server_->Config().limits.statementTimeoutMs = 2500;
    server_->Config().limits.sessionIdleMs = 400;  // the sweep runs every 100 ms
    ASSERT_TRUE(server_->Start());
    ClientHolder client(server_->NewClient());
    ASSERT_TRUE(client);
    ASSERT_EQ(client->OpenDatabase(PeoplePath().c_str()), 1);
    EXPECT_EQ(client->Exec(kEndless, nullptr, nullptr), 0);
    EXPECT_NE(LastErrorOf(client.client).find("time limit"), std::string::npos)
        << LastErrorOf(client.client);
    // The call just ended: the session counts as used now, not 2.5 s ago.
    char name[260];
    EXPECT_EQ(client->GetServerName(name, sizeof name), 1) << LastErrorOf(client.client);
}

TEST_F(ServerTest, APortInUseIsReported) {
    ASSERT_TRUE(server_->Start());
    recnetd::ServerConfig config = server_->Config();
    config.port = server_->Port();
    recnetd::RecNetServer second(config, [](const std::string&) {});
    std::string error;
    EXPECT_FALSE(second.Start(&error));
    EXPECT_NE(error.find("cannot listen"), std::string::npos) << error;
}

TEST_F(ServerTest, TlsWhenConfigured) {
    std::string cert, key, pem;
    if (!WriteSelfSignedCertificate(dir_.Path(), &cert, &key, &pem)) GTEST_SKIP() << "no openssl";
    server_->Config().tlsCertFile = cert;
    server_->Config().tlsKeyFile = key;
    ASSERT_TRUE(server_->Start());

    ClientHolder plain(CreateRecNetClient());
    EXPECT_EQ(plain->Connect("127.0.0.1", server_->Port(), 1000), 0);

    RecNetSetTrustedCertificates(pem.c_str());
    ClientHolder secure(server_->NewClient());
    RecNetSetTrustedCertificates(nullptr);
    ASSERT_TRUE(secure);
    char name[260];
    EXPECT_EQ(secure->GetServerName(name, sizeof name), 1);
}

}  // namespace
}  // namespace zl::testkit
