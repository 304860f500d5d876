// recnetd's request handling: a series of decoded requests of every call, with a valid session
// token, none, or a made-up one, sent to a server on 127.0.0.1 that serves a real data root.
// Every call ends with an answer (no crash, no hang, no sanitizer report), the server keeps
// answering, and no file under the data root changes.
#include <grpcpp/grpcpp.h>
#include <sodium.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "FuzzKit.h"
#include "RecNetTestKit.h"
#include "recnet/Wire.h"
#include "recnet/proto/recnet.grpc.pb.h"

namespace zl {

namespace {

namespace v1 = ::zl::recnet::v1;
using zl::testkit::TestServer;

struct World {
    std::unique_ptr<zl::testkit::TempDir> dir;
    std::string root;
    std::unique_ptr<TestServer> server;
    std::unique_ptr<v1::RecordDatabase::Stub> stub;
    std::string token;
    std::map<std::string, std::string> fingerprint;
    std::vector<std::string> paths;  // served paths
};

World* g = nullptr;

void Prepare(grpc::ClientContext& context, int tokenMode, const std::string& madeUp) {
    context.set_deadline(std::chrono::system_clock::now() + std::chrono::seconds(5));
    switch (tokenMode) {
        case 0:
            context.AddMetadata(zl::recnet::kSessionMetadataKey, g->token);
            break;
        case 1:
            break;
        case 2:
            context.AddMetadata(zl::recnet::kSessionMetadataKey, madeUp);
            break;
        default:
            context.AddMetadata(zl::recnet::kSessionMetadataKey, g->token + madeUp);
            break;
    }
}

std::string Login() {
    grpc::ClientContext context;
    context.set_deadline(std::chrono::system_clock::now() + std::chrono::seconds(10));
    v1::LoginRequest request;
    request.set_user(TestServer::kUser);
    request.set_password(TestServer::kPassword);
    v1::LoginReply reply;
    const grpc::Status status = g->stub->Login(&context, request, &reply);
    if (!status.ok()) zl::fuzz::Fail("login", status.error_message());
    return reply.session_token();
}

// A path a client might send: a served one, a served one bent, or any text.
std::string FuzzPath(zl::fuzz::Input& in) {
    static const char* const kBends[] = {
        "", "/../x", "\\..\\", "-journal", "file:", "\\", "//", "/.", "%00", "?mode=rw"};
    const std::string& served = g->paths[in.Byte() % g->paths.size()];
    switch (in.Range(0, 3)) {
        case 0:
            return served;
        case 1:
            return served + in.Pick(kBends);
        case 2:
            return in.Pick(kBends) + served;
        default:
            return in.Text(80);
    }
}

std::string FuzzName(zl::fuzz::Input& in) {
    static const char* const kNames[] = {"Records", "records", "_3DRECORDS",    "EnterTime",
                                         "Time",    "Start",   "sqlite_master", "Records\"",
                                         "a]",      ""};
    return in.Bool() ? std::string(in.Pick(kNames)) : in.Text(40);
}

void OneCall(zl::fuzz::Input& in) {
    const int call = in.Range(0, 8);
    int tokenMode = in.Range(0, 3);
    // A text header value: gRPC itself refuses (and asserts on) anything but printable ASCII.
    std::string madeUp = in.Text(40);
    for (char& c : madeUp) c = static_cast<char>(0x20 + static_cast<unsigned char>(c) % 0x5F);
    grpc::ClientContext context;
    // Logging the shared session out would end the session every later input uses.
    if (call == 1 && (tokenMode == 0 || (tokenMode == 3 && madeUp.empty()))) tokenMode = 2;
    Prepare(context, tokenMode, madeUp);
    grpc::Status status;
    switch (call) {
        case 0: {
            v1::LoginRequest request;
            request.set_user(in.Bool() ? std::string(TestServer::kUser) : in.Text(70));
            request.set_password(in.Text(100));
            v1::LoginReply reply;
            status = g->stub->Login(&context, request, &reply);
            break;
        }
        case 1: {
            v1::LogoutRequest request;
            v1::LogoutReply reply;
            status = g->stub->Logout(&context, request, &reply);
            break;
        }
        case 2: {
            v1::GetServerNameRequest request;
            v1::GetServerNameReply reply;
            status = g->stub->GetServerName(&context, request, &reply);
            break;
        }
        case 3: {
            v1::OpenDatabaseRequest request;
            request.set_path(FuzzPath(in));
            v1::OpenDatabaseReply reply;
            status = g->stub->OpenDatabase(&context, request, &reply);
            break;
        }
        case 4: {
            v1::ExecRequest request;
            request.set_sql(in.Text(600));
            auto reader = g->stub->Exec(&context, request);
            v1::ExecReply reply;
            int messages = 0;
            while (reader->Read(&reply)) {
                // A client that stops reading part way.
                if (++messages > 2 && in.Bool()) {
                    context.TryCancel();
                    break;
                }
            }
            status = reader->Finish();
            break;
        }
        case 5: {
            v1::GetPeopleDbPathsRequest request;
            v1::GetPeopleDbPathsReply reply;
            status = g->stub->GetPeopleDbPaths(&context, request, &reply);
            break;
        }
        case 6: {
            v1::GetMonthDaysRequest request;
            request.set_table(FuzzName(in));
            request.set_time_column(FuzzName(in));
            request.set_year(in.Bool() ? in.Range(2023, 2025) : in.U32());
            request.set_month(in.Bool() ? in.Range(1, 12) : in.U32());
            request.set_day(in.Bool() ? in.Range(1, 31) : in.U32());
            request.set_day_count(in.Bool() ? 42 : in.U32());
            v1::GetMonthDaysReply reply;
            status = g->stub->GetMonthDays(&context, request, &reply);
            if (status.ok())
                ZL_FUZZ_CHECK(reply.flags().size() == request.day_count(), "flag count");
            break;
        }
        case 8: {
            v1::ExecBucketsRequest request;
            static const char* const kPieces[] = {"SUM(Inward), SUM(Outward)",
                                                  "COUNT(Camera)",
                                                  "Camera= 1 OR Camera= 2",
                                                  "1",
                                                  "SUM(InOut)",
                                                  "(SELECT 1)"};
            request.set_table(FuzzName(in));
            request.set_time_column(FuzzName(in));
            for (int p = in.Range(0, 3); p > 0; --p) {
                v1::BucketPart* part = request.add_parts();
                part->set_select(in.Bool() ? std::string(in.Pick(kPieces)) : in.Text(60));
                part->set_condition(in.Bool() ? std::string(in.Pick(kPieces)) : in.Text(60));
            }
            for (int b = in.Range(0, 30); b > 0; --b) {
                v1::Bucket* bucket = request.add_buckets();
                const int hour = in.Range(0, 23);
                char from[32], to[32];
                std::snprintf(from, sizeof from, "2024-03-05 %02d:00:00", hour);
                std::snprintf(to, sizeof to, "2024-03-05 %02d:59:59", hour);
                bucket->set_from(in.Bool() ? std::string(from) : in.Text(24));
                bucket->set_to(in.Bool() ? std::string(to) : in.Text(24));
            }
            v1::ExecBucketsReply reply;
            status = g->stub->ExecBuckets(&context, request, &reply);
            if (status.ok())
                ZL_FUZZ_CHECK(reply.rows_size() == request.buckets_size(), "rows per bucket");
            break;
        }
        default: {
            v1::ListDatabasesRequest request;
            v1::ListDatabasesReply reply;
            status = g->stub->ListDatabases(&context, request, &reply);
            break;
        }
    }
    ZL_FUZZ_CHECK(status.error_code() != grpc::StatusCode::DEADLINE_EXCEEDED &&
                      status.error_code() != grpc::StatusCode::UNKNOWN,
                  "call " + std::to_string(call) + ": " + status.error_message());
}

// The server's threads must end before the process's static objects go.
void Teardown() {
    if (!g) return;
    g->stub.reset();
    if (g->server) g->server->Stop();
    delete g;
    g = nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g = new World;
    std::atexit(Teardown);
    g->dir = std::make_unique<zl::testkit::TempDir>();
    g->root = *g->dir / "data";
    zl::testkit::WriteSampleRoot(g->root);
    for (int kind = 1; kind <= 9; ++kind)
        g->paths.push_back(g->root + "/" + zl::testkit::SampleRelativePath(kind));
    g->fingerprint = zl::testkit::Fingerprint(g->root);
    g->server = std::make_unique<TestServer>(std::vector<std::string>{g->root});
    auto& limits = g->server->Config().limits;
    limits.statementTimeoutMs = 200;
    limits.heapLimitBytes = 128LL * 1024 * 1024;
    limits.maxRows = 5000;
    limits.maxAnswerBytes = 1024 * 1024;
    g->server->Config().logLevel = zl::recnetd::LogLevel::Error;
    // The user's password hash at libsodium's smallest cost, so that a login does not cost a
    // tenth of a second (a name that is not a user still does).
    char hash[crypto_pwhash_STRBYTES];
    if (sodium_init() < 0 ||
        crypto_pwhash_str(hash, TestServer::kPassword, std::strlen(TestServer::kPassword),
                          crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN) != 0 ||
        !zl::fuzz::WriteFile(g->server->Config().usersFile,
                             std::string(TestServer::kUser) + ":" + hash + "\n"))
        zl::fuzz::Fail("users file");
    if (!g->server->Start()) zl::fuzz::Fail("recnetd did not start");
    g->stub = v1::RecordDatabase::NewStub(grpc::CreateChannel(
        "127.0.0.1:" + std::to_string(g->server->Port()), grpc::InsecureChannelCredentials()));
    g->token = Login();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zl::fuzz::Input in(data, size);
    for (int calls = 0; calls < 8 && !in.Empty(); ++calls) OneCall(in);

    // The server still answers a well-formed call of the valid session.
    grpc::ClientContext context;
    Prepare(context, 0, "");
    v1::GetServerNameRequest request;
    v1::GetServerNameReply reply;
    const grpc::Status status = g->stub->GetServerName(&context, request, &reply);
    ZL_FUZZ_CHECK(status.ok() && reply.name() == "test-server",
                  std::to_string(status.error_code()) + " " + status.error_message());

    static unsigned runs = 0;
    if (++runs % 64 == 1)
        ZL_FUZZ_CHECK(zl::testkit::Fingerprint(g->root) == g->fingerprint, "a served file changed");
    return 0;
}

}  // namespace zl
