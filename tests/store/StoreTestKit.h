// A fresh temporary folder per test, removed with everything in it afterwards, and small file
// helpers for the store tests.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "Bytes.h"
#include "TempFolder.h"

namespace zl {

using zl::testsupport::ReadBytes;
using zl::testsupport::TempFolder;
using zl::testsupport::WriteBytes;

// New profile files end their lines with CR LF; expected texts are written with "\n".
inline std::string Crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// Runs `body` in a child process that folder and file permissions apply to: as root (which
// ignores them) the child drops to the user "nobody". Returns the child's result, or -1 when
// it could not run. The folder must let that user in (see OpenTo).
inline int RunWithPermissions(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(99);
        ::_exit(body());
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Sets the mode of a file or folder (the child of RunWithPermissions may be another user).
inline void SetMode(const std::string& path, mode_t mode) {
    ::chmod(path.c_str(), mode);
}

}  // namespace zl
