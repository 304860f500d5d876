// A recnetd (or any) child process for tests: its stdin, its stderr, its end.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <string>
#include <vector>

extern char** environ;

namespace zl::testkit {

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

}  // namespace zl::testkit
