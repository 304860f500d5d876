// Reading profile values the way the stores always have: a text is read into a buffer of 260
// characters (so it keeps at most 259) and numbers are taken from the text with atoi.
#pragma once

#include <string>

#include "base/Profile.h"

namespace zl {

constexpr std::size_t kProfileBufferSize = 260;

// The value of section/key (def when missing), cut to kProfileBufferSize - 1 characters.
std::string ReadProfileText(const ProfileFile& file, const std::string& section,
                            const std::string& key, const std::string& def);

// atoi: leading blanks, an optional sign, then decimal digits; 0 when there are none. Values
// beyond the int range are clamped instead of overflowing.
int AtoI(const std::string& text);

}  // namespace zl
