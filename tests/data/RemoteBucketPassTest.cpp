// The bucket pass through recnetd: pieces that would leave their place and statements the
// server's own rules refuse are turned away, a cancel stops the server's statement, a server
// without the request is answered kUnusable (and the engine falls back), and the answer equals the
// local object's.
#include <grpcpp/grpcpp.h>
#include <gtest/gtest.h>

#include "DataTestKit.h"
#include "RecNetServer.h"
#include "UserStore.h"
#include "data/BucketPassRun.h"
#include "data/SqlBuilders.h"
#include "recnet/RecNetBucketPass.h"
#include "recnet/RemoteClient.h"
#include "recnet/proto/recnet.grpc.pb.h"
#include "store/SiteRecord.h"

namespace zl {

namespace {

using zl::recnet::BucketPass;
using zl::recnet::BucketPassResult;
using zl::recnet::BucketRows;

BucketPass DayQuery(const std::string& select, const std::string& condition) {
    BucketPass q;
    EXPECT_TRUE(BucketPassOf(PlanGeneric("SUM(AverageCount)", "Camera= 1", "StartTime", kReportDay,
                                         Day(2024, 3, 5), 60, {}),
                             &q));
    q.parts[0] = {select, condition};
    return q;
}

class RemotePass : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = dir_.File("data");
        file_ = root_ + "/ZoneCounterData/ZoneCounter.db";
        ASSERT_TRUE(CountingDb(file_)
                        .Zone()
                        .Records({{1, "2024-03-05 10:00:00", {4}},
                                  {1, "2024-03-05 10:59:59", {7}},
                                  {1, "2024-03-05 10:59:59.5", {9}},
                                  {2, "2024-03-05 11:00:00", {1}}})
                        .Write());
        zl::recnetd::ServerConfig config;
        config.address = "127.0.0.1";
        config.port = 0;
        config.dataRoots = {root_};
        config.usersFile = dir_.File("users");
        config.logLevel = zl::recnetd::LogLevel::Error;
        config.limits.statementTimeoutMs = 60000;
        std::string error;
        ASSERT_TRUE(zl::recnetd::UserStore::AddUser(config.usersFile, "viewer", "pw", &error));
        server_ = std::make_unique<zl::recnetd::RecNetServer>(config);
        ASSERT_TRUE(server_->Start(&error)) << error;
        ASSERT_TRUE(client_.Connect("127.0.0.1", server_->Port(), 30000));
        ASSERT_TRUE(client_.Login("viewer", "pw"));
        ASSERT_TRUE(client_.OpenDatabase(file_.c_str()));
    }
    void TearDown() override {
        client_.Close();
        if (server_) server_->Stop();
    }

    TempFolder dir_;
    std::string root_, file_;
    std::unique_ptr<zl::recnetd::RecNetServer> server_;
    zl::recnet::RemoteClient client_;
};

TEST_F(RemotePass, AnswersAsTheLocalObject) {
    const BucketPass q = DayQuery("SUM(AverageCount), COUNT(*)", "(Camera= 1)");
    BucketRows remote, local;
    std::string statement;
    ASSERT_EQ(client_.ExecBucketPass(q, nullptr, &remote, &statement), BucketPassResult::kDone)
        << client_.LastError();
    EXPECT_NE(statement.find("GROUP BY 1"), std::string::npos);
    RecNetLocal* db = CreateRecNetLocal();
    ASSERT_TRUE(db->Open(file_.c_str()));
    ASSERT_EQ(dynamic_cast<RecNetBucketPass*>(db)->ExecBucketPass(q, nullptr, &local, nullptr),
              BucketPassResult::kDone);
    DestroyRecNetLocal(&db);
    ASSERT_EQ(remote.size(), 24u);
    ASSERT_EQ(local.size(), 24u);
    for (size_t b = 0; b < 24; ++b) {
        ASSERT_EQ(remote[b].size(), 2u);
        for (size_t c = 0; c < 2; ++c) {
            EXPECT_EQ(remote[b][c].null, local[b][c].null) << b;
            EXPECT_EQ(remote[b][c].text, local[b][c].text) << b;
        }
    }
    EXPECT_EQ(remote[10][0].text, "11");  // 10:59:59.5 lies between two buckets
    EXPECT_EQ(remote[10][1].text, "2");
    EXPECT_TRUE(remote[11][0].null);  // only another camera's row: the sum of nothing
    EXPECT_EQ(remote[11][1].text, "0");
}

