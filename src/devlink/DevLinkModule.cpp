// The entry point of the loadable device-link module.
#include "devlink/DevLinkModule.h"

#include "devlink/DevLink.h"

namespace zl {

extern "C" __attribute__((visibility("default"))) const ZlDevLinkModuleApi*
zl_devlink_module_api() {
    static const ZlDevLinkModuleApi api{kZlDevLinkModuleVersion, &CreateDevLink, &DestroyDevLink};
    return &api;
}

}  // namespace zl
