// reporter-cli's device link: the module beside the program, loaded at the first device site,
// so that a report of record databases starts without the HTTP and TLS libraries. A module
// that cannot be loaded is said once on standard error; its sites then fail to connect.
#include <cstdio>
#include <mutex>
#include <string>

#include "PrivateModule.h"
#include "devlink/DevLink.h"
#include "devlink/DevLinkModule.h"

namespace zl {

namespace {

const ZlDevLinkModuleApi* Api() {
    static std::once_flag once;
    static const ZlDevLinkModuleApi* loaded = nullptr;
    std::call_once(once, [] {
        std::string problem;
        loaded = LoadModuleApi<ZlDevLinkModuleApi>(kZlDevLinkModuleFile, kZlDevLinkModuleEntry,
                                                   kZlDevLinkModuleVersion, &problem);
        if (!loaded)
            std::fprintf(stderr, "reporter-cli: the device-link module %s\n", problem.c_str());
    });
    return loaded;
}

}  // namespace

DevLink* CreateDevLink() {
    const ZlDevLinkModuleApi* api = Api();
    return api ? api->create() : nullptr;
}

void DestroyDevLink(DevLink** handle) {
    if (!handle || !*handle) return;
    // A link exists only when the module was loaded.
    Api()->destroy(handle);
}

}  // namespace zl