TEST_F(RemotePass, RefusesWhatThePerBucketStatementsMayNotDoEither) {
    const struct {
        const char* name;
        BucketPass query;
    } cases[] = {
        {"select leaving its place", DayQuery("1 FROM sqlite_master --", "1")},
        {"condition with a second statement", DayQuery("SUM(AverageCount)", "1; SELECT 1")},
        {"condition joining another select", DayQuery("SUM(AverageCount)", "1 UNION SELECT 1")},
        {"function the server refuses", DayQuery("SUM(AverageCount), printf('%d', 1)", "1")},
        {"table the server refuses",
         DayQuery("SUM(AverageCount)", "Camera IN (SELECT cid FROM pragma_table_info('records'))")},
        {"no such column", DayQuery("SUM(Nothing)", "1")},
    };
    for (const auto& c : cases) {
        BucketRows rows;
        EXPECT_EQ(client_.ExecBucketPass(c.query, nullptr, &rows, nullptr),
                  BucketPassResult::kFailed)
            << c.name;
        EXPECT_TRUE(rows.empty()) << c.name;
        EXPECT_FALSE(client_.LastError().empty()) << c.name;
    }
    // A bad name never reaches SQL.
    BucketPass q = DayQuery("SUM(AverageCount)", "1");
    q.table = "records WHERE 1";
    BucketRows rows;
    EXPECT_EQ(client_.ExecBucketPass(q, nullptr, &rows, nullptr), BucketPassResult::kFailed);
    EXPECT_NE(client_.LastError().find("refused"), std::string::npos) << client_.LastError();
    // A select list that is no aggregate cannot be answered this way: -1, not a failure.
    EXPECT_EQ(client_.ExecBucketPass(DayQuery("AverageCount", "1"), nullptr, &rows, nullptr),
              BucketPassResult::kUnusable);
    // The session still works.
    EXPECT_EQ(client_.ExecBucketPass(DayQuery("COUNT(*)", "1"), nullptr, &rows, nullptr),
              BucketPassResult::kDone);
}

TEST_F(RemotePass, CancelStopsTheServersStatement) {
    // A condition that takes long: a count to ten million, once per statement.
    const BucketPass slow = DayQuery(
        "SUM(AverageCount)",
        "Camera < (WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "
        "10000000) SELECT max(i) FROM n)");
    BucketRows rows;
    int polls = 0;
    EXPECT_EQ(client_.ExecBucketPass(
                  slow, [&] { return ++polls >= 2; }, &rows, nullptr),
              BucketPassResult::kFailed);
    EXPECT_EQ(client_.LastError(), "cancelled");
    EXPECT_TRUE(rows.empty());
    EXPECT_EQ(client_.ExecBucketPass(DayQuery("COUNT(*)", "1"), nullptr, &rows, nullptr),
              BucketPassResult::kDone);
}

// A server that knows nothing but logging in: every other call is unimplemented.
class LoginOnly : public zl::recnet::v1::RecordDatabase::Service {
    grpc::Status Login(grpc::ServerContext*, const zl::recnet::v1::LoginRequest*,
                       zl::recnet::v1::LoginReply* reply) override {
        reply->set_session_token("t");
        return grpc::Status::OK;
    }
};

TEST(OldServer, WithoutTheRequestTheClientAnswersUnusable) {
    LoginOnly service;
    grpc::ServerBuilder builder;
    int port = 0;
    builder.AddListeningPort("127.0.0.1:0", grpc::InsecureServerCredentials(), &port);
    builder.RegisterService(&service);
    std::unique_ptr<grpc::Server> server = builder.BuildAndStart();
    ASSERT_TRUE(server);
    zl::recnet::RemoteClient client;
    ASSERT_TRUE(client.Connect("127.0.0.1", port, 30000));
    ASSERT_TRUE(client.Login("a", "b"));
    BucketRows rows;
    EXPECT_EQ(client.ExecBucketPass(DayQuery("COUNT(*)", "1"), nullptr, &rows, nullptr),
              BucketPassResult::kUnusable);
    EXPECT_EQ(client.ExecBucketPass(DayQuery("COUNT(*)", "1"), nullptr, &rows, nullptr),
              BucketPassResult::kUnusable);
    EXPECT_EQ(client.LastError(), "the server has no ExecBuckets");
    client.Close();
    server->Shutdown();
}

}  // namespace

}  // namespace zl
