// Linked into every test program that reads databases: the per-user cache folder points into a
// temporary folder of the program's own (removed at exit), so no test writes into the user's
// real cache and every program starts without kept answers. Child processes inherit it.
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace zl {

namespace {

struct TempCacheHome {
    std::string path;
    TempCacheHome() {
        std::string pattern = std::filesystem::temp_directory_path().string() + "/zl-cache-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) return;
        path = pattern;
        ::setenv("XDG_CACHE_HOME", path.c_str(), 1);
    }
    ~TempCacheHome() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
};

const TempCacheHome g_cacheHome;

}  // namespace

// Called by the test kit, so that a program linking the kit gets this file too (the folder is
// set before main runs; the call itself does nothing).
void UseTempCacheHome() {}

}  // namespace zl
