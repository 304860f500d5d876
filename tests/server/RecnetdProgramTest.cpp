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

#include "RecNetTestKit.h"

extern char** environ;

namespace zl::testkit {
namespace {

// A child process with a pipe to its stdin and one from its stderr.
struct Child {
    pid_t pid = -1;
    int in = -1;
    int err = -1;

    bool Start(const std::vector<std::string>& args) {
        int inPipe[2], errPipe[2];
        if (::pipe2(inPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, inPipe[0], 0);
        posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
        std::vector<char*> argv;
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(inPipe[0]);
        ::close(errPipe[1]);
        in = inPipe[1];
        err = errPipe[0];
        return rc == 0;
    }

    void Send(const std::string& text) {
        (void)!::write(in, text.data(), text.size());
        ::close(in);
        in = -1;
    }

    // Reads stderr until the pattern matches or the time is up.
    bool WaitFor(const std::regex& pattern, int timeoutMs, std::string* text, std::smatch* match) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < end) {
            if (std::regex_search(*text, *match, pattern)) return true;
            pollfd fd{err, POLLIN, 0};
            if (::poll(&fd, 1, 50) > 0) {
                char buffer[4096];
                const ssize_t n = ::read(err, buffer, sizeof buffer);
                if (n <= 0) break;
                text->append(buffer, static_cast<size_t>(n));
            }
        }
        return std::regex_search(*text, *match, pattern);
    }

    std::string ReadRest() {
        std::string text;
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(err, buffer, sizeof buffer)) > 0) text.append(buffer, n);
        return text;
    }

    int Wait() {
        int status = 0;
        ::waitpid(pid, &status, 0);
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    ~Child() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        if (in >= 0) ::close(in);
        if (err >= 0) ::close(err);
    }
};

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
