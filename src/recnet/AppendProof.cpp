#include "recnet/AppendProof.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cstring>
#include <map>
#include <vector>

#include "recnet/DbFileState.h"

namespace zl::recnet {

namespace {

constexpr unsigned char kIndexInterior = 0x02;
constexpr unsigned char kTableInterior = 0x05;
constexpr unsigned char kIndexLeaf = 0x0a;
constexpr unsigned char kTableLeaf = 0x0d;
constexpr size_t kLeafHeaderBytes = 8;
constexpr size_t kDbHeaderBytes = 100;

using Page = std::vector<unsigned char>;

uint32_t Big16(const unsigned char* p) {
    return (uint32_t(p[0]) << 8) | p[1];
}

// SQLite's variable-length integer at p (at most 9 bytes, none past end); 0 bytes on overrun.
size_t Varint(const unsigned char* p, const unsigned char* end, uint64_t* value) {
    uint64_t v = 0;
    for (size_t i = 0; i < 9; ++i) {
        if (p + i >= end) return 0;
        if (i == 8) {
            *value = (v << 8) | p[i];
            return 9;
        }
        v = (v << 7) | (p[i] & 0x7f);
        if ((p[i] & 0x80) == 0) {
            *value = v;
            return i + 1;
        }
    }
    return 0;
}

// One cell of a table leaf: where it starts, its byte count and its rowid.
struct Cell {
    size_t at = 0, bytes = 0;
    int64_t rowid = 0;
};

// The cells of the table leaf whose b-tree header is at `h`; false when the page is not a
// well-formed table leaf of this usable size.
bool LeafCells(const Page& page, size_t h, size_t usable, std::vector<Cell>* cells) {
    cells->clear();
    if (page.size() < usable || h + kLeafHeaderBytes > usable || page[h] != kTableLeaf)
        return false;
    const size_t count = Big16(&page[h + 3]);
    const size_t pointers = h + kLeafHeaderBytes;
    if (pointers + 2 * count > usable) return false;
    const unsigned char* end = page.data() + usable;
    for (size_t i = 0; i < count; ++i) {
        Cell cell;
        cell.at = Big16(&page[pointers + 2 * i]);
        if (cell.at < pointers + 2 * count || cell.at >= usable) return false;
        const unsigned char* p = page.data() + cell.at;
        uint64_t payload = 0, rowid = 0;
        const size_t a = Varint(p, end, &payload);
        const size_t b = a ? Varint(p + a, end, &rowid) : 0;
        if (!b) return false;
        // How much of the payload stays on the page (the rest goes to overflow pages).
        const uint64_t u = usable, maxLocal = u - 35, minLocal = (u - 12) * 32 / 255 - 23;
        uint64_t local = payload, overflow = 0;
        if (payload > maxLocal) {
            const uint64_t k = minLocal + (payload - minLocal) % (u - 4);
            local = k <= maxLocal ? k : minLocal;
            overflow = 4;
        }
        cell.bytes = a + b + local + overflow;
        if (cell.at + cell.bytes > usable) return false;
        cell.rowid = static_cast<int64_t>(rowid);
        cells->push_back(cell);
    }
    return true;
}

bool AllAbove(const std::vector<Cell>& cells, size_t from, int64_t maxRowid) {
    for (size_t i = from; i < cells.size(); ++i)
        if (cells[i].rowid <= maxRowid) return false;
    return true;
}

// Whether a page written since the earlier look keeps every row that page had (`before` is
// null for a page that did not exist then).
bool PageOnlyGained(const Page* before, const Page& now, size_t h, size_t usable,
                    int64_t maxRowid) {
    std::vector<Cell> nowCells, beforeCells;
    const bool nowLeaf = LeafCells(now, h, usable, &nowCells);
    if (!nowLeaf && now.size() > h && now[h] == kTableLeaf) return false;  // a damaged leaf
    if (!before) return !nowLeaf || AllAbove(nowCells, 0, maxRowid);
    const unsigned char type = before->size() > h ? (*before)[h] : 0;
    if (type == kIndexInterior || type == kTableInterior || type == kIndexLeaf)
        return !nowLeaf || AllAbove(nowCells, 0, maxRowid);
    if (type != kTableLeaf || !LeafCells(*before, h, usable, &beforeCells) || !nowLeaf ||
        nowCells.size() < beforeCells.size())
        return false;
    for (size_t i = 0; i < beforeCells.size(); ++i) {
        const Cell& a = beforeCells[i];
        const Cell& b = nowCells[i];
        if (a.bytes != b.bytes || std::memcmp(&(*before)[a.at], &now[b.at], a.bytes) != 0)
            return false;
    }
    return AllAbove(nowCells, beforeCells.size(), maxRowid);
}

// The database header may change only in its counters: change counter, size in pages and the
// version-valid-for number with the library version.
bool HeaderOnlyCounted(const Page& before, const Page& now) {
    if (before.size() < kDbHeaderBytes || now.size() < kDbHeaderBytes) return false;
    const auto same = [&](size_t from, size_t to) {
        return std::memcmp(&before[from], &now[from], to - from) == 0;
    };
    return same(0, 24) && same(32, 92);
}

bool ReadPage(int fd, uint64_t offset, size_t pageSize, Page* page) {
    page->assign(pageSize, 0);
    return ReadFileAt(fd, page->data(), pageSize, offset);
}

}  // namespace

bool ProveAppendOnly(const std::string& path, const std::string& beforeState,
                     const std::string& nowState, int64_t maxRowid) {
    std::string beforeFile, nowFile;
    bool beforeHasWal = false, nowHasWal = false;
    WalEnd beforeEnd, nowEnd;
    if (maxRowid < 0 || !SplitDbFileState(beforeState, &beforeFile, &beforeHasWal, &beforeEnd) ||
        !SplitDbFileState(nowState, &nowFile, &nowHasWal, &nowEnd) || beforeFile != nowFile ||
        !nowHasWal)
        return false;
    if (beforeHasWal &&
        (beforeEnd.salt1 != nowEnd.salt1 || beforeEnd.salt2 != nowEnd.salt2 ||
         beforeEnd.checkpoint != nowEnd.checkpoint || beforeEnd.commitFrame >= nowEnd.commitFrame))
        return false;

    UniqueFd db(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    UniqueFd wal(::open((path + "-wal").c_str(), O_RDONLY | O_CLOEXEC));
    struct stat dbStat {
    }, walStat{};
    if (db.get() < 0 || wal.get() < 0 || ::fstat(db.get(), &dbStat) != 0 ||
        ::fstat(wal.get(), &walStat) != 0)
        return false;
    std::vector<WalFrame> frames;
    WalEnd end;
    uint32_t pageSize = 0;
    if (!ReadWalEnd(wal.get(), static_cast<uint64_t>(walStat.st_size), &end, &frames, &pageSize) ||
        end.salt1 != nowEnd.salt1 || end.salt2 != nowEnd.salt2 ||
        end.commitFrame != nowEnd.commitFrame || end.sum1 != nowEnd.sum1 || end.sum2 != nowEnd.sum2)
        return false;
    const uint64_t first = beforeHasWal ? beforeEnd.commitFrame : 0;  // frames of the earlier look
    if (frames.size() < nowEnd.commitFrame) return false;
    if (first > 0) {
        const WalFrame& f = frames[first - 1];
        if (f.dbPages == 0 || f.sum1 != beforeEnd.sum1 || f.sum2 != beforeEnd.sum2) return false;
    }

    Page header(kDbHeaderBytes);
    if (!ReadFileAt(db.get(), header.data(), kDbHeaderBytes, 0)) return false;
    const uint32_t headerPageSize = Big16(&header[16]) == 1 ? 65536 : Big16(&header[16]);
    if (headerPageSize != pageSize) return false;
    const size_t usable = pageSize - header[20];
    const uint64_t beforePages =
        first > 0 ? frames[first - 1].dbPages : static_cast<uint64_t>(dbStat.st_size) / pageSize;
    if (frames[nowEnd.commitFrame - 1].dbPages < beforePages) return false;  // the file shrank

    // The last version of each page at the earlier look (in the log) and now.
    std::map<uint32_t, uint64_t> beforeInLog, written;
    for (uint64_t i = 0; i < first; ++i) beforeInLog[frames[i].page] = frames[i].dataOffset;
    for (uint64_t i = first; i < nowEnd.commitFrame; ++i)
        written[frames[i].page] = frames[i].dataOffset;

    Page before, now;
    for (const auto& [page, offset] : written) {
        if (page == 0 || !ReadPage(wal.get(), offset, pageSize, &now)) return false;
        const auto inLog = beforeInLog.find(page);
        bool existed = true;
        if (inLog != beforeInLog.end()) {
            if (!ReadPage(wal.get(), inLog->second, pageSize, &before)) return false;
        } else if (page <= beforePages) {
            if (!ReadPage(db.get(), uint64_t(page - 1) * pageSize, pageSize, &before)) return false;
        } else {
            existed = false;
        }
        if (page == 1 && (!existed || !HeaderOnlyCounted(before, now))) return false;
        const size_t h = page == 1 ? kDbHeaderBytes : 0;
        if (!PageOnlyGained(existed ? &before : nullptr, now, h, usable, maxRowid)) return false;
    }
    return true;
}

}  // namespace zl::recnet
