#include "recnet/DbFileState.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace zl::recnet {

namespace {

constexpr size_t kHeaderBytes = 100;
constexpr size_t kWalHeaderBytes = 32;
constexpr size_t kFrameHeaderBytes = 24;
// A log this large is read whole for its state only up to this size; a larger one makes the
// state unknown (the answer is then computed afresh).
constexpr uint64_t kMaxWalBytes = 256ull << 20;

}  // namespace

UniqueFd::~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
}

bool ReadFileAt(int fd, void* buffer, size_t bytes, uint64_t offset) {
    auto* p = static_cast<unsigned char*>(buffer);
    while (bytes > 0) {
        const ssize_t n = ::pread(fd, p, bytes, static_cast<off_t>(offset));
        if (n <= 0) return false;
        p += n;
        bytes -= static_cast<size_t>(n);
        offset += static_cast<uint64_t>(n);
    }
    return true;
}

namespace {

uint32_t Big32(const unsigned char* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

uint32_t Word(const unsigned char* p, bool big) {
    return big ? Big32(p)
               : (uint32_t(p[3]) << 24) | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
}

// The log's checksum: over pairs of 32-bit words in the byte order the magic number names.
void Checksum(const unsigned char* data, size_t bytes, bool big, uint32_t* s1, uint32_t* s2) {
    for (size_t i = 0; i + 8 <= bytes; i += 8) {
        *s1 += Word(data + i, big) + *s2;
        *s2 += Word(data + i + 4, big) + *s1;
    }
}

std::string Hex(const unsigned char* p, size_t n) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
    }
    return out;
}

int64_t Nanos(const struct timespec& t) {
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

}  // namespace

bool ReadWalEnd(int fd, uint64_t size, WalEnd* end, std::vector<WalFrame>* frames,
                uint32_t* pageSizeOut) {
    *end = WalEnd();
    if (frames) frames->clear();
    unsigned char header[kWalHeaderBytes];
    if (size < kWalHeaderBytes || !ReadFileAt(fd, header, sizeof header, 0)) return false;
    const uint32_t magic = Big32(header);
    if (magic != 0x377f0682 && magic != 0x377f0683) return false;
    const bool big = (magic & 1) != 0;
    const uint32_t pageSize = Big32(header + 8);
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0) return false;
    uint32_t s1 = 0, s2 = 0;
    Checksum(header, 24, big, &s1, &s2);
    if (s1 != Big32(header + 24) || s2 != Big32(header + 28)) return false;
    if (pageSizeOut) *pageSizeOut = pageSize;
    end->checkpoint = Big32(header + 12);
    end->salt1 = Big32(header + 16);
    end->salt2 = Big32(header + 20);
    end->sum1 = s1;
    end->sum2 = s2;

    const size_t frameBytes = kFrameHeaderBytes + pageSize;
    std::vector<unsigned char> frame(frameBytes);
    uint64_t offset = kWalHeaderBytes;
    for (uint64_t number = 1; offset + frameBytes <= size; ++number, offset += frameBytes) {
        if (!ReadFileAt(fd, frame.data(), frameBytes, offset)) break;
        const unsigned char* h = frame.data();
        if (Big32(h + 8) != end->salt1 || Big32(h + 12) != end->salt2) break;
        Checksum(h, 8, big, &s1, &s2);
        Checksum(h + kFrameHeaderBytes, pageSize, big, &s1, &s2);
        if (s1 != Big32(h + 16) || s2 != Big32(h + 20)) break;
        if (frames) frames->push_back({Big32(h), Big32(h + 4), offset + kFrameHeaderBytes, s1, s2});
        if (Big32(h + 4) != 0) {  // the database size after a commit: a commit frame
            end->commitFrame = number;
            end->sum1 = s1;
            end->sum2 = s2;
        }
    }
    return true;
}

bool SplitDbFileState(const std::string& state, std::string* filePart, bool* hasWal, WalEnd* wal) {
    if (state.rfind("file ", 0) != 0) return false;
    const size_t at = state.find(" wal ");
    *filePart = state.substr(0, at);
    *hasWal = at != std::string::npos;
    *wal = WalEnd();
    if (!*hasWal) return true;
    unsigned long long v[6];
    char extra = 0;
    if (std::sscanf(state.c_str() + at + 5, "%llu %llu %llu %llu %llu %llu%c", &v[0], &v[1], &v[2],
                    &v[3], &v[4], &v[5], &extra) != 6)
        return false;
    wal->salt1 = static_cast<uint32_t>(v[0]);
    wal->salt2 = static_cast<uint32_t>(v[1]);
    wal->checkpoint = static_cast<uint32_t>(v[2]);
    wal->commitFrame = v[3];
    wal->sum1 = static_cast<uint32_t>(v[4]);
    wal->sum2 = static_cast<uint32_t>(v[5]);
    return true;
}

DbFileState ReadDbFileState(const std::string& path) {
    DbFileState out;
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return out;
    unsigned char header[kHeaderBytes];
    if (!ReadFileAt(fd.get(), header, sizeof header, 0) ||
        std::memcmp(header, "SQLite format 3", 16) != 0)
        return out;
    out.device = st.st_dev;
    out.inode = st.st_ino;
    out.modifiedNs = Nanos(st.st_mtim);
    out.state = "file " + std::to_string(st.st_dev) + " " + std::to_string(st.st_ino) + " " +
                std::to_string(st.st_size) + " " + std::to_string(Nanos(st.st_mtim)) + " " +
                Hex(header, kHeaderBytes);

    // No log, an empty one, one with an invalid header and one without a commit frame all
    // leave the file's own content as the committed content: the same state.
    UniqueFd wal(::open((path + "-wal").c_str(), O_RDONLY | O_CLOEXEC));
    struct stat ws {};
    if (wal.get() < 0 && errno != ENOENT) return out;  // a log that cannot be read
    if (wal.get() >= 0) {
        if (::fstat(wal.get(), &ws) != 0) return out;
        if (static_cast<uint64_t>(ws.st_size) > kMaxWalBytes) return out;
        WalEnd end;
        if (ReadWalEnd(wal.get(), static_cast<uint64_t>(ws.st_size), &end) && end.commitFrame > 0)
            out.state += " wal " + std::to_string(end.salt1) + " " + std::to_string(end.salt2) +
                         " " + std::to_string(end.checkpoint) + " " +
                         std::to_string(end.commitFrame) + " " + std::to_string(end.sum1) + " " +
                         std::to_string(end.sum2);
    }
    out.known = true;
    return out;
}

}  // namespace zl::recnet
