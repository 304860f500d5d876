// Where the program's files live.
//
// The program folder (the folder of the running executable) holds everything when it can be
// written: a portable copy keeps "Setting .ini", "SiteList.ini" and LANG/ beside the program.
// An installed copy (the program folder is the install folder of the programs, or cannot be
// written) keeps the two files in the user's configuration folder,
// $XDG_CONFIG_HOME/zelkoReporter/ (~/.config/zelkoReporter/ when the variable is unset), and
// reads LANG/ from the installed data folder.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace zl {

// The folder of the running executable, with a trailing '/'.
std::string ProgramFolder();
// The folder of the running executable itself, with a trailing '/', whatever the override.
std::string ExecutableFolder();
// Tests and tools may point the program folder elsewhere (empty restores the default).
void SetProgramFolderOverride(const std::string& folder);

// What the location rule looks at. Every folder ends with '/'.
struct LocationFacts {
    std::string programFolder;
    bool programFolderWritable = false;
    bool programFolderHasLang = false;  // a LANG/ folder beside the program
    std::string installedBinFolder;     // where an install puts the programs
    std::string installedDataFolder;    // where an install puts LANG/
    std::string configHome;             // the user's configuration base; empty when unknown
};

struct FileLocations {
    std::string settingsFolder;  // "Setting .ini" and "SiteList.ini"
    std::string dataFolder;      // LANG/
    bool portable = true;        // the settings stay in the program folder
};

// The rule itself, without looking at the file system.
FileLocations ResolveFileLocations(const LocationFacts& facts);

// The facts of this process: the program folder, its writability (see
// SetWritableCheckOverride), $XDG_CONFIG_HOME or $HOME/.config, and the install folders.
LocationFacts CurrentLocationFacts();

// The folder of "Setting .ini" and "SiteList.ini", with a trailing '/'. When it is the user's
// folder, the first call makes it (mode 0700) and copies the two files of the program folder
// into it when it has none of that name.
std::string SettingsFolder();
// The folder holding LANG/, with a trailing '/'.
std::string DataFolder();

// The files the user's folder takes over from the program folder on the first run.
const std::vector<std::string>& UserSettingsFiles();
// Makes `to` (and missing parents, mode 0700) and copies each named file of `from` that `to`
// lacks, with mode 0600, atomically. A file already in `to` is never replaced. False with
// *error when the folder cannot be made or a file cannot be copied (the others are still
// tried).
bool CopyMissingFiles(const std::string& from, const std::string& to,
                      const std::vector<std::string>& names, std::string* error);

// Test hook: decides whether a folder counts as writable (empty restores access(W_OK)).
// The superuser passes every permission check, so tests cannot rely on chmod alone.
void SetWritableCheckOverride(std::function<bool(const std::string&)> check);

}  // namespace zl
