// Hostile input on the network. Against the recnetd program on 127.0.0.1: random bytes and
// truncated or lying HTTP/2 frames on its port, messages over the size limit, 200 connections
// that send nothing, clients that go away in the middle of an answer, and 10,000 malformed or
// unauthenticated requests in a row. Afterwards the server is still up, a normal client logs
// in and runs a query within 1 s, its resident memory grew less than 50 MB and no served file
// changed. In the other direction, reporter-cli against devices that answer garbage or hang
// up ends with a clear failure.
#include <arpa/inet.h>
#include <fcntl.h>
#include <grpcpp/generic/generic_stub.h>
#include <grpcpp/grpcpp.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sodium.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <future>
#include <nlohmann/json.hpp>
#include <random>
#include <regex>
#include <sstream>
#include <thread>

#include "Await.h"
#include "CountGen.h"
#include "FakeDevice.h"
#include "HardeningTestKit.h"
#include "RecNetTestKit.h"
#include "ReporterCli.h"
#include "query/SiteConnect.h"
#include "recnet/Wire.h"
#include "recnet/proto/recnet.grpc.pb.h"

extern char** environ;

namespace zl::hardening {
namespace {

namespace v1 = ::zl::recnet::v1;
using Clock = std::chrono::steady_clock;

constexpr const char* kUser = "viewer";
constexpr const char* kPassword = "hostile input";
constexpr const char* kService = "/zl.recnet.v1.RecordDatabase/";

long MillisSince(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Resident memory of a process in kB (VmRSS of /proc/<pid>/status), -1 when unknown.
long ResidentKb(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

int ConnectTcp(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void SendAll(int fd, const std::string& data) {
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;  // the server may hang up on us first
        sent += static_cast<size_t>(n);
    }
}

// Reads what the server says within `ms` (and discards it).
void Drain(int fd, int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    char buf[4096];
    while (Clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 10) <= 0) continue;
        if (::recv(fd, buf, sizeof buf, 0) <= 0) return;
    }
}

// ---- HTTP/2 by hand -------------------------------------------------------------------------

const std::string kPreface = "PRI * HTTP/2.0\r\n\r\nSM\r\n\r\n";

std::string Frame(uint32_t length, uint8_t type, uint8_t flags, uint32_t stream,
                  const std::string& payload) {
    std::string f;
    f += static_cast<char>((length >> 16) & 0xFF);
    f += static_cast<char>((length >> 8) & 0xFF);
    f += static_cast<char>(length & 0xFF);
    f += static_cast<char>(type);
    f += static_cast<char>(flags);
    f += static_cast<char>((stream >> 24) & 0x7F);
    f += static_cast<char>((stream >> 16) & 0xFF);
    f += static_cast<char>((stream >> 8) & 0xFF);
    f += static_cast<char>(stream & 0xFF);
    return f + payload;
}
std::string Frame(uint8_t type, uint8_t flags, uint32_t stream, const std::string& payload) {
    return Frame(static_cast<uint32_t>(payload.size()), type, flags, stream, payload);
}

// An HPACK string: its length as a 7-bit prefixed integer (no Huffman coding), then itself.
std::string HpackString(const std::string& text) {
    std::string out;
    size_t n = text.size();
    if (n < 127) {
        out += static_cast<char>(n);
    } else {
        out += static_cast<char>(127);
        for (n -= 127; n >= 128; n >>= 7) out += static_cast<char>(0x80 | (n & 0x7F));
        out += static_cast<char>(n);
    }
    return out + text;
}

// An HPACK literal header field without indexing, with a literal name.
std::string Literal(const std::string& name, const std::string& value) {
    return std::string(1, '\0') + HpackString(name) + HpackString(value);
}

// The request headers of a gRPC call (no session token).
std::string CallHeaders(const std::string& method) {
    std::string h;
    h += '\x83';  // :method POST
    h += '\x86';  // :scheme http
    h += Literal(":path", kService + method);
    h += Literal(":authority", "127.0.0.1");
    h += Literal("content-type", "application/grpc");
    h += Literal("te", "trailers");
    return h;
}

// A gRPC message as the body of a DATA frame: flag byte, 4-byte length, message.
std::string GrpcMessage(uint32_t declaredLength, const std::string& message) {
    std::string m(1, '\0');
    m += static_cast<char>((declaredLength >> 24) & 0xFF);
    m += static_cast<char>((declaredLength >> 16) & 0xFF);
    m += static_cast<char>((declaredLength >> 8) & 0xFF);
    m += static_cast<char>(declaredLength & 0xFF);
    return m + message;
}

constexpr uint8_t kData = 0, kHeaders = 1, kSettings = 4, kWindowUpdate = 8;
constexpr uint8_t kEndStream = 1, kEndHeaders = 4;

// ---- the server program --------------------------------------------------------------------

class Recnetd {
  public:
    bool Start(const std::string& config, const std::string& log) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        std::string program = RECNETD_PROGRAM;
        std::string flag = "--config";
        std::string path = config;
        char* argv[] = {program.data(), flag.data(), path.data(), nullptr};
        const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) return false;
        const std::regex listening("listening on 127\\.0\\.0\\.1:([0-9]+)");
        // The log line says the server listens; a loaded machine may take a while to start it.
        return zl::testsupport::WaitUntil(
                   [&] {
                       std::smatch m;
                       const std::string text = ReadBytes(log);
                       if (!std::regex_search(text, m, listening)) return Exited();
                       port_ = std::stoi(m[1].str());
                       return true;
                   },
                   std::chrono::seconds(60), std::chrono::milliseconds(25)) &&
               port_ > 0;
    }
    bool Alive() const { return pid_ > 0 && ::kill(pid_, 0) == 0 && !Exited(); }
    bool Exited() const {
        int status = 0;
        return ::waitpid(pid_, &status, WNOHANG) == pid_;
    }
    pid_t Pid() const { return pid_; }
    int Port() const { return port_; }
    int Stop() {
        if (pid_ <= 0) return -1;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    ~Recnetd() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

  private:
    pid_t pid_ = -1;
    int port_ = 0;
};

class HostileNetwork : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_GE(sodium_init(), 0);
        CountGenOptions o;
        o.root = dir_ / "data";
        o.days = 7;
        o.endYear = 2024;
        o.endMonth = 3;
        o.endDay = 5;
        o.cameras = 2;
        o.intervalMinutes = 60;
        std::string error;
        ASSERT_EQ(GenerateDatabases(o, nullptr, &error), 1) << error;
        served_ = o.root + "/PeopleCounterData/PeopleCounter.db";
        // A password hash at libsodium's smallest cost, so that logging in is quick.
        char hash[crypto_pwhash_STRBYTES];
        ASSERT_EQ(crypto_pwhash_str(hash, kPassword, std::strlen(kPassword),
                                    crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN),
                  0);
        WriteBytes(dir_ / "recnetd.users", std::string(kUser) + ":" + hash + "\n");
        ::chmod((dir_ / "recnetd.users").c_str(), 0600);
        WriteBytes(dir_ / "recnetd.ini",
                   "[server]\naddress=127.0.0.1\nport=0\nname=hostile\nlog_level=info\n"
                   "[data]\nroot=" +
                       o.root + "\n[limits]\nstatement_timeout_ms=1000\n");
        before_ = testkit::Fingerprint(o.root);
        // In a build with AddressSanitizer, freed memory is held back for a while (256 MB by
        // default), which would count as growth; the server gets a small holding area.
        const char* asan = std::getenv("ASAN_OPTIONS");
        const std::string options = std::string(asan ? asan : "") + (asan && *asan ? ":" : "") +
                                    "quarantine_size_mb=1:thread_local_quarantine_size_kb=64";
        ::setenv("ASAN_OPTIONS", options.c_str(), 1);
        ASSERT_TRUE(server_.Start(dir_ / "recnetd.ini", dir_ / "recnetd.log"))
            << ReadBytes(dir_ / "recnetd.log");
        channel_ = grpc::CreateChannel("127.0.0.1:" + std::to_string(server_.Port()),
                                       grpc::InsecureChannelCredentials());
        stub_ = v1::RecordDatabase::NewStub(channel_);
    }

    void TearDown() override {
        stub_.reset();
        channel_.reset();
        EXPECT_EQ(server_.Stop(), 0) << ReadBytes(dir_ / "recnetd.log");
        EXPECT_EQ(testkit::Fingerprint(dir_ / "data"), before_) << "a served file changed";
    }

    // A normal client: connect, log in, open, query. Answers the time it took, or -1.
    long NormalClient() {
        const auto start = Clock::now();
        testkit::ClientHolder client(CreateRecNetClient());
        if (client->Connect("127.0.0.1", server_.Port(), 30000) != 1) return -1;
        if (client->Login(kUser, kPassword) != 1) return -1;
        if (client->OpenDatabase(served_.c_str()) != 1) return -1;
        testkit::Rows rows;
        if (client->Exec("SELECT Camera, sum(Inward) FROM Records GROUP BY Camera;",
                         testkit::CollectRows, &rows) != 1 ||
            rows.rows.size() != 2)
            return -1;
        return MillisSince(start);
    }

    TempFolder dir_;
    std::string served_;
    std::map<std::string, std::string> before_;
    Recnetd server_;
    std::shared_ptr<grpc::Channel> channel_;
    std::unique_ptr<v1::RecordDatabase::Stub> stub_;
};

