// recnetd as a library: start on the configured address (port 0 picks a free port), serve
// until Stop. Tests start it in-process; main.cpp wraps it with signals.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "ServerConfig.h"
#include "ServerLog.h"

namespace grpc {
class Server;
}

namespace zl::recnetd {

class Catalog;
class Gate;
class LoginGuard;
class RecNetService;
class SessionTable;
class UserStore;

class RecNetServer {
  public:
    explicit RecNetServer(ServerConfig config, ServerLog::Sink logSink = {});
    ~RecNetServer();
    RecNetServer(const RecNetServer&) = delete;
    RecNetServer& operator=(const RecNetServer&) = delete;

    // Binds and starts serving. False with *error when the port cannot be bound, a TLS file
    // cannot be read or the configuration is invalid.
    bool Start(std::string* error);
    // The bound port (after Start).
    int Port() const { return port_; }
    // Ends running statements, refuses new calls and waits for the threads. Idempotent.
    void Stop();

    size_t SessionCount() const;

  private:
    void SweepLoop();

    ServerConfig config_;
    ServerLog log_;
    std::unique_ptr<Catalog> catalog_;
    std::unique_ptr<UserStore> users_;
    std::unique_ptr<SessionTable> sessions_;
    std::unique_ptr<LoginGuard> guard_;
    std::unique_ptr<Gate> statements_;
    std::unique_ptr<Gate> logins_;
    std::unique_ptr<RecNetService> service_;
    std::unique_ptr<grpc::Server> server_;
    std::atomic<bool> stopping_{false};
    int port_ = 0;

    std::thread sweeper_;
    std::mutex sweepMutex_;
    std::condition_variable sweepWake_;
    bool sweepStop_ = false;
};

}  // namespace zl::recnetd
