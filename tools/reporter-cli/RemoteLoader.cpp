// reporter-cli's remote client: the module beside the program, loaded at the first server
// site (or --ca), so that a report of local files starts without the RPC libraries.
#include <mutex>
#include <string>

#include "PrivateModule.h"
#include "recnet/RecNet.h"
#include "recnet/RecNetTls.h"
#include "recnet/RemoteModule.h"

namespace zl {

namespace {

std::mutex loadMutex;
const ZlRemoteModuleApi* loaded = nullptr;
std::string loadProblem;

const ZlRemoteModuleApi* Api() {
    std::lock_guard<std::mutex> lock(loadMutex);
    if (loaded || !loadProblem.empty()) return loaded;
    loaded = LoadModuleApi<ZlRemoteModuleApi>(kZlRemoteModuleFile, kZlRemoteModuleEntry,
                                              kZlRemoteModuleVersion, &loadProblem);
    if (!loaded) loadProblem = "the remote-database module " + loadProblem;
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
