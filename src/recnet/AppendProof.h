// Proof, from the pages themselves, that a database only gained rows since an earlier look.
//
// SQLite's write-ahead log names every page a commit wrote. When the database file is still
// byte for byte the one of the earlier look (same DbFileState file part) and the log still
// holds the frames of that look (same salts, the same running checksum at its last commit
// frame), the pages written since are exactly those of the later frames. Each of them is
// compared with its earlier version:
// - a table leaf must keep every earlier cell, byte for byte and in the same place of its
//   cell list, and may only gain cells whose rowid is above the highest rowid seen;
// - interior and index pages carry no row values and may change freely;
// - a page that did not exist before may hold only cells above that rowid when it is a leaf;
// - anything else (an overflow or freelist page, a changed database header apart from its
//   counters, a page that turned from a leaf into something else) is doubt.
// So rows of any table were neither deleted, updated nor moved; a rollback-journal file never
// gets this proof (it keeps no record of which pages changed).
#pragma once

#include <cstdint>
#include <string>

namespace zl::recnet {

// True when the committed content named by `nowState` differs from the one named by
// `beforeState` (both DbFileState texts of the file at `path`) only by rows added with a rowid
// above `maxRowid`. False on any doubt or read error.
bool ProveAppendOnly(const std::string& path, const std::string& beforeState,
                     const std::string& nowState, int64_t maxRowid);

}  // namespace zl::recnet
