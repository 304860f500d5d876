// The device link as a module loaded when a program first needs it: the HTTP and TLS
// libraries then cost a program start only when a device site is queried. The module exports
// one function that gives its entry points; DevLinkLoader (reporter-cli) loads it from beside
// the program and defines CreateDevLink / DestroyDevLink of DevLink.h on it.
#pragma once

namespace zl {

class DevLink;

struct ZlDevLinkModuleApi {
    int version;
    DevLink* (*create)();
    void (*destroy)(DevLink** handle);
};

constexpr int kZlDevLinkModuleVersion = 1;
constexpr const char* kZlDevLinkModuleFile = "libzl_devlink_module.so";
constexpr const char* kZlDevLinkModuleEntry = "zl_devlink_module_api";

extern "C" const ZlDevLinkModuleApi* zl_devlink_module_api();

}  // namespace zl
