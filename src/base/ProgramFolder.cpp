#include "base/ProgramFolder.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>

#include "base/AtomicFile.h"
#include "base/BuildInfo.h"

namespace zl {
namespace {

std::mutex& FolderMutex() {
    static std::mutex m;
    return m;
}

std::string& Override() {
    static std::string folder;
    return folder;
}

std::function<bool(const std::string&)>& WritableCheck() {
    static std::function<bool(const std::string&)> check;
    return check;
}

// The user folder already made and filled by this process, so later calls skip the work.
std::string& PreparedFolder() {
    static std::string folder;
    return folder;
}

std::string WithSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder;
}

bool IsFolder(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// $XDG_CONFIG_HOME when it is an absolute path (relative values are to be ignored), else
// $HOME/.config, else the home folder of the password database.
std::string ConfigHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return WithSlash(xdg);
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return WithSlash(home) + ".config/";
    if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/')
        return WithSlash(pw->pw_dir) + ".config/";
    return std::string();
}

// mkdir -p with mode 0700 for the folders it makes.
bool MakeFolders(const std::string& folder, std::string* error) {
    for (size_t pos = 1; pos <= folder.size(); ++pos) {
        if (pos != folder.size() && folder[pos] != '/') continue;
        const std::string part = folder.substr(0, pos);
        if (part.empty() || part.back() == '/') continue;
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            if (error) *error = "cannot make " + part + ": " + std::strerror(errno);
            return false;
        }
    }
    if (!IsFolder(folder)) {
        if (error) *error = folder + " is not a folder";
        return false;
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::string* data) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return false;
    *data = text.str();
    return true;
}

// Copies one file: the target is made empty with mode 0600 (O_EXCL, so an existing file is
// never touched), then filled atomically, which keeps that mode. On failure the empty
// target is removed again, so the next run tries once more.
bool CopyOneFile(const std::string& source, const std::string& target, std::string* error) {
    std::string data;
    if (!ReadWholeFile(source, &data)) {
        if (error) *error = "cannot read " + source;
        return false;
    }
    const int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        if (errno == EEXIST) return true;
        if (error) *error = "cannot make " + target + ": " + std::strerror(errno);
        return false;
    }
    ::close(fd);
    std::string why;
    if (!WriteFileAtomically(target, data, &why)) {
        ::unlink(target.c_str());
        if (error) *error = "cannot write " + target + ": " + why;
        return false;
    }
    return true;
}

}  // namespace

std::string ExecutableFolder() {
    char buf[PATH_MAX + 1];
    ssize_t n = ::readlink("/proc/self/exe", buf, PATH_MAX);
    if (n <= 0) return "./";
    std::string path(buf, static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string ProgramFolder() {
    std::lock_guard<std::mutex> lock(FolderMutex());
    if (!Override().empty()) return Override();
    static const std::string folder = ExecutableFolder();
    return folder;
}

void SetProgramFolderOverride(const std::string& folder) {
    std::lock_guard<std::mutex> lock(FolderMutex());
    Override() = folder;
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') Override() += '/';
    PreparedFolder().clear();
}

FileLocations ResolveFileLocations(const LocationFacts& facts) {
    FileLocations out;
    // The install folder of the programs is never a portable copy, even for the superuser,
    // who may write to it.
    const bool installed =
        !facts.installedBinFolder.empty() && facts.programFolder == facts.installedBinFolder;
    out.portable = facts.programFolderWritable && !installed;
    if (!out.portable && facts.configHome.empty()) out.portable = true;  // nowhere else to go
    if (out.portable) {
        out.settingsFolder = facts.programFolder;
        out.dataFolder = facts.programFolder;
        return out;
    }
    out.settingsFolder = facts.configHome + "zelkoReporter/";
    // Language files beside the program still win (a read-only portable copy on a stick).
    out.dataFolder = facts.programFolderHasLang ? facts.programFolder : facts.installedDataFolder;
    return out;
}

LocationFacts CurrentLocationFacts() {
    LocationFacts facts;
    facts.programFolder = ProgramFolder();
    std::function<bool(const std::string&)> check;
    {
        std::lock_guard<std::mutex> lock(FolderMutex());
        check = WritableCheck();
    }
    facts.programFolderWritable =
        check ? check(facts.programFolder) : ::access(facts.programFolder.c_str(), W_OK) == 0;
    facts.programFolderHasLang = IsFolder(facts.programFolder + "LANG");
    facts.installedBinFolder = build::kInstalledBinFolder;
    facts.installedDataFolder = build::kInstalledDataFolder;
    facts.configHome = ConfigHome();
    return facts;
}

std::string SettingsFolder() {
    const LocationFacts facts = CurrentLocationFacts();
    const FileLocations where = ResolveFileLocations(facts);
    if (where.portable) return where.settingsFolder;
    std::lock_guard<std::mutex> lock(FolderMutex());
    if (PreparedFolder() != where.settingsFolder) {
        // A failure leaves the folder to the savers, which report what they cannot write.
        CopyMissingFiles(facts.programFolder, where.settingsFolder, UserSettingsFiles(), nullptr);
        PreparedFolder() = where.settingsFolder;
    }
    return where.settingsFolder;
}

std::string DataFolder() {
    return ResolveFileLocations(CurrentLocationFacts()).dataFolder;
}

const std::vector<std::string>& UserSettingsFiles() {
    static const std::vector<std::string> names = {"Setting .ini", "SiteList.ini"};
    return names;
}

bool CopyMissingFiles(const std::string& from, const std::string& to,
                      const std::vector<std::string>& names, std::string* error) {
    if (!MakeFolders(WithSlash(to), error)) return false;
    bool ok = true;
    for (const std::string& name : names) {
        const std::string source = WithSlash(from) + name;
        const std::string target = WithSlash(to) + name;
        struct stat st;
        if (::lstat(target.c_str(), &st) == 0) continue;  // the user's own file stays
        if (::stat(source.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        std::string why;
        if (!CopyOneFile(source, target, &why)) {
            if (error && ok) *error = why;
            ok = false;
        }
    }
    return ok;
}

void SetWritableCheckOverride(std::function<bool(const std::string&)> check) {
    std::lock_guard<std::mutex> lock(FolderMutex());
    WritableCheck() = std::move(check);
    PreparedFolder().clear();
}

}  // namespace zl
