// Bringing a kept camera discovery answer up to date from the rows added since, on the
// connection that would otherwise run the whole statement.
//
// A kept answer can be extended only when it is exactly what the statement gives on the rows
// up to a known rowid: the statement reads the table in rowid order (one scan, no index, a
// real rowid), so its rows come in the order of each value's first row; and every value is an
// integer or NULL, so that comparing texts is comparing values. The rows added above that
// rowid then append their new values, in the order of their first rows.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <string>

#include "recnet/DiscoveryCache.h"

namespace zl::recnet {

// Runs a helper statement on the connection under its owner's limits; rows as texts.
using TextRun = std::function<bool(const std::string& sql, DiscoveryAnswer* rows)>;

// The table a discovery statement reads (empty for any other text).
std::string DiscoveryTable(const std::string& sql);

// True when the statement reads its table in rowid order: its plan is one scan of the table
// without an index, and the table has a rowid that no column of that name hides.
bool ScansInRowidOrder(sqlite3* db, const std::string& sql);

// The highest rowid of the table (0 when it is empty).
bool MaxRowid(const TextRun& run, const std::string& table, int64_t* maxRowid);

// The answer's facts for extending it later: `typed` from the value types the statement gave
// (SQLITE_INTEGER / SQLITE_NULL only), `maxRowid` read after it.
void NoteDiscoveryFacts(bool onlyIntegers, const TextRun& run, const std::string& sql,
                        DiscoveryAnswer* answer);

// Runs the statement on db, noting whether every value was an integer or NULL.
bool RunTypedDiscovery(sqlite3* db, const std::string& sql, DiscoveryAnswer* answer,
                       std::string* error);

// The extension for DiscoveryCache::Answer on a connection.
DiscoveryExtend MakeDiscoveryExtend(sqlite3* db, const std::string& sql, TextRun run);

}  // namespace zl::recnet
