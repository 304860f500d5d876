// reporter-cli's modules (the remote client, the device link): loaded at their first use so
// that a report that needs neither starts without their libraries.
#pragma once

#include <cstdio>
#include <mutex>
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

// A module's entry points, loaded at the first Get and kept for the process (Get may be called
// from several threads). `what` names the module in Problem ("the workbook module"); with
// `sayOnStderr` a module that cannot be loaded is also said once on standard error.
template <class Api>
class LazyModule {
  public:
    LazyModule(const char* what, const char* file, const char* entry, int version,
               bool sayOnStderr = false)
        : what_(what), file_(file), entry_(entry), version_(version), say_(sayOnStderr) {}

    const Api* Get() {
        std::call_once(once_, [this] {
            api_ = LoadModuleApi<Api>(file_, entry_, version_, &problem_);
            if (api_) return;
            problem_ = std::string(what_) + " " + problem_;
            if (say_) std::fprintf(stderr, "reporter-cli: %s\n", problem_.c_str());
        });
        return api_;
    }
    // Why Get answers null; empty when the module is loaded.
    const std::string& Problem() {
        Get();
        return problem_;
    }

  private:
    const char* const what_;
    const char* const file_;
    const char* const entry_;
    const int version_;
    const bool say_;
    std::once_flag once_;
    const Api* api_ = nullptr;
    std::string problem_;
};

}  // namespace zl
