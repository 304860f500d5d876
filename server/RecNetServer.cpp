#include "RecNetServer.h"

#include <google/protobuf/stubs/logging.h>
#include <grpc/support/log.h>
#include <grpcpp/grpcpp.h>
#include <sodium.h>
#include <sqlite3.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "Catalog.h"
#include "Gate.h"
#include "LoginGuard.h"
#include "RecNetService.h"
#include "Sessions.h"
#include "UserStore.h"
#include "recnet/BucketPass.h"
#include "recnet/Wire.h"

namespace zl::recnetd {

namespace {

bool ReadWholeFile(const std::string& path, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream out;
    out << in.rdbuf();
    *text = out.str();
    return true;
}

std::string HostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || !name[0]) return "recnetd";
    return name;
}

// The libraries' own messages (protobuf: invalid UTF-8 in a request; gRPC: errors) go to the
// log of the running server as one proper line each, rate-limited, as a client can cause
// them at will.
std::mutex libraryLogMutex;
ServerLog* libraryLog = nullptr;

void ToServerLog(const std::string& kind, const std::string& text) {
    std::lock_guard<std::mutex> lock(libraryLogMutex);
    if (libraryLog) libraryLog->Limited(LogLevel::Warn, kind, LogText(text, 400));
}

void ProtobufLog(google::protobuf::LogLevel level, const char*, int, const std::string& message) {
    if (level < google::protobuf::LOGLEVEL_WARNING) return;
    ToServerLog("protobuf", "request: " + message);
}

void GrpcLog(gpr_log_func_args* args) {
    if (args->severity < GPR_LOG_SEVERITY_ERROR) return;
    ToServerLog("grpc", std::string("grpc: ") + (args->message ? args->message : ""));
}

void RouteLibraryLogs(ServerLog* log) {
    std::lock_guard<std::mutex> lock(libraryLogMutex);
    libraryLog = log;
    if (log) {
        google::protobuf::SetLogHandler(&ProtobufLog);
        gpr_set_log_function(&GrpcLog);
    }
}

std::string ListenTarget(const std::string& address, int port) {
    const bool ipv6 = address.find(':') != std::string::npos && address.front() != '[';
    return (ipv6 ? "[" + address + "]" : address) + ":" + std::to_string(port);
}

constexpr int kLoginQueue = 16;
constexpr int kLoginQueuePerAddress = 4;
constexpr int kSpareThreads = 128;
// A bucket on the wire: two time texts of at most 64 bytes and their framing.
constexpr int kBytesPerBucket = 2 * 64 + 16;

}  // namespace

RecNetServer::RecNetServer(ServerConfig config, ServerLog::Sink logSink)
    : config_(std::move(config)), log_(config_.logLevel, std::move(logSink)) {}

RecNetServer::~RecNetServer() {
    Stop();
}

