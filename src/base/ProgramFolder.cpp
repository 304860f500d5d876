#include "base/ProgramFolder.h"

#include <unistd.h>

#include <climits>
#include <mutex>

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

std::string ExecutableFolder() {
    char buf[PATH_MAX + 1];
    ssize_t n = ::readlink("/proc/self/exe", buf, PATH_MAX);
    if (n <= 0) return "./";
    std::string path(buf, static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

}  // namespace

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
}

}  // namespace zl
