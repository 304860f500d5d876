#include "PrivateModule.h"

#include <dlfcn.h>
#include <unistd.h>

#include "base/ProgramFolder.h"

#ifndef ZL_MODULE_DIR
#define ZL_MODULE_DIR "/usr/lib/zelkoreporter"
#endif

namespace zl {

void* LoadPrivateModule(const char* file, const char* entry, std::string* problem) {
    std::string path = ExecutableFolder() + file;
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
