// Reading recnetd's INI file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "RecNetTestKit.h"
#include "ServerConfig.h"

namespace zl::recnetd {
namespace {

using testkit::TempDir;

class ServerConfigTest : public ::testing::Test {
  protected:
    bool Load(const std::string& text, ServerConfig* config, std::string* error) {
        std::ofstream(dir_ / "recnetd.ini") << text;
        return LoadServerConfig(dir_ / "recnetd.ini", config, error);
    }
    TempDir dir_;
};

TEST_F(ServerConfigTest, DefaultsAndRelativePaths) {
    ServerConfig config;
    std::string error;
    ASSERT_TRUE(Load("[data]\nroot = data\n", &config, &error)) << error;
    EXPECT_EQ(config.address, "0.0.0.0");
    EXPECT_EQ(config.port, 700);
    EXPECT_EQ(config.serverName, "");
    ASSERT_EQ(config.dataRoots.size(), 1u);
    EXPECT_EQ(config.dataRoots[0], dir_ / "data");
    EXPECT_EQ(config.usersFile, dir_ / "recnetd.users");
    EXPECT_EQ(config.tlsCertFile, "");
    EXPECT_EQ(config.logLevel, LogLevel::Info);
    const Limits defaults;
    EXPECT_EQ(config.limits.statementTimeoutMs, 2000);
    EXPECT_EQ(config.limits.maxRows, defaults.maxRows);
    EXPECT_EQ(config.limits.sessionIdleMs, 30 * 60 * 1000);
    EXPECT_EQ(config.limits.maxConcurrentStatements, 4);
}

TEST_F(ServerConfigTest, EveryKey) {
    ServerConfig config;
    std::string error;
    ASSERT_TRUE(
        Load("[Server]\r\nAddress = 127.0.0.1\r\nport=7000\r\nname=Main site\r\n"
             "users_file=/etc/recnetd/users\r\ntls_cert=cert.pem\r\ntls_key=key.pem\r\n"
             "log_level=warn\r\n"
             "[data]\r\nroot=/srv/a\r\nroot2=/srv/b\r\nroot1=/srv/c\r\n"
             "[limits]\r\nstatement_timeout_ms=500\r\nmax_rows=10\r\n"
             "max_answer_bytes=4096\r\nmax_value_bytes=2048\r\nmax_sql_bytes=1000\r\n"
             "max_concurrent_statements=2\r\nmax_queued_statements=0\r\n"
             "queue_wait_ms=100\r\nmax_concurrent_logins=1\r\n"
             "session_idle_seconds=60\r\nmax_sessions=5\r\n"
             "user_failures_before_backoff=2\r\naddress_failures_before_backoff=3\r\n"
             "backoff_base_ms=10\r\nbackoff_max_ms=20\r\nheap_limit_mb=64\r\n"
             "busy_timeout_ms=0\r\n",
             &config, &error))
        << error;
    EXPECT_EQ(config.address, "127.0.0.1");
    EXPECT_EQ(config.port, 7000);
    EXPECT_EQ(config.serverName, "Main site");
    EXPECT_EQ(config.usersFile, "/etc/recnetd/users");
    EXPECT_EQ(config.tlsCertFile, dir_ / "cert.pem");
    EXPECT_EQ(config.tlsKeyFile, dir_ / "key.pem");
    EXPECT_EQ(config.logLevel, LogLevel::Warn);
    EXPECT_EQ(config.dataRoots, (std::vector<std::string>{"/srv/a", "/srv/c", "/srv/b"}));
    const Limits& l = config.limits;
    EXPECT_EQ(l.statementTimeoutMs, 500);
    EXPECT_EQ(l.maxRows, 10);
    EXPECT_EQ(l.maxAnswerBytes, 4096);
    EXPECT_EQ(l.maxValueBytes, 2048);
    EXPECT_EQ(l.maxSqlBytes, 1000);
    EXPECT_EQ(l.maxConcurrentStatements, 2);
    EXPECT_EQ(l.maxQueuedStatements, 0);
    EXPECT_EQ(l.queueWaitMs, 100);
    EXPECT_EQ(l.maxConcurrentLogins, 1);
    EXPECT_EQ(l.sessionIdleMs, 60000);
    EXPECT_EQ(l.maxSessions, 5);
    EXPECT_EQ(l.userFailuresBeforeBackoff, 2);
    EXPECT_EQ(l.addressFailuresBeforeBackoff, 3);
    EXPECT_EQ(l.backoffBaseMs, 10);
    EXPECT_EQ(l.backoffMaxMs, 20);
    EXPECT_EQ(l.heapLimitBytes, 64LL * 1024 * 1024);
    EXPECT_EQ(l.busyTimeoutMs, 0);
}

TEST_F(ServerConfigTest, RefusesBadValues) {
    const struct {
        const char* text;
        const char* errorPart;
    } cases[] = {
        {"[server]\nport=70000\n[data]\nroot=/x\n", "port"},
        {"[server]\nport=7x\n[data]\nroot=/x\n", "port"},
        {"[server]\nlog_level=loud\n[data]\nroot=/x\n", "log_level"},
        {"[server]\nport=700\n", "data root"},
        {"[server]\ntls_cert=c.pem\n[data]\nroot=/x\n", "tls_key"},
        {"[data]\nroot=/x\n[limits]\nstatement_timeout_ms=0\n", "statement_timeout_ms"},
        {"[data]\nroot=/x\n[limits]\nmax_rows=-1\n", "max_rows"},
        {"[data]\nroot=/x\n[limits]\nmax_rows=ten\n", "max_rows"},
        {"[data]\nroot=/x\n[limits]\nmax_concurrent_statements=0\n", "max_concurrent_statements"},
        {"[data]\nroot=/x\n[limits]\nbackoff_base_ms=100\nbackoff_max_ms=10\n", "backoff"},
    };
    for (const auto& c : cases) {
        ServerConfig config;
        std::string error;
        EXPECT_FALSE(Load(c.text, &config, &error)) << c.text;
        EXPECT_NE(error.find(c.errorPart), std::string::npos) << c.text << " -> " << error;
    }
    ServerConfig config;
    std::string error;
    EXPECT_FALSE(LoadServerConfig(dir_ / "missing.ini", &config, &error));
}

}  // namespace
}  // namespace zl::recnetd

