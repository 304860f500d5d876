// reporter-cli's device link: the module beside the program, loaded at the first device site,
// so that a report of record databases starts without the HTTP and TLS libraries. A module
// that cannot be loaded is said once on standard error; its sites then fail to connect.
#include "PrivateModule.h"
#include "devlink/DevLink.h"
#include "devlink/DevLinkModule.h"

namespace zl {

namespace {

LazyModule<ZlDevLinkModuleApi> module("the device-link module", kZlDevLinkModuleFile,
                                      kZlDevLinkModuleEntry, kZlDevLinkModuleVersion, true);

}  // namespace

DevLink* CreateDevLink() {
    const ZlDevLinkModuleApi* api = module.Get();
    return api ? api->create() : nullptr;
}

void DestroyDevLink(DevLink** handle) {
    if (!handle || !*handle) return;
    // A link exists only when the module was loaded.
    module.Get()->destroy(handle);
}

}  // namespace zl
