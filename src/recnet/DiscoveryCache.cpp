#include "recnet/DiscoveryCache.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "base/AtomicFile.h"
#include "recnet/AppendProof.h"
#include "recnet/DbFileState.h"

namespace zl::recnet {

namespace {

constexpr const char* kMagic = "zelkoReporter discovery answer 2";
constexpr size_t kMaxFileBytes = 1 << 20;
constexpr size_t kMaxMemoryEntries = 1024;
// A state is kept only when the file was last written at least this long before: a later
// write then gets a later modification time even on a coarse file system clock.
constexpr int64_t kSettledNs = 2000000000;

int64_t NowNs() {
    struct timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

uint64_t Fnv1a(const std::string& text) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool Unhex(const std::string& text, std::string* out) {
    if (text.size() % 2) return false;
    out->clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        const int a = HexDigit(text[i]), b = HexDigit(text[i + 1]);
        if (a < 0 || b < 0) return false;
        out->push_back(static_cast<char>(a * 16 + b));
    }
    return true;
}

std::string HashText(uint64_t h) {
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

std::string Head(dev_t device, ino_t inode, const std::string& sql) {
    return std::string(kMagic) + "\nsqlite " + sqlite3_libversion() + "\nfile " +
           std::to_string(device) + " " + std::to_string(inode) + "\nsql " + Hex(sql) + "\n";
}

std::string KeyOf(dev_t device, ino_t inode, const std::string& sql) {
    return std::to_string(device) + "-" + std::to_string(inode) + "-" + HashText(Fnv1a(sql));
}

bool MakeFolder(const std::string& folder) {
    std::string partial;
    std::stringstream parts(folder);
    std::string part;
    while (std::getline(parts, part, '/')) {
        partial += part + "/";
        if (part.empty()) continue;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat st {};
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool IsDiscoveryStatement(const std::string& sql) {
    return sql == "SELECT DISTINCT Camera from records;" ||
           sql == "SELECT DISTINCT Camera from _3DRECORDS;";
}

bool IdentifyFile(const std::string& path, OpenedFile* file) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    file->path = path;
    file->device = st.st_dev;
    file->inode = st.st_ino;
    return true;
}

std::string FormatDiscoveryFile(dev_t device, ino_t inode, const std::string& sql,
                                const std::string& state, const DiscoveryAnswer& answer) {
    std::string body = Head(device, inode, sql) + "state " + Hex(state) + "\n";
    body += "rowid " + std::to_string(answer.maxRowid) + (answer.typed ? " typed" : "") + "\n";
    body += "names";
    for (const std::string& name : answer.names) body += " " + Hex(name) + ".";
    body += "\n";
    for (const auto& row : answer.rows) {
        body += "row";
        // A value is its hex text and a dot; NULL is a lone "-".
        for (const auto& value : row) body += value ? " " + Hex(*value) + "." : std::string(" -");
        body += "\n";
    }
    return body + "end " + HashText(Fnv1a(body)) + "\n";
}

bool ParseDiscoveryFile(const std::string& text, dev_t device, ino_t inode, const std::string& sql,
                        std::string* state, DiscoveryAnswer* answer) {
    const size_t endAt = text.rfind("end ");
    if (endAt == std::string::npos || text.size() != endAt + 4 + 16 + 1 || text.back() != '\n')
        return false;
    const std::string body = text.substr(0, endAt);
    if (text.compare(endAt + 4, 16, HashText(Fnv1a(body))) != 0) return false;
    const std::string head = Head(device, inode, sql);
    if (body.compare(0, head.size(), head) != 0) return false;

    std::istringstream lines(body.substr(head.size()));
    std::string line;
    if (!std::getline(lines, line) || line.rfind("state ", 0) != 0 || !Unhex(line.substr(6), state))
        return false;
    long long maxRowid = -1;
    char typed[8] = {};
    int used = 0;
    if (!std::getline(lines, line) ||
        std::sscanf(line.c_str(), "rowid %lld%n %5s%n", &maxRowid, &used, typed, &used) < 1 ||
        static_cast<size_t>(used) != line.size() || maxRowid < -1 ||
        (typed[0] && std::string(typed) != "typed") ||
        line != "rowid " + std::to_string(maxRowid) + (typed[0] ? " typed" : ""))
        return false;
    const auto values = [](const std::string& rest, std::vector<std::optional<std::string>>* out) {
        std::istringstream words(rest);
        std::string word, value;
        while (words >> word) {
            if (word == "-") {
                out->push_back(std::nullopt);
                continue;
            }
            if (word.back() != '.' || !Unhex(word.substr(0, word.size() - 1), &value)) return false;
            out->push_back(value);
        }
        return true;
    };
    DiscoveryAnswer parsed;
    std::vector<std::optional<std::string>> names;
    if (!std::getline(lines, line) || line.rfind("names", 0) != 0 ||
        !values(line.substr(5), &names))
        return false;
    for (const auto& name : names) {
        if (!name) return false;
        parsed.names.push_back(*name);
    }
    while (std::getline(lines, line)) {
        if (line.rfind("row", 0) != 0) return false;
        std::vector<std::optional<std::string>> row;
        if (!values(line.substr(3), &row) || row.size() != parsed.names.size()) return false;
        parsed.rows.push_back(std::move(row));
    }
    parsed.maxRowid = maxRowid;
    parsed.typed = typed[0] != 0;
    *answer = std::move(parsed);
    return true;
}

DiscoveryCache::DiscoveryCache(std::string folder) : folder_(std::move(folder)) {}

std::string DiscoveryCache::UserFolder() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    // XDG base directories: a relative value is invalid and is ignored.
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/zelkoReporter";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.cache/zelkoReporter";
    return std::string();
}

DiscoveryCache& DiscoveryCache::Shared() {
    static DiscoveryCache cache(UserFolder());
    return cache;
}

std::string DiscoveryCache::FileFor(dev_t device, ino_t inode, const std::string& sql) const {
    if (folder_.empty()) return std::string();
    return folder_ + "/cameras-" + KeyOf(device, inode, sql) + ".txt";
}

bool DiscoveryCache::Lookup(const std::string& key, const OpenedFile& file, const std::string& sql,
                            Entry* entry) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = memory_.find(key);
        if (it != memory_.end()) {
            *entry = it->second;
            return true;
        }
    }
    const std::string path = FileFor(file.device, file.inode, sql);
    if (path.empty()) return false;
    std::ifstream in(path, std::ios::binary);
    struct stat st {};
    if (!in || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        static_cast<size_t>(st.st_size) > kMaxFileBytes)
        return false;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Entry parsed;
    if (!ParseDiscoveryFile(text, file.device, file.inode, sql, &parsed.state, &parsed.answer))
        return false;
    *entry = parsed;
    std::lock_guard<std::mutex> lock(mutex_);
    if (memory_.size() >= kMaxMemoryEntries) memory_.clear();
    memory_[key] = std::move(parsed);
    return true;
}

bool DiscoveryCache::Extend(const OpenedFile& file, const Entry& kept, const std::string& state,
                            const DiscoveryExtend& extend, DiscoveryAnswer* answer) {
    const DiscoveryAnswer& old = kept.answer;
    if (!extend || !old.typed || old.maxRowid < 0 || old.names.size() != 1 ||
        !ProveAppendOnly(file.path, kept.state, state, old.maxRowid))
        return false;
    DiscoveryAnswer added;
    if (!extend(old.maxRowid, &added) || !added.typed || added.maxRowid < old.maxRowid)
        return false;
    DiscoveryAnswer merged = old;
    for (auto& row : added.rows) {
        if (row.size() != 1) return false;
        if (std::find(merged.rows.begin(), merged.rows.end(), row) == merged.rows.end())
            merged.rows.push_back(std::move(row));
    }
    merged.maxRowid = added.maxRowid;
    *answer = std::move(merged);
    return true;
}

void DiscoveryCache::Keep(const std::string& key, const std::string& state, const OpenedFile& file,
                          const std::string& sql, const DiscoveryAnswer& answer) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (memory_.size() >= kMaxMemoryEntries) memory_.clear();
        memory_[key] = Entry{state, answer};
    }
    if (folder_.empty() || !MakeFolder(folder_)) return;
    // A cache that cannot be written only costs the next process a scan.
    zl::WriteFileAtomically(FileFor(file.device, file.inode, sql),
                            FormatDiscoveryFile(file.device, file.inode, sql, state, answer));
}

