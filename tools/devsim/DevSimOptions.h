// The devsim command line.
#pragma once

#include <string>
#include <vector>

#include "DevSim.h"

namespace zl {

// Reads the arguments (without the program name) into *config. Returns 1 when the server
// should start, 2 when help was asked for, 0 on an error with a one-line reason in *error.
// --password-file is read here; its first line is the password.
int ParseDevSimArgs(const std::vector<std::string>& args, DevSimConfig* config, std::string* error);

const char* DevSimUsage();

}  // namespace zl
