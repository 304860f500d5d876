#include <grpcpp/grpcpp.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <mutex>
#include <sstream>

#include "recnet/RecNetTls.h"
#include "recnet/RemoteClient.h"
#include "recnet/SqliteText.h"
#include "recnet/TransportProbe.h"
#include "recnet/Wire.h"
#include "recnet/proto/recnet.grpc.pb.h"

namespace zl {

namespace v1 = zl::recnet::v1;

namespace {

// Deadlines of the calls (the server's own limits are lower; these only catch a server that
// stops answering).
constexpr int kUnaryDeadlineMs = 15000;
constexpr int kLogoutDeadlineMs = 500;
constexpr int kExecDeadlineMs = 120000;

std::mutex tlsMutex;
std::string tlsRoots;
thread_local std::string lastConnectProblem;
// How long the look at a server that would not connect may take per step.
constexpr int kProbeMs = 1000;

std::string TrustedRoots() {
    std::lock_guard<std::mutex> lock(tlsMutex);
    return tlsRoots;
}

std::string TargetOf(const std::string& host, int port) {
    const bool ipv6 = host.find(':') != std::string::npos && host.front() != '[';
    return (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::chrono::system_clock::time_point After(int ms) {
    return std::chrono::system_clock::now() + std::chrono::milliseconds(ms);
}

}  // namespace

void RecNetSetTrustedCertificates(const char* pemRootCertificates) {
    std::lock_guard<std::mutex> lock(tlsMutex);
    tlsRoots = pemRootCertificates ? pemRootCertificates : "";
}

bool RecNetTrustCertificateFile(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot read the certificate file " + path;
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const std::string pem = text.str();
    if (pem.find("-----BEGIN CERTIFICATE-----") == std::string::npos) {
        *error = path + " holds no PEM certificate (-----BEGIN CERTIFICATE-----)";
        return false;
    }
    RecNetSetTrustedCertificates(pem.c_str());
    return true;
}

std::string RecNetLastConnectProblem() {
    return lastConnectProblem;
}

namespace recnet {

struct RemoteClient::Stub {
    std::unique_ptr<v1::RecordDatabase::Stub> stub;
};

RemoteClient::RemoteClient() = default;

RemoteClient::~RemoteClient() {
    Close();
}

bool RemoteClient::Prepare(grpc::ClientContext* context, int deadlineMs) {
    lastError_.clear();
    if (!stub_) {
        lastError_ = "not connected";
        return false;
    }
    context->set_deadline(After(deadlineMs));
    if (!token_.empty()) context->AddMetadata(kSessionMetadataKey, token_);
    return true;
}

int RemoteClient::Connect(const char* ip, int port, int timeOutMs) {
    Close();
    lastError_.clear();
    lastConnectProblem.clear();
    if (!ip || !*ip || port < 1 || port > 65535) {
        lastError_ = "invalid address or port";
        return 0;
    }
    grpc::ChannelArguments args;
    // Every client has its own connection, so one client's trouble stays its own.
    args.SetInt(GRPC_ARG_USE_LOCAL_SUBCHANNEL_POOL, 1);
    args.SetMaxReceiveMessageSize(kMaxMessageBytes);
    args.SetMaxSendMessageSize(kMaxMessageBytes);
    args.SetInt(GRPC_ARG_INITIAL_RECONNECT_BACKOFF_MS, 100);
    // gRPC also takes the "minimum reconnect back-off" as the time one connection attempt
    // (TCP, TLS and the server's HTTP/2 greeting) is given before it counts as failed. At
    // 100 ms a distant or busy server failed at once; the attempt gets the caller's time-out.
    args.SetInt(GRPC_ARG_MIN_RECONNECT_BACKOFF_MS, std::max(timeOutMs, 100));
    args.SetInt(GRPC_ARG_MAX_RECONNECT_BACKOFF_MS, 2000);
    std::shared_ptr<grpc::ChannelCredentials> credentials;
    const std::string roots = TrustedRoots();
    if (roots.empty()) {
        credentials = grpc::InsecureChannelCredentials();
    } else {
        grpc::SslCredentialsOptions options;
        options.pem_root_certs = roots;
        credentials = grpc::SslCredentials(options);
    }
    auto channel = grpc::CreateCustomChannel(TargetOf(ip, port), credentials, args);
    // Say why when the cause is the transport: TLS on one side only, or a certificate that is
    // not trusted.
    const auto fail = [&] {
        lastError_ = zl::recnet::ConnectProblem(
            ip, port, !roots.empty(),
            zl::recnet::ProbeTransport(ip, port, std::clamp(timeOutMs, 100, kProbeMs)));
        lastConnectProblem = lastError_;
        return 0;
    };
    if (!channel) return fail();
    // A slow link may take the whole time to connect; a refused or failed attempt is an answer
    // already, so it ends the wait at once instead of being retried until the deadline.
    const auto deadline = After(timeOutMs > 0 ? timeOutMs : 1);
    for (grpc_connectivity_state state = channel->GetState(true); state != GRPC_CHANNEL_READY;
         state = channel->GetState(true)) {
        if (state == GRPC_CHANNEL_TRANSIENT_FAILURE || state == GRPC_CHANNEL_SHUTDOWN)
            return fail();
        if (!channel->WaitForStateChange(state, deadline)) return fail();
    }
    channel_ = std::move(channel);
    stub_ = std::make_unique<Stub>();
    stub_->stub = v1::RecordDatabase::NewStub(channel_);
    return 1;
}

int RemoteClient::Login(const char* user, const char* password) {
    grpc::ClientContext context;
    token_.clear();
    databasesFetched_ = false;
    loginRefused_ = false;
    if (!Prepare(&context, kUnaryDeadlineMs)) return 0;
    v1::LoginRequest request;
    request.set_user(user ? user : "");
    request.set_password(password ? password : "");
    v1::LoginReply reply;
    const grpc::Status status = stub_->stub->Login(&context, request, &reply);
    if (!status.ok() || reply.session_token().empty()) {
        lastError_ = status.ok() ? "no session" : status.error_message();
        // Only the server's own answer is a refusal; a call that failed on the way (no server,
        // a server of another kind, a time-out) is not.
        loginRefused_ = status.ok() || status.error_code() == grpc::StatusCode::UNAUTHENTICATED ||
                        status.error_code() == grpc::StatusCode::PERMISSION_DENIED;
        return 0;
    }
    token_ = reply.session_token();
    return 1;
}

int RemoteClient::Close() {
    if (stub_ && !token_.empty()) {
        // Ends the session at once rather than leaving it to expire; best effort.
        grpc::ClientContext context;
        if (Prepare(&context, kLogoutDeadlineMs)) {
            v1::LogoutRequest request;
            v1::LogoutReply reply;
            (void)stub_->stub->Logout(&context, request, &reply);
        }
    }
    token_.clear();
    databases_.clear();
    databasesFetched_ = false;
    stub_.reset();
    channel_.reset();
    return 1;
}

int RemoteClient::IsConnected() {
    if (!channel_) return 0;
    const grpc_connectivity_state state = channel_->GetState(false);
    return state != GRPC_CHANNEL_SHUTDOWN && state != GRPC_CHANNEL_TRANSIENT_FAILURE ? 1 : 0;
}

int RemoteClient::OpenDatabase(const char* serverPath) {
    grpc::ClientContext context;
    if (!Prepare(&context, kUnaryDeadlineMs)) return 0;
    v1::OpenDatabaseRequest request;
    request.set_path(serverPath ? serverPath : "");
    v1::OpenDatabaseReply reply;
    const grpc::Status status = stub_->stub->OpenDatabase(&context, request, &reply);
    if (!status.ok()) lastError_ = status.error_message();
    return status.ok() ? 1 : 0;
}

int RemoteClient::Exec(const char* sql, RecNetRowCallback callback, void* context) {
    grpc::ClientContext call;
    if (!Prepare(&call, kExecDeadlineMs)) return 0;
    if (!sql) {
        lastError_ = "no statement";
        return 0;
    }
    v1::ExecRequest request;
    request.set_sql(sql);
    auto reader = stub_->stub->Exec(&call, request);
    v1::ExecReply reply;
    std::vector<std::string> names;
    std::vector<char*> namePointers;
    std::vector<char*> texts;
    static char empty[1] = {'\0'};
    bool stopped = false;
    while (!stopped && reader->Read(&reply)) {
        if (names.empty() && reply.column_names_size() > 0) {
            names.assign(reply.column_names().begin(), reply.column_names().end());
        }
        for (v1::Row& row : *reply.mutable_rows()) {
            const int count = row.cells_size();
            texts.assign(count, nullptr);
            namePointers.assign(count, empty);
            for (int i = 0; i < count; ++i) {
                v1::Cell* cell = row.mutable_cells(i);
                if (!cell->is_null()) texts[i] = cell->mutable_text()->data();
                if (i < static_cast<int>(names.size())) namePointers[i] = names[i].data();
            }
            if (callback && callback(context, count, texts.data(), namePointers.data()) != 0) {
                stopped = true;
                call.TryCancel();
                break;
            }
        }
    }
    const grpc::Status status = reader->Finish();
    if (stopped) {
        lastError_ = "stopped by the row callback";
        return 0;
    }
    if (!status.ok()) lastError_ = status.error_message();
    return status.ok() ? 1 : 0;
}

int RemoteClient::GetPeopleDbPaths(char* path2D, char* path3D, int capacity) {
    grpc::ClientContext context;
    if (!Prepare(&context, kUnaryDeadlineMs)) return 0;
    v1::GetPeopleDbPathsRequest request;
    v1::GetPeopleDbPathsReply reply;
    const grpc::Status status = stub_->stub->GetPeopleDbPaths(&context, request, &reply);
    if (!status.ok()) {
        lastError_ = status.error_message();
        return 0;
    }
    CopyText(path2D, capacity, reply.path_2d());
    CopyText(path3D, capacity, reply.path_3d());
    return 1;
}

int RemoteClient::GetMonthDays(const char* table, const char* timeColumn, uint16_t year,
                               uint16_t month, uint16_t day, int dayCount, uint8_t* flags) {
    grpc::ClientContext context;
    if (!Prepare(&context, kUnaryDeadlineMs)) return 0;
    if (!table || !timeColumn || !flags || dayCount < 1) {
        lastError_ = "missing argument";
        return 0;
    }
    v1::GetMonthDaysRequest request;
    request.set_table(table);
    request.set_time_column(timeColumn);
    request.set_year(year);
    request.set_month(month);
    request.set_day(day);
    request.set_day_count(static_cast<uint32_t>(dayCount));
    v1::GetMonthDaysReply reply;
    const grpc::Status status = stub_->stub->GetMonthDays(&context, request, &reply);
    if (!status.ok()) {
        lastError_ = status.error_message();
        return 0;
    }
    const std::string& marks = reply.flags();
    const size_t count = std::min(marks.size(), static_cast<size_t>(dayCount));
    for (size_t i = 0; i < count; ++i) {
        if (marks[i]) flags[i] = 1;
    }
    return 1;
}

int RemoteClient::GetServerName(char* buffer, int capacity) {
    grpc::ClientContext context;
    if (!Prepare(&context, kUnaryDeadlineMs)) return 0;
    if (token_.empty()) {
        lastError_ = "not logged in";
        return 0;
    }
    v1::GetServerNameRequest request;
    v1::GetServerNameReply reply;
    const grpc::Status status = stub_->stub->GetServerName(&context, request, &reply);
    if (!status.ok()) {
        lastError_ = status.error_message();
        return 0;
    }
    CopyText(buffer, capacity, reply.name());
    return 1;
}

bool RemoteClient::FetchDatabases() {
    grpc::ClientContext context;
    if (!Prepare(&context, kUnaryDeadlineMs)) return false;
    v1::ListDatabasesRequest request;
    v1::ListDatabasesReply reply;
    const grpc::Status status = stub_->stub->ListDatabases(&context, request, &reply);
    if (!status.ok()) {
        lastError_ = status.error_message();
        return false;
    }
    databases_.clear();
    for (const v1::DatabaseEntry& entry : reply.entries()) {
        databases_.push_back({entry.counter_type(), entry.path()});
    }
    databasesFetched_ = true;
    return true;
}

int RemoteClient::GetDatabaseCount() {
    // The count fetches the list; the entries are then read from it, so that count and
    // entries agree even when the server's folders change in between.
    if (!FetchDatabases()) return 0;
    return static_cast<int>(databases_.size());
}

int RemoteClient::GetDatabaseEntry(int index, int* counterType, char* path, int capacity) {
    if (!databasesFetched_ && !FetchDatabases()) return 0;
    if (index < 0 || index >= static_cast<int>(databases_.size())) {
        lastError_ = "no such entry";
        return 0;
    }
    if (counterType) *counterType = databases_[index].counterType;
    CopyText(path, capacity, databases_[index].path);
    return 1;
}

}  // namespace recnet

}  // namespace zl
