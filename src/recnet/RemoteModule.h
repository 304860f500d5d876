// The remote record-database client as a module loaded when a program first needs it: the
// RPC and TLS libraries then cost a program start only when a server site is used. The module
// exports one function that gives its entry points; RemoteLoader (reporter-cli) loads it
// from beside the program and defines the client functions of RecNet.h / RecNetTls.h on it.
#pragma once

#include <string>

namespace zl {

class RecNetClient;

struct ZlRemoteModuleApi {
    int version;
    RecNetClient* (*create)();
    void (*setTrusted)(const char* pemRootCertificates);
    bool (*trustFile)(const std::string& path, std::string* error);
    std::string (*lastProblem)();
};

constexpr int kZlRemoteModuleVersion = 1;
constexpr const char* kZlRemoteModuleFile = "libzl_recnet_remote.so";
constexpr const char* kZlRemoteModuleEntry = "zl_recnet_remote_api";

extern "C" const ZlRemoteModuleApi* zl_recnet_remote_api();

}  // namespace zl
