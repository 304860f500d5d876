// reporter-cli's modules (the remote client, the device link): loaded at their first use so
// that a report that needs neither starts without their libraries.
#pragma once

#include <string>

namespace zl {

// Opens `file` beside the program (a build tree, a portable copy), else in the folder the
// package installs it to, and returns the result of its function `entry` (which gives the
// module's entry points). Null, with the reason in *problem (a phrase after the module's name),
// when the file cannot be loaded or has no such function. The module stays loaded for the life of
// the process.
const void* LoadPrivateModule(const char* file, const char* entry, std::string* problem);

// The entry points of a module whose `Api` starts with its `version`: null, with the reason in
// *problem, when it cannot be loaded or is of another version.
template <class Api>
const Api* LoadModuleApi(const char* file, const char* entry, int version, std::string* problem) {
    const auto* api = static_cast<const Api*>(LoadPrivateModule(file, entry, problem));
    if (!api || api->version == version) return api;
    *problem = "is of another version";
    return nullptr;
}

}  // namespace zl
