#include "PrivateModule.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#ifndef ZL_MODULE_DIR
#define ZL_MODULE_DIR "/usr/lib/zelkoreporter"
#endif

namespace zl {

namespace {

std::string ProgramFolder() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    const std::string self(path, static_cast<size_t>(n));
    const size_t slash = self.rfind('/');
    return slash == std::string::npos ? "." : self.substr(0, slash);
}

}  // namespace

void* LoadPrivateModule(const char* file, const char* entry, std::string* problem) {
    std::string path = ProgramFolder() + "/" + file;
    if (::access(path.c_str(), F_OK) != 0) path = std::string(ZL_MODULE_DIR) + "/" + file;
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        *problem = "cannot be loaded (" + std::string(why ? why : path) + ")";
        return nullptr;
    }
    // Never closed: the objects made by the module and their code live in it.
    void* function = ::dlsym(handle, entry);
    if (!function) *problem = "is not a module of this program (" + path + ")";
    return function;
}

}  // namespace zl