TEST_F(HostileNetwork, ServerSurvivesAndStillServes) {
    std::mt19937 rng(7);
    auto random = [&](size_t n) {
        std::string s(n, '\0');
        for (char& c : s) c = static_cast<char>(rng());
        return s;
    };
    // Warm up: the memory baseline is taken with the server at work.
    ASSERT_GE(NormalClient(), 0);
    const long rssBefore = ResidentKb(server_.Pid());
    ASSERT_GT(rssBefore, 0);

    // Random bytes: with and without the HTTP/2 preface, small and large.
    for (int i = 0; i < 60; ++i) {
        const int fd = ConnectTcp(server_.Port());
        ASSERT_GE(fd, 0);
        SendAll(fd, (i % 2 ? kPreface : std::string()) +
                        random(1 + rng() % (i % 10 == 0 ? 200000 : 2000)));
        Drain(fd, 5);
        ::close(fd);
    }

    // Truncated and lying HTTP/2 frames, each on a connection of its own.
    const std::string settings = Frame(kSettings, 0, 0, "");
    const std::string headers = Frame(kHeaders, kEndHeaders, 1, CallHeaders("Exec"));
    std::vector<std::string> frames = {
        kPreface.substr(0, 10),
        kPreface + settings.substr(0, 5),
        kPreface + settings + Frame(1000, kHeaders, kEndHeaders, 1, random(20)),
        kPreface + settings + Frame(kHeaders, kEndHeaders, 1, random(60)),
        kPreface + settings + headers + Frame(kData, 0, 1, GrpcMessage(0xFFFFFFF0u, random(100))),
        kPreface + settings + headers + Frame(kData, kEndStream, 1, GrpcMessage(200, random(10))),
        kPreface + settings + headers + Frame(16384, kData, 0, 1, GrpcMessage(16379, random(50))),
        kPreface + settings + Frame(kHeaders, kEndHeaders | kEndStream, 1, CallHeaders("Nope")),
        kPreface + settings + Frame(kWindowUpdate, 0, 0, std::string("\x7f\xff\xff\xff", 4)) +
            Frame(kWindowUpdate, 0, 0, std::string("\x7f\xff\xff\xff", 4)),
        kPreface + settings + Frame(kSettings, 0, 0, std::string("\x00\x04\xff\xff\xff\xff", 6)),
        kPreface + settings + Frame(kHeaders, kEndHeaders, 2, CallHeaders("Exec")),
        kPreface + settings + headers + headers,
    };
    for (int i = 0; i < 40; ++i) {
        // Frames of random type, flags, stream and length after a proper start.
        std::string f = kPreface + settings;
        for (int k = 0; k < 4; ++k) {
            const std::string payload = random(rng() % 300);
            f += Frame(static_cast<uint32_t>(payload.size() + (rng() % 4 == 0 ? rng() % 100 : 0)),
                       static_cast<uint8_t>(rng() % 12), static_cast<uint8_t>(rng()), rng() % 8,
                       payload);
        }
        frames.push_back(f);
    }
    for (const std::string& f : frames) {
        const int fd = ConnectTcp(server_.Port());
        ASSERT_GE(fd, 0);
        SendAll(fd, f);
        Drain(fd, 20);
        ::close(fd);
    }
    ASSERT_TRUE(server_.Alive()) << ReadBytes(dir_ / "recnetd.log");

    // Messages over the size limit: a statement and a password of several hundred kB.
    {
        grpc::ClientContext context;
        context.set_deadline(std::chrono::system_clock::now() + std::chrono::seconds(5));
        v1::LoginRequest request;
        request.set_user(kUser);
        request.set_password(std::string(600 * 1024, 'p'));
        v1::LoginReply reply;
        const grpc::Status status = stub_->Login(&context, request, &reply);
        EXPECT_EQ(status.error_code(), grpc::StatusCode::RESOURCE_EXHAUSTED)
            << status.error_message();
    }
    std::string token;
    {
        grpc::ClientContext context;
        v1::LoginRequest request;
        request.set_user(kUser);
        request.set_password(kPassword);
        v1::LoginReply reply;
        ASSERT_TRUE(stub_->Login(&context, request, &reply).ok());
        token = reply.session_token();
    }
    {
        grpc::ClientContext context;
        context.AddMetadata(recnet::kSessionMetadataKey, token);
        v1::ExecRequest request;
        request.set_sql("SELECT '" + std::string(400 * 1024, 'x') + "';");
        auto reader = stub_->Exec(&context, request);
        v1::ExecReply reply;
        while (reader->Read(&reply)) {
        }
        EXPECT_EQ(reader->Finish().error_code(), grpc::StatusCode::RESOURCE_EXHAUSTED);
    }

    {
        grpc::ClientContext context;
        context.AddMetadata(recnet::kSessionMetadataKey, token);
        v1::OpenDatabaseRequest open;
        open.set_path(served_);
        v1::OpenDatabaseReply opened;
        ASSERT_TRUE(stub_->OpenDatabase(&context, open, &opened).ok());
    }
    // Clients that go away in the middle of a long answer: half of them by hand (the call is
    // sent, some of the answer read, and the socket shut with a reset), half through gRPC
    // (the call cancelled or dropped with its channel).
    const std::string longQuery =
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c LIMIT 90000) "
        "SELECT x, 'a row with some padding to make the answer long' FROM c;";
    for (int i = 0; i < 10; ++i) {
        v1::ExecRequest exec;
        exec.set_sql(longQuery);
        const std::string body = exec.SerializeAsString();
        std::string h = CallHeaders("Exec") + Literal(recnet::kSessionMetadataKey, token);
        const int fd = ConnectTcp(server_.Port());
        ASSERT_GE(fd, 0);
        SendAll(fd, kPreface + settings + Frame(kHeaders, kEndHeaders, 1, h) +
                        Frame(kData, kEndStream, 1,
                              GrpcMessage(static_cast<uint32_t>(body.size()), body)));
        Drain(fd, 30 + 10 * i);
        linger hard{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        ::close(fd);
    }
    for (int i = 0; i < 10; ++i) {
        auto channel = grpc::CreateCustomChannel(
            "127.0.0.1:" + std::to_string(server_.Port()), grpc::InsecureChannelCredentials(), [] {
                grpc::ChannelArguments args;
                args.SetInt(GRPC_ARG_USE_LOCAL_SUBCHANNEL_POOL, 1);
                return args;
            }());
        auto stub = v1::RecordDatabase::NewStub(channel);
        {
            grpc::ClientContext context;
            context.AddMetadata(recnet::kSessionMetadataKey, token);
            v1::OpenDatabaseRequest open;
            open.set_path(served_);
            v1::OpenDatabaseReply opened;
            ASSERT_TRUE(stub->OpenDatabase(&context, open, &opened).ok());
        }
        grpc::ClientContext context;
        context.AddMetadata(recnet::kSessionMetadataKey, token);
        v1::ExecRequest request;
        request.set_sql(longQuery);
        auto reader = stub->Exec(&context, request);
        v1::ExecReply reply;
        reader->Read(&reply);
        if (i % 2) context.TryCancel();
        reader.reset();  // the stream and, below, the connection go away unfinished
    }

    // 200 connections that send nothing, open while the rest goes on.
    std::vector<int> idle;
    for (int i = 0; i < 200; ++i) {
        const int fd = ConnectTcp(server_.Port());
        ASSERT_GE(fd, 0) << "connection " << i;
        idle.push_back(fd);
    }

    // 10,000 malformed or unauthenticated requests in a row.
    grpc::GenericStub generic(channel_);
    int refused = 0;
    const auto flood = Clock::now();
    for (int i = 0; i < 10000; ++i) {
        grpc::ClientContext context;
        context.set_deadline(std::chrono::system_clock::now() + std::chrono::seconds(5));
        grpc::Status status;
        switch (i % 8) {
            case 0: {  // no token
                v1::GetServerNameRequest request;
                v1::GetServerNameReply reply;
                status = stub_->GetServerName(&context, request, &reply);
                break;
            }
            case 1: {  // a made-up token
                context.AddMetadata(recnet::kSessionMetadataKey, "forged-" + std::to_string(i));
                v1::OpenDatabaseRequest request;
                request.set_path(served_);
                v1::OpenDatabaseReply reply;
                status = stub_->OpenDatabase(&context, request, &reply);
                break;
            }
            case 2: {  // a statement without a session
                v1::ExecRequest request;
                request.set_sql("SELECT * FROM Records;");
                auto reader = stub_->Exec(&context, request);
                v1::ExecReply reply;
                while (reader->Read(&reply)) {
                }
                status = reader->Finish();
                break;
            }
            case 3:
            case 4: {  // a body that is no message of the call, or no call at all
                const std::string bytes = random(1 + rng() % 200);
                grpc::Slice slice(bytes);
                grpc::ByteBuffer request(&slice, 1), reply;
                std::promise<grpc::Status> done;
                generic.UnaryCall(&context,
                                  i % 8 == 3 ? std::string(kService) + "OpenDatabase"
                                             : std::string(kService) + "Drop",
                                  {}, &request, &reply,
                                  [&done](grpc::Status s) { done.set_value(std::move(s)); });
                status = done.get_future().get();
                break;
            }
            case 5: {  // day marks with nonsense arguments and no session
                v1::GetMonthDaysRequest request;
                request.set_table("Records; DROP TABLE Records");
                request.set_year(rng());
                request.set_day_count(rng());
                v1::GetMonthDaysReply reply;
                status = stub_->GetMonthDays(&context, request, &reply);
                break;
            }
            case 6: {  // a valid session asking for a file that is not served
                context.AddMetadata(recnet::kSessionMetadataKey, token);
                v1::OpenDatabaseRequest request;
                request.set_path(i % 16 == 6 ? "/etc/passwd" : served_ + "/../../x.db");
                v1::OpenDatabaseReply reply;
                status = stub_->OpenDatabase(&context, request, &reply);
                break;
            }
            default: {  // a wrong password, now and then (fewer than the address lock-out)
                if (i % 800 != 7) {
                    v1::ListDatabasesRequest request;
                    v1::ListDatabasesReply reply;
                    status = stub_->ListDatabases(&context, request, &reply);
                    break;
                }
                v1::LoginRequest request;
                request.set_user("intruder");
                request.set_password("guess " + std::to_string(rng()));
                v1::LoginReply reply;
                status = stub_->Login(&context, request, &reply);
                break;
            }
        }
        ASSERT_FALSE(status.ok()) << "request " << i << " was served";
        ASSERT_NE(status.error_code(), grpc::StatusCode::DEADLINE_EXCEEDED) << "request " << i;
        ASSERT_NE(status.error_code(), grpc::StatusCode::UNAVAILABLE) << "request " << i;
        ++refused;
    }
    const long floodMs = MillisSince(flood);

    // Still up, still serving, in time, with the idle connections still open.
    ASSERT_TRUE(server_.Alive()) << ReadBytes(dir_ / "recnetd.log");
    const long normalMs = NormalClient();
    EXPECT_GE(normalMs, 0) << "the normal client failed";
    // Normally well under a second; a server still busy with the flood would not answer.
    EXPECT_LT(normalMs, 20000) << "the normal client took too long";
    for (int fd : idle) ::close(fd);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const long rssAfter = ResidentKb(server_.Pid());
    std::printf(
        "recnetd: %zu hostile connections, 20 clients gone mid-answer, 200 idle "
        "connections, %d requests refused in %ld ms; a normal client then took %ld ms; "
        "resident memory %ld kB before, %ld kB after (%+ld kB)\n",
        60 + frames.size(), refused, floodMs, normalMs, rssBefore, rssAfter, rssAfter - rssBefore);
    EXPECT_LT(rssAfter - rssBefore, 50 * 1024) << "resident memory grew by 50 MB or more";
}

