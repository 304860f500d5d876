// What a database file looks like on disk, read without SQLite: enough to prove that its
// committed content has not changed since an earlier look.
//
// Two looks give the same `state` text only when no transaction was committed between them:
// - rollback journal: every commit rewrites the header's change counter (and the file's
//   modification time and size go with it);
// - write-ahead log: every commit appends a commit frame to the log, and the frames carry a
//   running checksum, so the last valid commit frame and its checksum name the committed
//   content of the log exactly (a log that was restarted has new salts).
// Checkpoints and other writes that keep the content change the state too; that only costs a
// fresh answer, never a wrong one. A checkpoint of a log into the file may leave its header as
// it was: then only the modification time tells, which is why a state is kept only once the
// file has not been written for a while (see DiscoveryCache).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zl::recnet {

struct DbFileState {
    bool known = false;  // false: the file could not be read, or its state cannot be proven
    dev_t device = 0;
    ino_t inode = 0;
    std::string state;       // comparable text; identity, header and log state
    int64_t modifiedNs = 0;  // the file's modification time (ns since the epoch)
};

// Reads the state of the SQLite file at `path` (its "-wal" log next to it).
DbFileState ReadDbFileState(const std::string& path);

// The write-ahead log's committed end: the number of the last valid commit frame (0 = none)
// and the running checksum there. False when the log's header is not valid (an empty or
// foreign log counts as no log: SQLite ignores it too).
struct WalEnd {
    uint32_t salt1 = 0, salt2 = 0, checkpoint = 0;
    uint64_t commitFrame = 0;
    uint32_t sum1 = 0, sum2 = 0;
};
// One valid frame of the log: the page it holds, the database size in pages after it (0 when
// it is no commit frame), where its page data starts, and the running checksum after it.
struct WalFrame {
    uint32_t page = 0;
    uint32_t dbPages = 0;
    uint64_t dataOffset = 0;
    uint32_t sum1 = 0, sum2 = 0;
};
// frames (optional) receives every valid frame in order, also those after the last commit.
bool ReadWalEnd(int fd, uint64_t size, WalEnd* end, std::vector<WalFrame>* frames = nullptr,
                uint32_t* pageSize = nullptr);

// The parts of a state text: the database file's part and the log's end (hasWal false when the
// log added nothing). False for a text that is no state.
bool SplitDbFileState(const std::string& state, std::string* filePart, bool* hasWal, WalEnd* wal);

// Closes its descriptor when it goes.
class UniqueFd {
  public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd();
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

// pread until `bytes` are read; false on an error or the end of the file.
bool ReadFileAt(int fd, void* buffer, size_t bytes, uint64_t offset);

}  // namespace zl::recnet
