// Test helpers for the record-database component and its server.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "RecNetServer.h"
#include "ServerConfig.h"
#include "TempFolder.h"
#include "recnet/RecNet.h"

namespace zl::testkit {

// A temporary folder; making one also points the discovery cache at a temporary folder.
class TempDir : public zl::testsupport::TempFolder {
  public:
    TempDir();
};

// Sample databases: kinds 1..7 are the counter types, 8 the queue waiting file and 9 the
// queue served file. Rows on 2024-02-26 .. 2024-03-10 except 2024-03-04, every hour from
// 08:00 to 19:00, cameras 1 and 2; some values are NULL.
constexpr int kQueueWaitingKind = 8;
constexpr int kQueueServedKind = 9;
bool WriteSampleDatabase(const std::string& path, int kind, std::string* error = nullptr);
// The relative path ('/') of a kind below a data root.
std::string SampleRelativePath(int kind);
// Writes all nine files below root.
void WriteSampleRoot(const std::string& root);
// Table and time column of a kind (for GetMonthDays).
std::string SampleTable(int kind);
std::string SampleTimeColumn(int kind);

// Runs statements on a writable connection (for building odd databases in tests).
bool ExecWritable(const std::string& path, const std::string& sql, std::string* error = nullptr);

std::string Sha256OfFile(const std::string& path);
// Every entry below root: relative path -> "dir", "link:<target>" or the file's SHA-256.
std::map<std::string, std::string> Fingerprint(const std::string& root);

// A self-signed certificate for 127.0.0.1 (CN localhost) and its key, written by openssl into
// the folder; false when openssl is missing or fails. `pem` gets the certificate's text.
bool WriteSelfSignedCertificate(const std::string& folder, std::string* cert, std::string* key,
                                std::string* pem);

// Rows an Exec delivered: column texts (nullopt for NULL) and names.
struct Rows {
    std::vector<std::vector<std::optional<std::string>>> rows;
    std::vector<std::string> names;
    bool operator==(const Rows& other) const { return rows == other.rows && names == other.names; }
};
int CollectRows(void* context, int columns, char** texts, char** names);
std::string Describe(const Rows& rows);

// An in-process recnetd on 127.0.0.1 with one user.
class TestServer {
  public:
    static constexpr const char* kUser = "alice";
    static constexpr const char* kPassword = "correct horse battery";

    // The roots are served; limits can be changed before Start.
    explicit TestServer(std::vector<std::string> roots);
    ~TestServer();

    recnetd::ServerConfig& Config() { return config_; }
    bool Start();  // on config.port (0: a free port)
    void Stop();
    int Port() const { return port_; }
    recnetd::RecNetServer* Server() { return server_.get(); }
    std::vector<std::string> LogLines() const;

    // A client that is connected and logged in (null on failure).
    RecNetClient* NewClient(bool login = true) const;

  private:
    TempDir dir_;
    recnetd::ServerConfig config_;
    std::unique_ptr<recnetd::RecNetServer> server_;
    int port_ = 0;
    mutable std::mutex logMutex_;
    std::vector<std::string> log_;
};

// Deletes a client through the factory on scope exit.
struct ClientHolder {
    RecNetClient* client = nullptr;
    explicit ClientHolder(RecNetClient* c = nullptr) : client(c) {}
    ~ClientHolder() { RecNetClose(&client); }
    RecNetClient* operator->() const { return client; }
    explicit operator bool() const { return client != nullptr; }
};

}  // namespace zl::testkit
