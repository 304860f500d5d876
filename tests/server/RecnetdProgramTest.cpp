// The recnetd program: user management from standard input, start, serve, stop on SIGTERM.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <regex>

#include "ChildProcess.h"
#include "RecNetTestKit.h"

extern char** environ;

namespace zl::testkit {
namespace {

int RunProgram(const std::vector<std::string>& args, const std::string& input,
               std::string* output) {
    Child child;
    if (!child.Start(args)) return -1;
    child.Send(input);
    *output = child.ReadRest();
    return child.Wait();
}

class RecnetdProgramTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteSampleRoot(dir_ / "data");
        config_ = dir_ / "recnetd.ini";
        std::ofstream(config_) << "[server]\naddress=127.0.0.1\nport=0\nname=program test\n"
                                  "log_level=info\n[data]\nroot=data\n";
    }
    TempDir dir_;
    std::string config_;
};

TEST_F(RecnetdProgramTest, ManagesUsersServesAndStopsOnSigterm) {
    std::string output;
    ASSERT_EQ(RunProgram({RECNETD_PROGRAM, "--config", config_, "--add-user", "bob"},
                         "bobs secret\n", &output),
              0)
        << output;
    EXPECT_EQ(output.find("bobs secret"), std::string::npos);
    EXPECT_NE(
        RunProgram({RECNETD_PROGRAM, "--config", config_, "--remove-user", "nobody"}, "", &output),
        0);
    EXPECT_NE(RunProgram({RECNETD_PROGRAM, "--config", config_, "--add-user", "bad name"}, "pw\n",
                         &output),
              0);
    EXPECT_EQ(RunProgram({RECNETD_PROGRAM, "--config", config_, "--check"}, "", &output), 0)
        << output;
    EXPECT_NE(RunProgram({RECNETD_PROGRAM, "--config", dir_ / "missing.ini"}, "", &output), 0);
    EXPECT_NE(RunProgram({RECNETD_PROGRAM, "--bogus"}, "", &output), 0);

    Child server;
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(server.Start({RECNETD_PROGRAM, "--config", config_}));
    std::string log;
    std::smatch match;
    ASSERT_TRUE(
        server.WaitFor(std::regex("listening on 127\\.0\\.0\\.1:([0-9]+)"), 60000, &log, &match))
        << log;
    const auto startMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - started)
                             .count();
    std::printf("recnetd was listening after %lld ms\n", static_cast<long long>(startMs));
    const int port = std::stoi(match[1].str());

    ClientHolder client(CreateRecNetClient());
    ASSERT_EQ(client->Connect("127.0.0.1", port, 30000), 1);
    ASSERT_EQ(client->Login("bob", "bobs secret"), 1);
    char name[260];
    ASSERT_EQ(client->GetServerName(name, sizeof name), 1);
    EXPECT_STREQ(name, "program test");

    ASSERT_EQ(::kill(server.pid, SIGTERM), 0);
    EXPECT_EQ(server.Wait(), 0);
    log += server.ReadRest();
    EXPECT_NE(log.find("stopped"), std::string::npos) << log;
    EXPECT_EQ(log.find("bobs secret"), std::string::npos);

    ASSERT_EQ(
        RunProgram({RECNETD_PROGRAM, "--config", config_, "--remove-user", "bob"}, "", &output), 0);
}

}  // namespace
}  // namespace zl::testkit
