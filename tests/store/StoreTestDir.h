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

class StoreTestDir {
  public:
    StoreTestDir() {
        std::string templ = (std::filesystem::temp_directory_path() / "zl_store_XXXXXX").string();
        path_ = ::mkdtemp(templ.data()) ? templ : std::string();
    }
    ~StoreTestDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    StoreTestDir(const StoreTestDir&) = delete;
    StoreTestDir& operator=(const StoreTestDir&) = delete;

    std::string File(const std::string& name) const { return path_ + "/" + name; }
    // The folder with a trailing '/', as the program folder is given.
    std::string Folder() const { return path_ + "/"; }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// New profile files end their lines with CR LF; expected texts are written with "\n".
inline std::string Crlf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

inline std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
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
