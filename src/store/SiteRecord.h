// One site of the site list with its 64 camera slots and its run-time connection handles.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zl {

class RecNetClient;
class RecNetLocal;
class DevLink;

constexpr int kCameraSlots = 64;

struct CameraSlot {
    int used = 0;  // 1 = the slot holds a camera
    std::string name;
    void* treeItem = nullptr;  // run-time
    int checked = 0;           // run-time
    int is3D = 0;              // 1 = records into the 3D people-counter table
    std::array<int, 11> runtime{};
};

enum ConnectionType { kConnServer = 0, kConnDevice = 1, kConnLocal = 2 };

struct SiteRecord {
    void* treeItem = nullptr;  // run-time
    std::string name;
    std::array<CameraSlot, kCameraSlots> cameras{};
    std::string ipAddress;
    std::string localDB;  // local database folder or file, or the server-side path
    std::string port;     // decimal text
    std::string userName;
    std::string password;
    int anonymous = 0;
    // Run-time handles, owned by the site logic; copies of a record share them.
    RecNetClient* client2D = nullptr;
    RecNetClient* client3D = nullptr;
    RecNetLocal* localDb = nullptr;
    DevLink* deviceLink = nullptr;
    RecNetClient* clientOther = nullptr;
    int checked = 0;  // run-time
    int connectionType = kConnServer;
    int counterType = 0;
};

}  // namespace zl
