// The folder of the running executable, with a trailing '/'.
#pragma once

#include <string>

namespace zl {

std::string ProgramFolder();
// Tests and tools may point the program folder elsewhere (empty restores the default).
void SetProgramFolderOverride(const std::string& folder);

}  // namespace zl
