#include "Catalog.h"

#include <strings.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>

#include "base/CounterTypes.h"

namespace zl::recnetd {

std::string RealPath(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return {};
    std::string out(resolved);
    std::free(resolved);
    return out;
}

bool IsInside(const std::string& path, const std::string& folder) {
    if (folder.empty() || path.compare(0, folder.size(), folder) != 0) return false;
    if (path.size() == folder.size()) return true;
    return folder.back() == '/' || path[folder.size()] == '/';
}

Catalog::Catalog(std::vector<std::string> roots) : roots_(std::move(roots)) {
    for (std::string& root : roots_) {
        while (root.size() > 1 && root.back() == '/') root.pop_back();
    }
}

std::vector<ServedDatabase> Catalog::List() const {
    struct Relative {
        int type;
        const char* path;
    };
    const Relative relatives[] = {
        {kPeople2D, CounterTypeRelativePath(kPeople2D)},
        {kPeople3D, CounterTypeRelativePath(kPeople3D)},
        {kAccess, CounterTypeRelativePath(kAccess)},
        {kZone, CounterTypeRelativePath(kZone)},
        {kFlow, CounterTypeRelativePath(kFlow)},
        {kTraffic, CounterTypeRelativePath(kTraffic)},
        {kQueue, CounterTypeRelativePath(kQueue)},
        {kQueue, kQueueWaitingRelativePath},
        {kQueue, kQueueServedRelativePath},
    };
    std::vector<ServedDatabase> out;
    for (const std::string& root : roots_) {
        const std::string realRoot = RealPath(root);
        if (realRoot.empty()) continue;
        for (const Relative& relative : relatives) {
            ServedDatabase database;
            database.counterType = relative.type;
            database.path = AppendRelativePath(root, relative.path);
            database.realPath = RealPath(database.path);
            struct stat st {};
            if (database.realPath.empty() || !IsInside(database.realPath, realRoot) ||
                ::stat(database.realPath.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
                continue;
            }
            out.push_back(std::move(database));
        }
    }
    return out;
}

void Catalog::PeoplePaths(std::string* path2D, std::string* path3D) const {
    path2D->clear();
    path3D->clear();
    for (const ServedDatabase& database : List()) {
        if (database.counterType == kPeople2D && path2D->empty()) *path2D = database.path;
        if (database.counterType == kPeople3D && path3D->empty()) *path3D = database.path;
    }
}

bool Catalog::Resolve(const std::string& requested, ServedDatabase* database,
                      std::string* reason) const {
    std::string path = requested;
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    if (path.empty() || path.find('\0') != std::string::npos) {
        *reason = "empty path";
        return false;
    }
    if (path.size() >= 5 && strncasecmp(path.c_str(), "file:", 5) == 0) {
        *reason = "URI paths are not accepted";
        return false;
    }
    if (path.front() != '/') {
        *reason = "not an absolute path";
        return false;
    }
    if (path.find("..") != std::string::npos) {
        *reason = "\"..\" is not accepted in a path";
        return false;
    }
    const std::string real = RealPath(path);
    if (real.empty()) {
        *reason = "not served";
        return false;
    }
    for (ServedDatabase& served : List()) {
        if (served.realPath == real) {
            *database = std::move(served);
            return true;
        }
    }
    *reason = "not served";
    return false;
}

}  // namespace zl::recnetd
