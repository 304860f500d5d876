// The remote record-database client: a gRPC channel to a recnetd server.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "recnet/RecNet.h"
#include "recnet/RecNetBucketPass.h"

namespace grpc {
class Channel;
class ClientContext;
}  // namespace grpc

namespace zl::recnet {

class RemoteClient : public RecNetClient, public RecNetBucketPass {
  public:
    RemoteClient();
    ~RemoteClient() override;
    RemoteClient(const RemoteClient&) = delete;
    RemoteClient& operator=(const RemoteClient&) = delete;

    int Connect(const char* ip, int port, int timeOutMs) override;
    int Login(const char* user, const char* password) override;
    int LoginRefused() const override { return loginRefused_ ? 1 : 0; }
    int Close() override;
    int IsConnected() override;
    int OpenDatabase(const char* serverPath) override;
    int Exec(const char* sql, RecNetRowCallback callback, void* context) override;
    int GetPeopleDbPaths(char* path2D, char* path3D, int capacity) override;
    int GetMonthDays(const char* table, const char* timeColumn, uint16_t year, uint16_t month,
                     uint16_t day, int dayCount, uint8_t* flags) override;
    int GetServerName(char* buffer, int capacity) override;
    int GetDatabaseCount() override;
    int GetDatabaseEntry(int index, int* counterType, char* path, int capacity) override;
    // The bucket pass in one request (RemoteBucketPass.cpp); kUnusable from a server without
    // it, which is then not asked again on this connection.
    BucketPassResult ExecBucketPass(const BucketPass& query, const std::function<bool()>& cancelled,
                                    BucketRows* rows, std::string* statement) override;

    // Why the last operation failed (empty after success).
    const std::string& LastError() const { return lastError_; }

  private:
    struct Stub;
    struct Entry {
        int counterType;
        std::string path;
    };

    // Prepares a call: deadline and the session token. False when there is no channel.
    bool Prepare(grpc::ClientContext* context, int deadlineMs);
    bool FetchDatabases();

    std::shared_ptr<grpc::Channel> channel_;
    std::unique_ptr<Stub> stub_;
    std::string token_;
    std::vector<Entry> databases_;
    bool databasesFetched_ = false;
    std::string lastError_;
    bool loginRefused_ = false;
    std::weak_ptr<grpc::Channel> noBucketsChannel_;  // the channel whose server lacks ExecBuckets
};

}  // namespace zl::recnet