namespace zl::recnetd {
namespace {

TEST_F(ServerConfigTest, MisspeltKeysAreRefusedAndCheckLooksForTheFiles) {
    ServerConfig config;
    std::string error;
    EXPECT_FALSE(Load("[data]\nroot = data\n[limits]\nmax_session = 5\n", &config, &error));
    EXPECT_NE(error.find("max_session"), std::string::npos) << error;
    EXPECT_FALSE(
        Load("[server]\nport = 1\nlog-level = info\n[data]\nroot = data\n", &config, &error));
    EXPECT_NE(error.find("log-level"), std::string::npos) << error;

    ASSERT_TRUE(
        Load("[server]\ntls_cert = c.pem\ntls_key = k.pem\n[data]\nroot = data\n"
             "[limits]\nmax_sessions_per_user = 3\n",
             &config, &error))
        << error;
    EXPECT_EQ(config.limits.maxSessionsPerUser, 3);
    // Each missing file or folder is named in turn.
    for (const char* missing : {"recnetd.users", "c.pem", "k.pem", "data"}) {
        EXPECT_FALSE(CheckServerFiles(config, &error));
        EXPECT_NE(error.find(missing), std::string::npos) << error;
        if (std::string(missing) == "data")
            std::filesystem::create_directory(dir_ / missing);
        else
            std::ofstream(dir_ / missing) << "x";
    }
    EXPECT_TRUE(CheckServerFiles(config, &error)) << error;
}

}  // namespace
}  // namespace zl::recnetd