bool RecNetServer::Start(std::string* error) {
    if (server_) {
        *error = "already started";
        return false;
    }
    if (!ValidateServerConfig(config_, error)) return false;
    if (sodium_init() < 0) {
        *error = "cannot initialise libsodium";
        return false;
    }
    const Limits& limits = config_.limits;
    // One budget for the memory of every statement of the process.
    sqlite3_hard_heap_limit64(limits.heapLimitBytes);

    catalog_ = std::make_unique<Catalog>(config_.dataRoots);
    for (const std::string& root : catalog_->Roots()) {
        if (RealPath(root).empty()) log_.Warn("data root not found (yet): " + root);
    }
    users_ = std::make_unique<UserStore>(config_.usersFile);
    if (!users_->Load(error)) return false;
    if (users_->Count() == 0) {
        log_.Warn("no users in " + config_.usersFile +
                  ": nobody can log in (add one with recnetd --add-user NAME)");
    }
    sessions_ = std::make_unique<SessionTable>(limits.sessionIdleMs, limits.maxSessions,
                                               limits.maxSessionsPerUser);
    guard_ = std::make_unique<LoginGuard>(limits.userFailuresBeforeBackoff,
                                          limits.addressFailuresBeforeBackoff, limits.backoffBaseMs,
                                          limits.backoffMaxMs, limits.maxConcurrentLogins);
    // One user runs at most its share of the statement slots and keeps at most a quarter of
    // the queue waiting; logins from one address keep at most a few places in their queue.
    statements_ = std::make_unique<Gate>(
        limits.maxConcurrentStatements, limits.maxQueuedStatements,
        Gate::PerKey{StatementsPerUser(limits), std::max(1, limits.maxQueuedStatements / 4)});
    logins_ = std::make_unique<Gate>(limits.maxConcurrentLogins, kLoginQueue,
                                     Gate::PerKey{0, kLoginQueuePerAddress});
    stopping_ = false;
    ServiceParts parts{&config_,
                       config_.serverName.empty() ? HostName() : config_.serverName,
                       catalog_.get(),
                       users_.get(),
                       sessions_.get(),
                       guard_.get(),
                       statements_.get(),
                       logins_.get(),
                       &log_,
                       &stopping_};
    service_ = std::make_unique<RecNetService>(parts);
    RouteLibraryLogs(&log_);

    std::shared_ptr<grpc::ServerCredentials> credentials;
    if (!config_.tlsCertFile.empty()) {
        grpc::SslServerCredentialsOptions::PemKeyCertPair pair;
        if (!ReadWholeFile(config_.tlsKeyFile, &pair.private_key) ||
            !ReadWholeFile(config_.tlsCertFile, &pair.cert_chain)) {
            *error = "cannot read the TLS certificate or key";
            return false;
        }
        grpc::SslServerCredentialsOptions options;
        options.pem_key_cert_pairs.push_back(std::move(pair));
        credentials = grpc::SslServerCredentials(options);
    } else {
        credentials = grpc::InsecureServerCredentials();
    }

    grpc::ServerBuilder builder;
    const std::string target = ListenTarget(config_.address, config_.port);
    builder.AddListeningPort(target, credentials, &port_);
    // A port another process holds is an error, not a port to share.
    builder.AddChannelArgument(GRPC_ARG_ALLOW_REUSEPORT, 0);
    builder.RegisterService(service_.get());
    // Only statements and password checks ever wait (in their gates, which bound them); every
    // other call, a refused one included, ends at once. Threads for all the waiters and many
    // spare ones, so that Login, GetServerName and the listings always find a thread.
    grpc::ResourceQuota quota("recnetd");
    quota.SetMaxThreads(limits.maxConcurrentStatements + limits.maxQueuedStatements +
                        limits.maxConcurrentLogins + kLoginQueue + kSpareThreads);
    builder.SetResourceQuota(quota);
    // A statement, or a bucket pass: its pieces (they must fit in one statement) and the
    // most buckets it may carry.
    builder.SetMaxReceiveMessageSize(limits.maxSqlBytes +
                                     zl::recnet::kMaxBucketCount * kBytesPerBucket + 64 * 1024);
    builder.SetMaxSendMessageSize(zl::recnet::kMaxMessageBytes);
    server_ = builder.BuildAndStart();
    if (!server_ || port_ == 0) {
        server_.reset();
        RouteLibraryLogs(nullptr);
        *error = "cannot listen on " + target;
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(sweepMutex_);
        sweepStop_ = false;
    }
    sweeper_ = std::thread([this] { SweepLoop(); });

    const size_t served = catalog_->List().size();
    std::string roots;
    for (const std::string& root : catalog_->Roots()) roots += (roots.empty() ? "" : ", ") + root;
    log_.Info("recnetd listening on " + ListenTarget(config_.address, port_) +
              (config_.tlsCertFile.empty() ? " (plain)" : " (TLS)") + ", " +
              std::to_string(served) + " database(s) under " + roots + ", " +
              std::to_string(users_->Count()) + " user(s)");
    return true;
}

void RecNetServer::SweepLoop() {
    const int64_t period =
        std::max<int64_t>(50, std::min<int64_t>(config_.limits.sessionIdleMs / 4, 30000));
    std::unique_lock<std::mutex> lock(sweepMutex_);
    while (!sweepStop_) {
        sweepWake_.wait_for(lock, std::chrono::milliseconds(period));
        if (sweepStop_) break;
        const int64_t now = SteadyNowMs();
        const int expired = sessions_->Sweep(now);
        guard_->Sweep(now);
        if (expired > 0) log_.Debug(std::to_string(expired) + " idle session(s) ended");
    }
}

void RecNetServer::Stop() {
    if (!server_) return;
    stopping_ = true;
    // Waiters leave their queues at once and running statements stop at their next check.
    statements_->Close();
    logins_->Close();
    GuardedDatabase::InterruptAll();
    {
        std::lock_guard<std::mutex> lock(sweepMutex_);
        sweepStop_ = true;
    }
    sweepWake_.notify_all();
    if (sweeper_.joinable()) sweeper_.join();
    // Running statements see stopping_ at their next progress check; calls still open after
    // the grace time are cancelled.
    server_->Shutdown(std::chrono::system_clock::now() + std::chrono::milliseconds(300));
    server_->Wait();
    server_.reset();
    log_.Info("recnetd stopped");
    RouteLibraryLogs(nullptr);
    service_.reset();
    sessions_.reset();
}

size_t RecNetServer::SessionCount() const {
    return sessions_ ? sessions_->Count() : 0;
}

}  // namespace zl::recnetd
