#include "threadkit/ZBaseLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace zl {
namespace {

// "%Y %b %d %H:%M:%S - " with English month names whatever the process locale is.
std::string Stamp() {
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d %s %02d %02d:%02d:%02d - ", tm.tm_year + 1900,
                  kMonths[tm.tm_mon], tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

}  // namespace

ZBaseLog::~ZBaseLog() {
    CloseFile();
}

ILog::~ILog() = default;

bool ZBaseLog::OpenFile(const std::string& name) {
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    fd_ = fd;
    open_ = 1;
    return true;
}

void ZBaseLog::CloseFile() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    open_ = 0;
}

long long ZBaseLog::FileSize() const {
    struct stat st;
    return fd_ >= 0 && ::fstat(fd_, &st) == 0 ? static_cast<long long>(st.st_size) : 0;
}

int ZBaseLog::Range() {
    CloseFile();
    RangeFile(filename_.c_str());
    return OpenFile(filename_) ? 1 : 0;
}

int ZBaseLog::SetFilename(const char* name) {
    CloseFile();
    if (!name || !*name || !OpenFile(name)) return 0;
    char full[PATH_MAX];
    filename_ = ::realpath(name, full) ? full : name;
    writes_ = 0;
    if (FileSize() > kRangeSize) return Range();
    return 1;
}

int ZBaseLog::RangeFile(const char* /*fullPath*/) {
    return 1;
}

int ZBaseLog::Write(const char* text) {
    if (!open_) return 0;
    ++writes_;
    char tid[48];
    std::snprintf(tid, sizeof tid,
                  "Thread Id: %x : ", static_cast<unsigned>(::syscall(SYS_gettid)));
    // One write call per entry, so entries of several logs on one file do not interleave.
    std::string entry = Stamp() + tid + (text ? text : "");
    const char* p = entry.data();
    size_t left = entry.size();
    while (left > 0) {
        ssize_t n = ::write(fd_, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (writes_ >= kRangeEvery) {
        writes_ = 0;
        if (FileSize() > kRangeSize) return Range();
    }
    return 1;
}

int ZBaseLog::WriteV(const char* format, ...) {
    if (!open_) return 0;
    if (!format) return Write("");
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (n > 0) {
        text.resize(static_cast<size_t>(n));
        std::vsnprintf(text.data(), text.size() + 1, format, args);
    }
    va_end(args);
    Write(text.c_str());
    return 1;
}

}  // namespace zl
