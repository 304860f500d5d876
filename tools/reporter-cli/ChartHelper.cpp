#include "ChartHelper.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "base/ProgramFolder.h"

extern char** environ;

namespace zl {

std::string ChartHelperPath() {
    if (const char* given = std::getenv("ZL_REPORTER_CHART"); given && *given) return given;
    return ExecutableFolder() + "reporter-chart";
}

bool RunChartHelper(const std::string& folder, int width, int height, const std::string& output,
                    const std::vector<std::string>& options, std::string* error) {
    const std::string program = ChartHelperPath();
    if (::access(program.c_str(), X_OK) != 0) {
        *error = "the picture helper " + program + " is missing";
        return false;
    }
    const std::string w = std::to_string(width), h = std::to_string(height);
    std::vector<char*> argv = {const_cast<char*>(program.c_str()),
                               const_cast<char*>(folder.c_str()), const_cast<char*>(w.c_str()),
                               const_cast<char*>(h.c_str()), const_cast<char*>(output.c_str())};
    for (const std::string& option : options) argv.push_back(const_cast<char*>(option.c_str()));
    argv.push_back(nullptr);

    // Its standard error comes back through a pipe: the message is the caller's to show.
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        *error = std::string("cannot start the picture helper: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (rc != 0) {
        ::close(pipeFds[0]);
        *error = std::string("cannot start the picture helper: ") + std::strerror(rc);
        return false;
    }
    std::string messages;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n > 0) {
            if (messages.size() < 65536) messages.append(buffer, static_cast<size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    // The helper's own message is its marked line; the libraries may print more after it.
    constexpr std::string_view kMark = "reporter-chart: ";
    const size_t marked = messages.rfind(kMark);
    if (marked != std::string::npos && (marked == 0 || messages[marked - 1] == '\n')) {
        const size_t end = messages.find('\n', marked);
        *error = messages.substr(marked + kMark.size(), end == std::string::npos
                                                            ? std::string::npos
                                                            : end - marked - kMark.size());
    } else {
        while (!messages.empty() && (messages.back() == '\n' || messages.back() == '\r'))
            messages.pop_back();
        const size_t lastLine = messages.rfind('\n');
        *error = lastLine == std::string::npos ? messages : messages.substr(lastLine + 1);
    }
    if (!error->empty() && error->back() == '\r') error->pop_back();
    if (error->empty()) error->assign("the picture helper failed");
    return false;
}

}  // namespace zl