bool DiscoveryCache::Answer(const OpenedFile& file, const std::string& sql, const DiscoveryRun& run,
                            DiscoveryAnswer* answer, bool* reused, const DiscoveryExtend& extend,
                            How* how) {
    if (reused) *reused = false;
    if (how) *how = How::Ran;
    const DbFileState before = ReadDbFileState(file.path);
    // The path must still lead to the file the connection reads.
    const bool usable = before.known && before.device == file.device && before.inode == file.inode;
    const std::string key = KeyOf(file.device, file.inode, sql);
    Entry kept;
    const bool haveKept = usable && Lookup(key, file, sql, &kept);
    if (haveKept && kept.state == before.state) {
        *answer = kept.answer;
        if (reused) *reused = true;
        if (how) *how = How::Reused;
        return true;
    }
    // Both ways, the new answer counts only when the file stayed in the state it was computed
    // on; an extension that saw another state gives way to the whole statement.
    const auto stayed = [&] {
        const DbFileState after = ReadDbFileState(file.path);
        return after.known && after.state == before.state;
    };
    const auto keep = [&](const DiscoveryAnswer& fresh) {
        if (NowNs() - before.modifiedNs >= kSettledNs) Keep(key, before.state, file, sql, fresh);
    };
    DiscoveryAnswer extended;
    if (haveKept && Extend(file, kept, before.state, extend, &extended) && stayed()) {
        keep(extended);
        *answer = std::move(extended);
        if (how) *how = How::Extended;
        return true;
    }
    DiscoveryAnswer fresh;
    if (!run(&fresh)) return false;
    *answer = fresh;
    if (usable && stayed()) keep(fresh);
    return true;
}

}  // namespace zl::recnet
