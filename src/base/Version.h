// `--version` of every program: one line with the program's name and the project version.
#pragma once

#include <string>
#include <vector>

namespace zl {

// "countgen 1.0\n" for "countgen".
std::string VersionText(const std::string& program);
// The project version, e.g. "1.0".
const char* ProjectVersion();
// The configuration folder of an installed copy, with a trailing '/' (e.g. "/etc/").
const char* InstalledConfigFolder();
// True when the command line asks for the version: its first argument is "--version".
bool AsksForVersion(const std::vector<std::string>& args);

}  // namespace zl
