// The entry point of the loadable remote-client module.
#include "recnet/RemoteModule.h"

#include "recnet/RecNet.h"
#include "recnet/RecNetTls.h"

namespace zl {

extern "C" __attribute__((visibility("default"))) const ZlRemoteModuleApi* zl_recnet_remote_api() {
    static const ZlRemoteModuleApi api{kZlRemoteModuleVersion, &CreateRecNetClient,
                                       &RecNetSetTrustedCertificates, &RecNetTrustCertificateFile,
                                       &RecNetLastConnectProblem};
    return &api;
}

}  // namespace zl
