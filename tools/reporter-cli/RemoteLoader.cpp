// reporter-cli's remote client: the module beside the program, loaded at the first server
// site (or --ca), so that a report of local files starts without the RPC libraries.
#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#ifndef ZL_REMOTE_MODULE_DIR
#define ZL_REMOTE_MODULE_DIR "/usr/lib/zelkoreporter"
#endif
#include <mutex>
#include <string>

#include "recnet/RecNet.h"
#include "recnet/RecNetTls.h"
#include "recnet/RemoteModule.h"

namespace zl {

namespace {

std::mutex loadMutex;
const ZlRemoteModuleApi* loaded = nullptr;
std::string loadProblem;

std::string ProgramFolder() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    const std::string self(path, static_cast<size_t>(n));
    const size_t slash = self.rfind('/');
    return slash == std::string::npos ? "." : self.substr(0, slash);
}

const ZlRemoteModuleApi* Api() {
    std::lock_guard<std::mutex> lock(loadMutex);
    if (loaded || !loadProblem.empty()) return loaded;
    // Beside the program (a build tree, a portable copy), else where the package puts it.
    std::string file = ProgramFolder() + "/" + kZlRemoteModuleFile;
    if (::access(file.c_str(), F_OK) != 0)
        file = std::string(ZL_REMOTE_MODULE_DIR) + "/" + kZlRemoteModuleFile;
    void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        loadProblem =
            "the remote-database module cannot be loaded (" + std::string(why ? why : file) + ")";
        return nullptr;
    }
    // Kept loaded for the life of the process: its clients and their code live in it.
    using Entry = const ZlRemoteModuleApi* (*)();
    const auto entry = reinterpret_cast<Entry>(::dlsym(handle, kZlRemoteModuleEntry));
    const ZlRemoteModuleApi* api = entry ? entry() : nullptr;
    if (!api || api->version != kZlRemoteModuleVersion) {
        loadProblem = file + " is not the remote-database module of this program";
        return nullptr;
    }
    loaded = api;
    return loaded;
}

}  // namespace

RecNetClient* CreateRecNetClient() {
    const ZlRemoteModuleApi* api = Api();
    return api ? api->create() : nullptr;
}

void RecNetSetTrustedCertificates(const char* pemRootCertificates) {
    if (const ZlRemoteModuleApi* api = Api()) api->setTrusted(pemRootCertificates);
}

bool RecNetTrustCertificateFile(const std::string& path, std::string* error) {
    const ZlRemoteModuleApi* api = Api();
    if (!api) {
        *error = RecNetLastConnectProblem();
        return false;
    }
    return api->trustFile(path, error);
}

std::string RecNetLastConnectProblem() {
    const ZlRemoteModuleApi* api = Api();
    if (!api) {
        std::lock_guard<std::mutex> lock(loadMutex);
        return loadProblem;
    }
    return api->lastProblem();
}

}  // namespace zl
