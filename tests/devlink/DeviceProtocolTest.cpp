#include <gtest/gtest.h>

#include <string>

#include "devlink/DeviceProtocol.h"

namespace zl {

using namespace devproto;

namespace {

struct BadBody {
    const char* what;
    std::string body;
};

TEST(DeviceProtocol, ParsesDeviceInfo) {
    DeviceInfo info;
    ASSERT_TRUE(ParseDeviceInfo(R"({"protocol":1,"name":"Mall East","cameraCount":3})", &info));
    EXPECT_EQ(info.name, "Mall East");
    EXPECT_EQ(info.cameraCount, 3);
    // Later protocol versions may add members; unknown ones are ignored.
    ASSERT_TRUE(ParseDeviceInfo(
        R"({"protocol":2,"name":"","cameraCount":0,"firmware":"x","extra":[1,2]})", &info));
    EXPECT_EQ(info.name, "");
    EXPECT_EQ(info.cameraCount, 0);
}

TEST(DeviceProtocol, RefusesMalformedDeviceInfo) {
    const BadBody cases[] = {
        {"empty", ""},
        {"not json", "hello"},
        {"null", "null"},
        {"array", R"([{"protocol":1,"name":"a","cameraCount":1}])"},
        {"empty object", "{}"},
        {"no protocol", R"({"name":"a","cameraCount":1})"},
        {"protocol 0", R"({"protocol":0,"name":"a","cameraCount":1})"},
        {"no name", R"({"protocol":1,"cameraCount":1})"},
        {"name is a number", R"({"protocol":1,"name":5,"cameraCount":1})"},
        {"name is null", R"({"protocol":1,"name":null,"cameraCount":1})"},
        {"count negative", R"({"protocol":1,"name":"a","cameraCount":-1})"},
        {"count fraction", R"({"protocol":1,"name":"a","cameraCount":1.5})"},
        {"count text", R"({"protocol":1,"name":"a","cameraCount":"3"})"},
        {"count bool", R"({"protocol":1,"name":"a","cameraCount":true})"},
        {"count too large", R"({"protocol":1,"name":"a","cameraCount":70000})"},
        {"count huge", R"({"protocol":1,"name":"a","cameraCount":18446744073709551615})"},
        {"count exponent", R"({"protocol":1,"name":"a","cameraCount":1e30})"},
        {"truncated", R"({"protocol":1,"name":"a","camera)"},
        {"trailing garbage", R"({"protocol":1,"name":"a","cameraCount":1} x)"},
        {"two objects", R"({"protocol":1,"name":"a","cameraCount":1}{})"},
        {"deep nesting", std::string(5000, '[') + std::string(5000, ']')},
        {"too long", R"({"protocol":1,"cameraCount":1,"name":")" + std::string(70000, 'a') + "\"}"},
    };
    for (const auto& c : cases) {
        DeviceInfo info{"unchanged", 42};
        EXPECT_FALSE(ParseDeviceInfo(c.body, &info)) << c.what;
        EXPECT_EQ(info.name, "unchanged") << c.what;
        EXPECT_EQ(info.cameraCount, 42) << c.what;
    }
    EXPECT_FALSE(ParseDeviceInfo(R"({"protocol":1,"name":"a","cameraCount":1})", nullptr));
}

TEST(DeviceProtocol, CameraNameMayBeMissing) {
    CameraInfo info;
    ASSERT_TRUE(ParseCameraInfo(R"({"camera":1,"name":"Entrance"})", &info));
    EXPECT_EQ(info.camera, 1);
    EXPECT_TRUE(info.hasName);
    EXPECT_EQ(info.name, "Entrance");
    ASSERT_TRUE(ParseCameraInfo(R"({"camera":2,"name":null})", &info));
    EXPECT_EQ(info.camera, 2);
    EXPECT_FALSE(info.hasName);
    EXPECT_EQ(info.name, "");

    const BadBody cases[] = {
        {"name key missing", R"({"camera":2})"},
        {"name is an object", R"({"camera":2,"name":{}})"},
        {"camera 0", R"({"camera":0,"name":"a"})"},
        {"camera text", R"({"camera":"2","name":"a"})"},
        {"no camera", R"({"name":"a"})"},
    };
    for (const auto& c : cases) EXPECT_FALSE(ParseCameraInfo(c.body, &info)) << c.what;
}

TEST(DeviceProtocol, ParsesCounts) {
    CountsInfo counts;
    ASSERT_TRUE(ParseCounts(
        R"({"camera":3,"from":"2024-03-05T10:00:00","to":"2024-03-05T10:59:59","in":17,"out":12})",
        &counts));
    EXPECT_EQ(counts.camera, 3);
    EXPECT_EQ(counts.in, 17);
    EXPECT_EQ(counts.out, 12);
    ASSERT_TRUE(ParseCounts(R"({"camera":1,"in":2147483647,"out":0})", &counts));
    EXPECT_EQ(counts.in, 2147483647);

    const BadBody cases[] = {
        {"in negative", R"({"camera":1,"in":-1,"out":0})"},
        {"out beyond int", R"({"camera":1,"in":0,"out":2147483648})"},
        {"in fraction", R"({"camera":1,"in":1.0,"out":0})"},
        {"out missing", R"({"camera":1,"in":1})"},
        {"in null", R"({"camera":1,"in":null,"out":0})"},
        {"camera missing", R"({"in":1,"out":0})"},
    };
    for (const auto& c : cases) {
        CountsInfo untouched{9, 9, 9};
        EXPECT_FALSE(ParseCounts(c.body, &untouched)) << c.what;
        EXPECT_EQ(untouched.in, 9) << c.what;
    }
}

TEST(DeviceProtocol, BuiltBodiesParseBack) {
    DeviceInfo device;
    ASSERT_TRUE(ParseDeviceInfo(DeviceInfoJson({"Café \"Nord\" 東", 12}), &device));
    EXPECT_EQ(device.name, "Café \"Nord\" 東");
    EXPECT_EQ(device.cameraCount, 12);

    CameraInfo camera;
    ASSERT_TRUE(ParseCameraInfo(CameraInfoJson({5, false, "ignored"}), &camera));
    EXPECT_EQ(camera.camera, 5);
    EXPECT_FALSE(camera.hasName);
    ASSERT_TRUE(ParseCameraInfo(CameraInfoJson({6, true, "Gate\n2"}), &camera));
    EXPECT_EQ(camera.name, "Gate\n2");

    CountsInfo counts;
    ASSERT_TRUE(ParseCounts(CountsJson({2, 10, 11}, "2024-01-01T00:00:00", "2024-01-01T23:59:59"),
                            &counts));
    EXPECT_EQ(counts.camera, 2);
    EXPECT_EQ(counts.in, 10);
    EXPECT_EQ(counts.out, 11);

    // A name that is not valid UTF-8 still yields a well-formed body.
    ASSERT_TRUE(ParseDeviceInfo(DeviceInfoJson({"bad \xff byte", 1}), &device));
}

TEST(DeviceProtocol, WireTimes) {
    EXPECT_EQ(SqlTimeToWire("2024-03-05 10:00:59"), "2024-03-05T10:00:59");
    EXPECT_EQ(WireTimeToSql("2024-02-29T23:59:59"), "2024-02-29 23:59:59");
    const char* invalid[] = {
        "",
        "2024-03-05 10:00:00",  // a blank where the 'T' belongs
        "2024-03-05T10:00",
        "2024-03-05T10:00:00Z",
        "2023-02-29T00:00:00",
        "2024-04-31T00:00:00",
        "2024-13-01T00:00:00",
        "2024-00-10T00:00:00",
        "0000-01-01T00:00:00",
        "2024-03-05T24:00:00",
        "2024-03-05T23:60:00",
        "2024-03-05T23:59:60",
        "2024-03-0aT10:00:00",
        "+024-03-05T10:00:00",
    };
    for (const char* t : invalid) {
        EXPECT_FALSE(IsValidWireTime(t)) << t;
        EXPECT_EQ(WireTimeToSql(t), "") << t;
    }
    EXPECT_EQ(SqlTimeToWire("2024-03-05T10:00:00"), "");
}

TEST(DeviceProtocol, Paths) {
    EXPECT_EQ(CameraPath(2), "/api/v1/cameras/2");
    EXPECT_EQ(CountsPath(12, "2024-03-05T10:00:00", "2024-03-05T10:59:59"),
              "/api/v1/cameras/12/counts?from=2024-03-05T10:00:00&to=2024-03-05T10:59:59");
}

}  // namespace

}  // namespace zl
