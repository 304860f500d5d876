// Replacements for the built-in SQL functions whose cost is not linear in their input: the
// built-in two-argument trim, ltrim and rtrim compare every character of the text with every
// character of the set, and replace compares the pattern at every position. These versions
// give the same answers in time linear in the input, and check the statement's deadline as
// they go, because SQLite looks at the time limit only between its own instructions.
#pragma once

#include <cstdint>

struct sqlite3;

namespace zl::recnetd {

// When the running statement must stop (its deadline passed or it was cancelled). The
// functions poll it every few thousand steps and then fail with the given reason.
class StopCheck {
  public:
    virtual ~StopCheck() = default;
    // True when the work must stop now.
    virtual bool ShouldStop() = 0;
};

// Registers the replacements on db; stop is passed to every call. False when SQLite refuses.
bool RegisterBoundedFunctions(sqlite3* db, StopCheck* stop);

}  // namespace zl::recnetd
