// reporter-cli's remote client: the module beside the program, loaded at the first server
// site (or --ca), so that a report of local files starts without the RPC libraries.
#include <string>

#include "PrivateModule.h"
#include "recnet/RecNet.h"
#include "recnet/RecNetTls.h"
#include "recnet/RemoteModule.h"

namespace zl {

namespace {

LazyModule<ZlRemoteModuleApi> module("the remote-database module", kZlRemoteModuleFile,
                                     kZlRemoteModuleEntry, kZlRemoteModuleVersion);

}  // namespace

RecNetClient* CreateRecNetClient() {
    const ZlRemoteModuleApi* api = module.Get();
    return api ? api->create() : nullptr;
}

void RecNetSetTrustedCertificates(const char* pemRootCertificates) {
    if (const ZlRemoteModuleApi* api = module.Get()) api->setTrusted(pemRootCertificates);
}

bool RecNetTrustCertificateFile(const std::string& path, std::string* error) {
    const ZlRemoteModuleApi* api = module.Get();
    if (!api) {
        *error = RecNetLastConnectProblem();
        return false;
    }
    return api->trustFile(path, error);
}

std::string RecNetLastConnectProblem() {
    const ZlRemoteModuleApi* api = module.Get();
    return api ? api->lastProblem() : module.Problem();
}

}  // namespace zl
