// The device protocol shared by the device link (client) and devsim (server): request paths,
// the time texts carried in queries, and the JSON bodies of the answers.
// The parsers are pure functions: they never throw and return false on anything malformed,
// leaving the output untouched. docs/device-protocol.md describes the protocol.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zl {

namespace devproto {

constexpr int kProtocolVersion = 1;
constexpr const char* kDevicePath = "/api/v1/device";
constexpr const char* kCameraPathPrefix = "/api/v1/cameras/";
// Largest camera number and count the protocol carries.
constexpr int kMaxCameraNumber = 65535;
// Largest answer body a client accepts.
constexpr std::size_t kMaxBodyBytes = 64 * 1024;

struct DeviceInfo {
    std::string name;
    int cameraCount = 0;
};

struct CameraInfo {
    int camera = 0;
    bool hasName = false;  // false when the device has no name for the camera
    std::string name;
};

struct CountsInfo {
    int camera = 0;
    int in = 0;
    int out = 0;
};

// "/api/v1/cameras/<n>" and "/api/v1/cameras/<n>/counts?from=<wire>&to=<wire>".
std::string CameraPath(int camera);
std::string CountsPath(int camera, std::string_view fromWire, std::string_view toWire);

// Wire time: 'YYYY-MM-DDThh:mm:ss' (local device time, no zone). The SQL form has a blank
// instead of the 'T'. Both converters accept only a valid calendar date and time of day and
// return an empty text otherwise.
bool IsValidWireTime(std::string_view text);
std::string SqlTimeToWire(std::string_view sqlTime);
std::string WireTimeToSql(std::string_view wireTime);

bool ParseDeviceInfo(std::string_view body, DeviceInfo* out);
bool ParseCameraInfo(std::string_view body, CameraInfo* out);
bool ParseCounts(std::string_view body, CountsInfo* out);

std::string DeviceInfoJson(const DeviceInfo& info);
std::string CameraInfoJson(const CameraInfo& info);
std::string CountsJson(const CountsInfo& counts, std::string_view fromWire,
                       std::string_view toWire);
std::string ErrorJson(std::string_view message);

}  // namespace devproto

}  // namespace zl
