// Tools of the hostile-client tests: the real recnetd program with its log read as it runs and
// its CPU time, raw calls of the wire schema (any deadline, any bytes), and a TCP relay that
// makes a client appear from another loopback address.
#pragma once

#include <grpcpp/grpcpp.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "recnet/proto/recnet.grpc.pb.h"

namespace zl::testkit {

namespace v1 = ::zl::recnet::v1;

// recnetd started with a config file; its standard error is collected by a thread.
class RecnetdProcess {
  public:
    RecnetdProcess() = default;
    ~RecnetdProcess();
    RecnetdProcess(const RecnetdProcess&) = delete;
    RecnetdProcess& operator=(const RecnetdProcess&) = delete;

    // Starts it and waits (up to timeoutMs) until it listens. False with the log so far.
    bool Start(const std::string& config, int timeoutMs, std::string* log);
    int Port() const { return port_; }
    pid_t Pid() const { return child_.pid; }
    std::string Log() const;
    // Lines of the log that contain all the given texts.
    int CountLines(const std::vector<std::string>& texts) const;
    // User plus system CPU time of the process so far, in milliseconds.
    int64_t CpuMs() const;
    // Sends SIGTERM and waits for the end; the exit code, or -1 after timeoutMs (then killed).
    int Terminate(int timeoutMs, int64_t* tookMs);

  private:
    void ReadLoop();

    Child child_;
    int port_ = 0;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::string log_;
};

// One connection to a server and raw calls on it.
class Wire {
  public:
    explicit Wire(int port);
    grpc::Status Login(const std::string& user, const std::string& password,
                       std::string* token = nullptr, int deadlineMs = 60000);
    grpc::Status Logout(const std::string& token);
    grpc::Status ServerName(const std::string& token, int deadlineMs = 30000);
    grpc::Status Open(const std::string& token, const std::string& path, int deadlineMs = 30000);
    grpc::Status Exec(const std::string& token, const std::string& sql, int deadlineMs = 60000,
                      int* rows = nullptr);
    grpc::Status Buckets(const std::string& token, const v1::ExecBucketsRequest& request,
                         v1::ExecBucketsReply* reply, int deadlineMs = 60000);

  private:
    void Prepare(grpc::ClientContext* context, const std::string& token, int deadlineMs);
    std::unique_ptr<v1::RecordDatabase::Stub> stub_;
};

// Accepts on 127.0.0.1 and connects to 127.0.0.1:targetPort from the local address from.
class Relay {
  public:
    Relay(int targetPort, const std::string& from);
    ~Relay();
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;
    int Port() const { return port_; }

  private:
    void AcceptLoop();
    void Pump(int a, int b);

    int targetPort_;
    std::string from_;
    int listener_ = -1;
    int stopPipe_[2] = {-1, -1};
    int port_ = 0;
    std::mutex mutex_;
    std::vector<std::thread> threads_;
    std::thread acceptor_;
};

int64_t MsSince(std::chrono::steady_clock::time_point start);

}  // namespace zl::testkit
