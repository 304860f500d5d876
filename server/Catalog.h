// The databases a server serves: under each data root the seven counter-type databases and
// the two queue side files, when they exist as regular files whose real path lies inside
// the root's real path. A client can open these files and nothing else.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace zl::recnetd {

struct ServedDatabase {
    int counterType = 0;   // 1..7; the queue side files are 7 as well
    std::string path;      // as reported to clients: the configured root + relative path
    std::string realPath;  // resolved, for opening and comparing
};

class Catalog {
  public:
    explicit Catalog(std::vector<std::string> roots);

    // Looks at the folders now (databases may come and go while the server runs).
    std::vector<ServedDatabase> List() const;
    // The first served 2D and 3D people-counter paths (empty = none).
    void PeoplePaths(std::string* path2D, std::string* path3D) const;
    // Maps a client's path ('/' or '\') to a served database. Refuses "..", "file:" URIs,
    // relative paths and everything the list does not hold (after resolving links).
    bool Resolve(const std::string& requested, ServedDatabase* database, std::string* reason) const;

    const std::vector<std::string>& Roots() const { return roots_; }

  private:
    std::vector<std::string> roots_;
};

// The real path of an existing file or folder, or empty.
std::string RealPath(const std::string& path);
// True when path equals folder or lies below it (both real paths).
bool IsInside(const std::string& path, const std::string& folder);

}  // namespace zl::recnetd
