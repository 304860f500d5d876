// The gRPC service of recnetd: the calls of the wire schema on top of the catalogue, the
// users, the sessions and the guarded databases.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "Catalog.h"
#include "Gate.h"
#include "LoginGuard.h"
#include "ServerConfig.h"
#include "ServerLog.h"
#include "Sessions.h"
#include "SteadyClock.h"
#include "UserStore.h"
#include "recnet/proto/recnet.grpc.pb.h"

namespace zl::recnetd {

namespace v1 = ::zl::recnet::v1;

struct ServiceParts {
    const ServerConfig* config;
    std::string serverName;
    Catalog* catalog;
    UserStore* users;
    SessionTable* sessions;
    LoginGuard* guard;
    Gate* statements;
    Gate* logins;
    ServerLog* log;
    const std::atomic<bool>* stopping;
};

// "ipv4:127.0.0.1:5000" -> "127.0.0.1"; "ipv6:[::1]:5000" -> "::1".
std::string PeerAddress(const std::string& peer);

class RecNetService final : public v1::RecordDatabase::Service {
  public:
    explicit RecNetService(ServiceParts parts);

    grpc::Status Login(grpc::ServerContext* context, const v1::LoginRequest* request,
                       v1::LoginReply* reply) override;
    grpc::Status Logout(grpc::ServerContext* context, const v1::LogoutRequest* request,
                        v1::LogoutReply* reply) override;
    grpc::Status GetServerName(grpc::ServerContext* context,
                               const v1::GetServerNameRequest* request,
                               v1::GetServerNameReply* reply) override;
    grpc::Status OpenDatabase(grpc::ServerContext* context, const v1::OpenDatabaseRequest* request,
                              v1::OpenDatabaseReply* reply) override;
    grpc::Status Exec(grpc::ServerContext* context, const v1::ExecRequest* request,
                      grpc::ServerWriter<v1::ExecReply>* writer) override;
    grpc::Status GetPeopleDbPaths(grpc::ServerContext* context,
                                  const v1::GetPeopleDbPathsRequest* request,
                                  v1::GetPeopleDbPathsReply* reply) override;
    grpc::Status GetMonthDays(grpc::ServerContext* context, const v1::GetMonthDaysRequest* request,
                              v1::GetMonthDaysReply* reply) override;
    grpc::Status ListDatabases(grpc::ServerContext* context,
                               const v1::ListDatabasesRequest* request,
                               v1::ListDatabasesReply* reply) override;
    // The bucket pass (ServiceBucketPass.cpp).
    grpc::Status ExecBuckets(grpc::ServerContext* context, const v1::ExecBucketsRequest* request,
                             v1::ExecBucketsReply* reply) override;

  private:
    // Takes a session for one call: held for the whole call, refused at once (never waited
    // for) when another call of the same session runs; marks the session used when it ends.
    class SessionCall {
      public:
        SessionCall(Session& session, SessionTable* table);
        ~SessionCall();
        SessionCall(const SessionCall&) = delete;
        SessionCall& operator=(const SessionCall&) = delete;
        bool Taken() const { return use_.owns_lock(); }

      private:
        Session& session_;
        SessionTable* table_;
        std::unique_lock<std::timed_mutex> use_;
    };
    grpc::Status SessionBusy(const Session& session, const char* what);

    std::shared_ptr<Session> SessionOf(grpc::ServerContext* context, grpc::Status* status);
    // With the session's use lock held: the session's database, reopened when the file was
    // replaced; a status when there is none or it went away.
    grpc::Status EnsureDatabase(Session& session);
    grpc::Status RunGuarded(grpc::ServerContext* context, Session& session, const std::string& sql,
                            RowSink* sink, const char* what);

    ServiceParts parts_;
};

}  // namespace zl::recnetd
