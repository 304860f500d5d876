#include "devlink/DeviceProtocol.h"

#include <climits>
#include <nlohmann/json.hpp>

namespace zl {

namespace devproto {

namespace {

using nlohmann::json;

// Parses without exceptions; a body that is not one JSON object gives false.
bool ParseObject(std::string_view body, json* out) {
    if (body.size() > kMaxBodyBytes) return false;
    json parsed = json::parse(body.begin(), body.end(), nullptr, /*allow_exceptions=*/false);
    if (parsed.is_discarded() || !parsed.is_object()) return false;
    *out = std::move(parsed);
    return true;
}

// An integer member within [lo, hi]; floats, booleans and texts are refused.
bool IntMember(const json& obj, const char* key, int64_t lo, int64_t hi, int* out) {
    const auto it = obj.find(key);
    if (it == obj.end()) return false;
    int64_t value = 0;
    if (it->is_number_unsigned()) {
        const uint64_t u = it->get<uint64_t>();
        if (u > static_cast<uint64_t>(INT64_MAX)) return false;
        value = static_cast<int64_t>(u);
    } else if (it->is_number_integer()) {
        value = it->get<int64_t>();
    } else {
        return false;
    }
    if (value < lo || value > hi) return false;
    *out = static_cast<int>(value);
    return true;
}

bool IsDigits(std::string_view s, std::size_t pos, std::size_t n) {
    for (std::size_t i = pos; i < pos + n; ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

int Number(std::string_view s, std::size_t pos, std::size_t n) {
    int v = 0;
    for (std::size_t i = pos; i < pos + n; ++i) v = v * 10 + (s[i] - '0');
    return v;
}

// 'YYYY-MM-DD?hh:mm:ss' with the given separator in the middle.
bool IsValidTime(std::string_view t, char middle) {
    if (t.size() != 19) return false;
    if (t[4] != '-' || t[7] != '-' || t[10] != middle || t[13] != ':' || t[16] != ':') return false;
    if (!IsDigits(t, 0, 4) || !IsDigits(t, 5, 2) || !IsDigits(t, 8, 2) || !IsDigits(t, 11, 2) ||
        !IsDigits(t, 14, 2) || !IsDigits(t, 17, 2))
        return false;
    const int year = Number(t, 0, 4), month = Number(t, 5, 2), day = Number(t, 8, 2);
    if (year < 1 || month < 1 || month > 12 || day < 1) return false;
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    const int dim = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
    if (day > dim) return false;
    return Number(t, 11, 2) < 24 && Number(t, 14, 2) < 60 && Number(t, 17, 2) < 60;
}

std::string Replaced(std::string_view t, char middle) {
    std::string s(t);
    s[10] = middle;
    return s;
}

}  // namespace

std::string CameraPath(int camera) {
    return kCameraPathPrefix + std::to_string(camera);
}

std::string CountsPath(int camera, std::string_view fromWire, std::string_view toWire) {
    // Wire times hold only digits, '-', ':' and 'T': nothing to escape.
    std::string path = CameraPath(camera);
    path += "/counts?from=";
    path += fromWire;
    path += "&to=";
    path += toWire;
    return path;
}

bool IsValidWireTime(std::string_view text) {
    return IsValidTime(text, 'T');
}

std::string SqlTimeToWire(std::string_view sqlTime) {
    return IsValidTime(sqlTime, ' ') ? Replaced(sqlTime, 'T') : std::string();
}

std::string WireTimeToSql(std::string_view wireTime) {
    return IsValidTime(wireTime, 'T') ? Replaced(wireTime, ' ') : std::string();
}

static bool ParseDeviceInfoImpl(std::string_view body, DeviceInfo* out) {
    json obj;
    if (!out || !ParseObject(body, &obj)) return false;
    int version = 0, count = 0;
    if (!IntMember(obj, "protocol", 1, INT_MAX, &version)) return false;
    if (!IntMember(obj, "cameraCount", 0, kMaxCameraNumber, &count)) return false;
    const auto name = obj.find("name");
    if (name == obj.end() || !name->is_string()) return false;
    out->name = name->get<std::string>();
    out->cameraCount = count;
    return true;
}

static bool ParseCameraInfoImpl(std::string_view body, CameraInfo* out) {
    json obj;
    if (!out || !ParseObject(body, &obj)) return false;
    int camera = 0;
    if (!IntMember(obj, "camera", 1, kMaxCameraNumber, &camera)) return false;
    // The name is required as a key: a text, or null when the device has no name for it.
    const auto name = obj.find("name");
    if (name == obj.end() || !(name->is_string() || name->is_null())) return false;
    out->camera = camera;
    out->hasName = name->is_string();
    out->name = out->hasName ? name->get<std::string>() : std::string();
    return true;
}

static bool ParseCountsImpl(std::string_view body, CountsInfo* out) {
    json obj;
    if (!out || !ParseObject(body, &obj)) return false;
    CountsInfo c;
    if (!IntMember(obj, "camera", 1, kMaxCameraNumber, &c.camera)) return false;
    if (!IntMember(obj, "in", 0, INT_MAX, &c.in)) return false;
    if (!IntMember(obj, "out", 0, INT_MAX, &c.out)) return false;
    *out = c;
    return true;
}

bool ParseDeviceInfo(std::string_view body, DeviceInfo* out) {
    try {
        return ParseDeviceInfoImpl(body, out);
    } catch (...) {
        return false;  // nothing escapes a parser, not even an allocation failure
    }
}

bool ParseCameraInfo(std::string_view body, CameraInfo* out) {
    try {
        return ParseCameraInfoImpl(body, out);
    } catch (...) {
        return false;  // nothing escapes a parser, not even an allocation failure
    }
}

bool ParseCounts(std::string_view body, CountsInfo* out) {
    try {
        return ParseCountsImpl(body, out);
    } catch (...) {
        return false;  // nothing escapes a parser, not even an allocation failure
    }
}

std::string DeviceInfoJson(const DeviceInfo& info) {
    json obj = {
        {"protocol", kProtocolVersion}, {"name", info.name}, {"cameraCount", info.cameraCount}};
    return obj.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string CameraInfoJson(const CameraInfo& info) {
    json obj = {{"camera", info.camera}, {"name", nullptr}};
    if (info.hasName) obj["name"] = info.name;
    return obj.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string CountsJson(const CountsInfo& counts, std::string_view fromWire,
                       std::string_view toWire) {
    json obj = {{"camera", counts.camera},
                {"from", std::string(fromWire)},
                {"to", std::string(toWire)},
                {"in", counts.in},
                {"out", counts.out}};
    return obj.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string ErrorJson(std::string_view message) {
    json obj = {{"error", std::string(message)}};
    return obj.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace devproto

}  // namespace zl
