// The part of reporter-cli --help that says where the program looks for its files.
#pragma once

#include <string>

#include "base/ProgramFolder.h"

namespace zl {

// The text for the given facts (see base/ProgramFolder.h); CliFileLocations() uses those of
// this process. Nothing is made or copied.
std::string CliFileLocationsFor(const zl::LocationFacts& facts);
std::string CliFileLocations();

}  // namespace zl
