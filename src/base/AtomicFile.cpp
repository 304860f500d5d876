#include "base/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace zl {
namespace {

std::mutex& HookMutex() {
    static std::mutex m;
    return m;
}

std::function<bool(AtomicWriteStep)>& Hook() {
    static std::function<bool(AtomicWriteStep)> hook;
    return hook;
}

bool InjectedFault(AtomicWriteStep step) {
    std::lock_guard<std::mutex> lock(HookMutex());
    return Hook() && Hook()(step);
}

bool Fail(std::string* error, const std::string& what, int err) {
    if (error) *error = what + ": " + std::strerror(err);
    return false;
}

// Follows a symbolic link so that the link keeps pointing at the (new) file.
std::string ResolveTarget(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char buf[PATH_MAX];
        if (realpath(path.c_str(), buf)) return buf;
    }
    return path;
}

bool WriteAll(int fd, std::string_view data) {
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

void SetAtomicWriteFaultHook(std::function<bool(AtomicWriteStep)> hook) {
    std::lock_guard<std::mutex> lock(HookMutex());
    Hook() = std::move(hook);
}

bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error,
                         bool ownerOnly) {
    if (path.empty()) {
        if (error) *error = "no file name";
        return false;
    }
    const std::string target = ResolveTarget(path);
    const size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);

    // A unique name in the target's folder, so that rename() stays within one file system.
    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    if (InjectedFault(AtomicWriteStep::CreateTemp)) {
        return Fail(error, "cannot create a temporary file in '" + dir + "'", EIO);
    }
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = (slash == std::string::npos ? std::string() : dir) + "." + base + ".tmp" +
               std::to_string(getpid()) + "_" + std::to_string(counter++);
        // 0666 lets the umask decide the mode of a new file, as for any created file.
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, ownerOnly ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST) {
            return Fail(error, "cannot create a temporary file in '" + dir + "'", errno);
        }
    }
    if (fd < 0) return Fail(error, "cannot create a temporary file in '" + dir + "'", EEXIST);

    auto abandon = [&](const std::string& what, int err) {
        ::close(fd);
        ::unlink(temp.c_str());
        return Fail(error, what, err);
    };

    struct stat old;
    if (::stat(target.c_str(), &old) == 0) {
        // Keep the mode (and, where allowed, the owner) of the file being replaced.
        if (!ownerOnly) (void)::fchmod(fd, old.st_mode & 07777);
        (void)!::fchown(fd, old.st_uid, old.st_gid);
    }
    if (ownerOnly && ::fchmod(fd, 0600) != 0)
        return abandon("cannot set the mode of '" + temp + "'", errno);
    if (InjectedFault(AtomicWriteStep::Write)) return abandon("cannot write '" + temp + "'", EIO);
    if (!WriteAll(fd, data)) return abandon("cannot write '" + temp + "'", errno);
    if (InjectedFault(AtomicWriteStep::Sync)) return abandon("cannot flush '" + temp + "'", EIO);
    if (::fsync(fd) != 0) return abandon("cannot flush '" + temp + "'", errno);
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(temp.c_str());
        return Fail(error, "cannot close '" + temp + "'", err);
    }
    const bool injected = InjectedFault(AtomicWriteStep::Rename);
    if (injected || ::rename(temp.c_str(), target.c_str()) != 0) {
        int err = injected ? EIO : errno;
        ::unlink(temp.c_str());
        return Fail(error, "cannot replace '" + target + "'", err);
    }
    // Make the rename itself durable.
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        (void)::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

}  // namespace zl
