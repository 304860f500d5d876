// The countgen command line.
#pragma once

#include <string>
#include <vector>

#include "CountGen.h"

namespace zl {

// Reads the arguments (without the program name). Returns 1 to generate, 2 for help, 0 on an
// error with a one-line reason in *error. *quiet is set by --quiet.
int ParseCountGenArgs(const std::vector<std::string>& args, CountGenOptions* options, bool* quiet,
                      std::string* error);

const char* CountGenUsage();

}  // namespace zl
