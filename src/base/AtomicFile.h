// Replacing a file's contents atomically: the data goes to a temporary file in the same folder,
// is flushed to disk and then renamed over the target, so readers see the old or the new file,
// never half of one.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace zl {

enum class AtomicWriteStep { CreateTemp, Write, Sync, Rename };

// True on success. On failure the target is unchanged, the temporary file is removed and
// *error (when given) says why. A symbolic link is followed, so its target is replaced.
// ownerOnly gives the file mode 0600 whatever the umask or the mode of the file it replaces
// (for files that hold passwords); otherwise a replaced file keeps its mode.
bool WriteFileAtomically(const std::string& path, std::string_view data,
                         std::string* error = nullptr, bool ownerOnly = false);

// Test hook: called before each step; returning true makes that step fail. Empty = off.
void SetAtomicWriteFaultHook(std::function<bool(AtomicWriteStep)> hook);

}  // namespace zl
