// Camera discovery without a scan of the whole table each time.
//
// The discovery statements ("SELECT DISTINCT Camera from records;" and the 3D one) read every
// row. Their answer is kept, with the state of the database file it was computed on
// (DbFileState), in memory and in a small file per database in the user's cache folder, so
// that the next process gets it too. A kept answer is handed out only while the file's state
// is still exactly the same; any commit, a replaced file, a checkpoint or a restarted log
// makes the statement run again. An answer is kept only when the file's state was the same
// before and after the statement ran, so it belongs to that state, and when the file had not
// been written for two seconds (so that no later write can share its modification time).
//
// A cache file is written atomically and is used only when it is a regular file of the user,
// names the same file identity, statement and SQLite version, and its checksum holds; any
// other file is ignored (and replaced by the next answer).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zl::recnet {

// One answer: column names and rows of column texts (nullopt for NULL).
struct DiscoveryAnswer {
    std::vector<std::string> names;
    std::vector<std::vector<std::optional<std::string>>> rows;
    // What makes the answer extensible (DiscoveryExtend.h): every value was an integer or NULL,
    // and the highest rowid of the table it was computed on (-1: unknown).
    bool typed = false;
    int64_t maxRowid = -1;
    bool operator==(const DiscoveryAnswer& o) const { return names == o.names && rows == o.rows; }
};

// True when sql is, to the byte, one of the camera discovery statements.
bool IsDiscoveryStatement(const std::string& sql);

// Runs the statement on the database; true with its answer.
using DiscoveryRun = std::function<bool(DiscoveryAnswer* answer)>;
// The values the rows above fromRowid add (one column, in the order of their first rows), with
// the table's highest rowid now; false when that cannot be told exactly.
using DiscoveryExtend = std::function<bool(int64_t fromRowid, DiscoveryAnswer* added)>;

// The file a connection reads: its path and the identity it had when it was opened.
struct OpenedFile {
    std::string path;
    dev_t device = 0;
    ino_t inode = 0;
};
// The identity of the file at path now; false when it is not a readable regular file.
bool IdentifyFile(const std::string& path, OpenedFile* file);

class DiscoveryCache {
  public:
    // folder: where answers are kept across processes; empty = in memory only.
    explicit DiscoveryCache(std::string folder);

    // $XDG_CACHE_HOME/zelkoReporter, else $HOME/.cache/zelkoReporter; empty without either.
    static std::string UserFolder();
    // The process-wide cache in the user's folder.
    static DiscoveryCache& Shared();

    // The answer of `sql` on `file`: the kept one while the file provably has not changed;
    // the kept one brought up to date by `extend` (optional) when the pages prove that rows
    // were only added (AppendProof.h); else run's. A new answer is kept when the file stayed
    // the same while it was computed. False when run failed. *how (optional) tells which.
    enum class How { Ran, Reused, Extended };
    bool Answer(const OpenedFile& file, const std::string& sql, const DiscoveryRun& run,
                DiscoveryAnswer* answer, bool* reused = nullptr,
                const DiscoveryExtend& extend = nullptr, How* how = nullptr);

    // The file an answer for this identity and statement is kept in.
    std::string FileFor(dev_t device, ino_t inode, const std::string& sql) const;

  private:
    struct Entry {
        std::string state;
        DiscoveryAnswer answer;
    };
    // The kept entry for the key, whatever state it belongs to.
    bool Lookup(const std::string& key, const OpenedFile& file, const std::string& sql,
                Entry* entry);
    bool Extend(const OpenedFile& file, const Entry& kept, const std::string& state,
                const DiscoveryExtend& extend, DiscoveryAnswer* answer);
    void Keep(const std::string& key, const std::string& state, const OpenedFile& file,
              const std::string& sql, const DiscoveryAnswer& answer);

    std::string folder_;
    std::mutex mutex_;
    std::map<std::string, Entry> memory_;
};

// The cache file's text for an answer, and its reading back; Parse answers false for any text
// that is not exactly such a file for this identity and statement (and this SQLite version).
std::string FormatDiscoveryFile(dev_t device, ino_t inode, const std::string& sql,
                                const std::string& state, const DiscoveryAnswer& answer);
bool ParseDiscoveryFile(const std::string& text, dev_t device, ino_t inode, const std::string& sql,
                        std::string* state, DiscoveryAnswer* answer);

}  // namespace zl::recnet
