#include "HostileKit.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <fstream>
#include <sstream>

#include "Await.h"
#include "recnet/Wire.h"

namespace zl::testkit {

int64_t MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

RecnetdProcess::~RecnetdProcess() {
    if (child_.pid > 0) {
        ::kill(child_.pid, SIGKILL);
        child_.Wait();
    }
    if (reader_.joinable()) reader_.join();
}

bool RecnetdProcess::Start(const std::string& config, int timeoutMs, std::string* log) {
    if (!child_.Start({RECNETD_PROGRAM, "--config", config})) return false;
    reader_ = std::thread([this] { ReadLoop(); });
    const std::regex listening("listening on 127\\.0\\.0\\.1:([0-9]+)");
    const bool listens = zl::testsupport::WaitUntil(
        [&] {
            const std::string text = Log();
            std::smatch match;
            if (!std::regex_search(text, match, listening)) return false;
            port_ = std::stoi(match[1].str());
            return true;
        },
        std::chrono::milliseconds(timeoutMs));
    if (!listens) *log = Log();
    return listens;
}

void RecnetdProcess::ReadLoop() {
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(child_.err, buffer, sizeof buffer)) > 0) {
        std::lock_guard<std::mutex> lock(mutex_);
        log_.append(buffer, static_cast<size_t>(n));
    }
}

std::string RecnetdProcess::Log() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return log_;
}

int RecnetdProcess::CountLines(const std::vector<std::string>& texts) const {
    std::istringstream in(Log());
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        bool all = true;
        for (const std::string& text : texts) all = all && line.find(text) != std::string::npos;
        count += all;
    }
    return count;
}

int64_t RecnetdProcess::CpuMs() const {
    std::ifstream in("/proc/" + std::to_string(child_.pid) + "/stat");
    std::string text;
    std::getline(in, text);
    // Fields after the command name (which is in parentheses and may hold blanks).
    const auto close = text.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) utime = std::stoll(field);
        if (i == 15) stime = std::stoll(field);
    }
    return (utime + stime) * 1000 / ::sysconf(_SC_CLK_TCK);
}

int RecnetdProcess::Terminate(int timeoutMs, int64_t* tookMs) {
    const auto started = std::chrono::steady_clock::now();
    ::kill(child_.pid, SIGTERM);
    int status = 0;
    while (MsSince(started) < timeoutMs) {
        const pid_t done = ::waitpid(child_.pid, &status, WNOHANG);
        if (done == child_.pid) {
            *tookMs = MsSince(started);
            child_.pid = -1;
            if (reader_.joinable()) reader_.join();
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    *tookMs = MsSince(started);
    return -1;
}

Wire::Wire(int port) {
    grpc::ChannelArguments args;
    args.SetInt(GRPC_ARG_USE_LOCAL_SUBCHANNEL_POOL, 1);
    args.SetMaxReceiveMessageSize(zl::recnet::kMaxMessageBytes);
    stub_ = v1::RecordDatabase::NewStub(grpc::CreateCustomChannel(
        "127.0.0.1:" + std::to_string(port), grpc::InsecureChannelCredentials(), args));
}

void Wire::Prepare(grpc::ClientContext* context, const std::string& token, int deadlineMs) {
    context->set_deadline(std::chrono::system_clock::now() + std::chrono::milliseconds(deadlineMs));
    context->set_wait_for_ready(true);
    if (!token.empty()) context->AddMetadata(zl::recnet::kSessionMetadataKey, token);
}

grpc::Status Wire::Login(const std::string& user, const std::string& password, std::string* token,
                         int deadlineMs) {
    grpc::ClientContext context;
    Prepare(&context, {}, deadlineMs);
    v1::LoginRequest request;
    request.set_user(user);
    request.set_password(password);
    v1::LoginReply reply;
    const grpc::Status status = stub_->Login(&context, request, &reply);
    if (token) *token = reply.session_token();
    return status;
}

grpc::Status Wire::Logout(const std::string& token) {
    grpc::ClientContext context;
    Prepare(&context, token, 10000);
    v1::LogoutReply reply;
    return stub_->Logout(&context, v1::LogoutRequest(), &reply);
}

grpc::Status Wire::ServerName(const std::string& token, int deadlineMs) {
    grpc::ClientContext context;
    Prepare(&context, token, deadlineMs);
    v1::GetServerNameReply reply;
    return stub_->GetServerName(&context, v1::GetServerNameRequest(), &reply);
}

grpc::Status Wire::Open(const std::string& token, const std::string& path, int deadlineMs) {
    grpc::ClientContext context;
    Prepare(&context, token, deadlineMs);
    v1::OpenDatabaseRequest request;
    request.set_path(path);
    v1::OpenDatabaseReply reply;
    return stub_->OpenDatabase(&context, request, &reply);
}

grpc::Status Wire::Exec(const std::string& token, const std::string& sql, int deadlineMs,
                        int* rows) {
    grpc::ClientContext context;
    Prepare(&context, token, deadlineMs);
    v1::ExecRequest request;
    request.set_sql(sql);
    auto reader = stub_->Exec(&context, request);
    v1::ExecReply reply;
    int count = 0;
    while (reader->Read(&reply)) count += reply.rows_size();
    if (rows) *rows = count;
    return reader->Finish();
}

grpc::Status Wire::Buckets(const std::string& token, const v1::ExecBucketsRequest& request,
                           v1::ExecBucketsReply* reply, int deadlineMs) {
    grpc::ClientContext context;
    Prepare(&context, token, deadlineMs);
    return stub_->ExecBuckets(&context, request, reply);
}

Relay::Relay(int targetPort, const std::string& from) : targetPort_(targetPort), from_(from) {
    if (::pipe2(stopPipe_, O_CLOEXEC) != 0) return;
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return;
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

Relay::~Relay() {
    if (stopPipe_[1] >= 0) (void)!::write(stopPipe_[1], "x", 1);
    if (acceptor_.joinable()) acceptor_.join();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (std::thread& thread : threads_) thread.join();
    }
    for (int fd : {listener_, stopPipe_[0], stopPipe_[1]})
        if (fd >= 0) ::close(fd);
}

void Relay::AcceptLoop() {
    for (;;) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 || fds[1].revents) return;
        const int in = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (in < 0) continue;
        const int out = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in source{};
        source.sin_family = AF_INET;
        ::inet_pton(AF_INET, from_.c_str(), &source.sin_addr);
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_port = htons(static_cast<uint16_t>(targetPort_));
        target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(out, reinterpret_cast<sockaddr*>(&source), sizeof source) != 0 ||
            ::connect(out, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0) {
            ::close(in);
            ::close(out);
            continue;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        threads_.emplace_back([this, in, out] { Pump(in, out); });
    }
}

void Relay::Pump(int a, int b) {
    char buffer[65536];
    for (;;) {
        pollfd fds[3] = {{a, POLLIN, 0}, {b, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (::poll(fds, 3, -1) < 0 || fds[2].revents) break;
        bool open = true;
        for (int i = 0; i < 2 && open; ++i) {
            if (!fds[i].revents) continue;
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                open = false;
                break;
            }
            const int to = i == 0 ? b : a;
            for (ssize_t done = 0; done < n;) {
                const ssize_t w = ::write(to, buffer + done, static_cast<size_t>(n - done));
                if (w <= 0) {
                    open = false;
                    break;
                }
                done += w;
            }
        }
        if (!open) break;
    }
    ::close(a);
    ::close(b);
}

}  // namespace zl::testkit
