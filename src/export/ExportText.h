// The messages of a failed export, picture or print, in the language of the language file.
#pragma once

#include <string>

namespace zl {

// The text of `id` with its "%s" replaced by `file`; when `reason` (the system's) is given, a
// second line: text 414 ("Reason: %s") with it. A text without "%s" is taken as it is.
std::string FailureText(unsigned id, const std::string& file, const std::string& reason = {});

}  // namespace zl
