// The device protocol's JSON answers and wire times: any body is refused or parsed into values
// within the protocol's ranges, a parsed answer built again parses to the same values, and
// names of any bytes survive the builders as valid JSON.
#include <climits>
#include <cstdint>
#include <string>

#include "FuzzKit.h"
#include "devlink/DeviceProtocol.h"

namespace zl {

namespace {

bool Ascii(const std::string& s) {
    for (char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

void CheckTimes(const std::string& text) {
    const std::string wire = devproto::SqlTimeToWire(text);
    if (!wire.empty()) {
        ZL_FUZZ_CHECK(devproto::IsValidWireTime(wire), wire);
        ZL_FUZZ_CHECK(devproto::WireTimeToSql(wire) == text, wire);
    }
    const std::string sql = devproto::WireTimeToSql(text);
    ZL_FUZZ_CHECK(sql.empty() == !devproto::IsValidWireTime(text), text);
    if (!sql.empty()) ZL_FUZZ_CHECK(devproto::SqlTimeToWire(sql) == text, sql);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string body(reinterpret_cast<const char*>(data), size);

    devproto::DeviceInfo device;
    device.name = "untouched";
    if (devproto::ParseDeviceInfo(body, &device)) {
        ZL_FUZZ_CHECK(device.cameraCount >= 0 && device.cameraCount <= devproto::kMaxCameraNumber,
                      body);
        devproto::DeviceInfo again;
        ZL_FUZZ_CHECK(devproto::ParseDeviceInfo(devproto::DeviceInfoJson(device), &again), body);
        ZL_FUZZ_CHECK(again.name == device.name && again.cameraCount == device.cameraCount, body);
    } else {
        ZL_FUZZ_CHECK(device.name == "untouched", "a refused body changed the output");
    }

    devproto::CameraInfo camera;
    if (devproto::ParseCameraInfo(body, &camera)) {
        ZL_FUZZ_CHECK(camera.camera >= 1 && camera.camera <= devproto::kMaxCameraNumber, body);
        ZL_FUZZ_CHECK(camera.hasName || camera.name.empty(), body);
        devproto::CameraInfo again;
        ZL_FUZZ_CHECK(devproto::ParseCameraInfo(devproto::CameraInfoJson(camera), &again), body);
        ZL_FUZZ_CHECK(again.camera == camera.camera && again.hasName == camera.hasName &&
                          again.name == camera.name,
                      body);
    }

    devproto::CountsInfo counts;
    if (devproto::ParseCounts(body, &counts)) {
        ZL_FUZZ_CHECK(counts.camera >= 1 && counts.in >= 0 && counts.out >= 0, body);
        devproto::CountsInfo again;
        const std::string built =
            devproto::CountsJson(counts, "2024-01-01T00:00:00", "2024-01-01T23:59:59");
        ZL_FUZZ_CHECK(devproto::ParseCounts(built, &again), built);
        ZL_FUZZ_CHECK(
            again.camera == counts.camera && again.in == counts.in && again.out == counts.out,
            built);
    }

    // The body as a name or message: the builders give JSON the parsers take.
    devproto::DeviceInfo named{body, 3};
    devproto::DeviceInfo back;
    ZL_FUZZ_CHECK(devproto::ParseDeviceInfo(devproto::DeviceInfoJson(named), &back) ||
                      body.size() > devproto::kMaxBodyBytes / 8,
                  "a built device answer does not parse");
    if (Ascii(body) && body.size() < 1000) ZL_FUZZ_CHECK(back.name == body, "name changed");
    const std::string error = devproto::ErrorJson(body);
    ZL_FUZZ_CHECK(!error.empty() && error.front() == '{' && error.back() == '}', error);

    CheckTimes(body);
    return 0;
}

}  // namespace zl