// ---- devices that misbehave, seen from reporter-cli ---------------------------------------

class MisbehavingDevice : public ::testing::TestWithParam<FakeDevice::Mode> {};

TEST_P(MisbehavingDevice, FailsClearlyOrReportsOnlyWhatItSent) {
    // A device that never answers (or answers a byte at a time) costs the whole device
    // time-out on each request; it is tried on the first request only.
    const bool slow = GetParam() == FakeDevice::Mode::Silent;
    for (bool answersDeviceRequest : {false, true}) {
        if (slow && answersDeviceRequest) continue;
        SCOPED_TRACE(answersDeviceRequest ? "healthy device request" : "nothing healthy");
        FakeDevice device(GetParam(), answersDeviceRequest);
        ASSERT_GT(device.Port(), 0);
        std::ostringstream out, err;
        CliIo io;
        io.out = &out;
        io.err = &err;
        const auto start = Clock::now();
        const int code =
            RunReporterCli({"report", "--type", "1", "--range", "day", "--date", "2024-03-05",
                            "--device", "127.0.0.1:" + std::to_string(device.Port()), "--user",
                            "admin", "--quiet", "--format", "json", "--lang", ZL_LANG_FILE},
                           io);
        const long ms = MillisSince(start);
        if (code == kCliDone) {
            // The query engine skips a device's failed count requests (it sums the answers
            // that came back), so a device that fails every one of them gives a report of
            // zeros. It must never give counts the device did not send.
            EXPECT_TRUE(answersDeviceRequest) << out.str();
            const nlohmann::json report = nlohmann::json::parse(out.str(), nullptr, false);
            ASSERT_TRUE(report.is_object()) << out.str();
            ASSERT_FALSE(report["totals"].empty()) << out.str();
            for (const auto& total : report["totals"]) EXPECT_EQ(total, 0) << out.str();
        } else {
            EXPECT_TRUE(code == kCliNoSite || code == kCliQueryFailed) << code << out.str();
            EXPECT_NE(err.str().find("reporter-cli: "), std::string::npos) << err.str();
        }
        // The fake device misbehaves for a minute: a run that waited for it instead of its
        // time-out would take that long.
        EXPECT_LT(ms, kDeviceTimeOutMs + 30000) << "longer than the device time-out";
        std::printf("%s device: exit %d after %ld ms%s%s", answersDeviceRequest ? "healthy" : "bad",
                    code, ms, code == kCliDone ? ", a report of zeros\n" : ": ",
                    code == kCliDone ? "" : err.str().c_str());
    }
}

std::string ModeName(const ::testing::TestParamInfo<FakeDevice::Mode>& info) {
    static const char* const kNames[] = {"Garbage",  "Silent",  "Trickle",  "CloseEarly",
                                         "HalfBody", "BadJson", "HugeBody", "NotFound"};
    return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Modes, MisbehavingDevice,
                         ::testing::Values(FakeDevice::Mode::Garbage, FakeDevice::Mode::Silent,
                                           FakeDevice::Mode::CloseEarly, FakeDevice::Mode::HalfBody,
                                           FakeDevice::Mode::BadJson, FakeDevice::Mode::NotFound),
                         ModeName);

}  // namespace
}  // namespace zl::hardening
