// reporter-cli's modules (the remote client, the device link): loaded at their first use so
// that a report that needs neither starts without their libraries.
#pragma once

#include <string>

namespace zl {

// Opens `file` beside the program (a build tree, a portable copy), else in the folder the
// package installs it to, and returns the address of its function `entry` (which gives the
// module's entry points). Null, with the reason in *problem (a phrase after the module's name),
// when the file cannot be loaded or has no such function. The module stays loaded for the life of
// the process.
void* LoadPrivateModule(const char* file, const char* entry, std::string* problem);

// The entry points of a module whose `Api` starts with its `version`: null, with the reason in
// *problem, when it cannot be loaded or is of another version. The entry function is called
// through its own type (`const Api* ()`), as it is defined in the module.
template <class Api>
const Api* LoadModuleApi(const char* file, const char* entry, int version, std::string* problem) {
    using Entry = const Api* (*)();
    void* function = LoadPrivateModule(file, entry, problem);
    if (!function) return nullptr;
    const Api* api = reinterpret_cast<Entry>(function)();
    if (!api) *problem = "is not a module of this program";
    if (!api || api->version == version) return api;
    *problem = "is of another version";
    return nullptr;
}

}  // namespace zl
