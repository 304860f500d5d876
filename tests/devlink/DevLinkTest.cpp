// The device link against a real devsim on 127.0.0.1 serving a countgen database, and against
// fake devices that misbehave.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "CountGen.h"
#include "DevSim.h"
#include "FakeDevice.h"
#include "ToolsTestKit.h"
#include "base/SysTime.h"
#include "devlink/DevLink.h"

namespace zl {

namespace {

using Clock = std::chrono::steady_clock;

struct LinkDeleter {
    void operator()(DevLink* link) const { DestroyDevLink(&link); }
};
using LinkPtr = std::unique_ptr<DevLink, LinkDeleter>;

LinkPtr NewLink() {
    return LinkPtr(CreateDevLink());
}

long long MillisSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class DevLinkWithDevsim : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.Path().empty());
        CountGenOptions gen;
        gen.root = dir_.Path();
        gen.types = {1};
        gen.days = 3;
        gen.endYear = 2024;
        gen.endMonth = 3;
        gen.endDay = 15;
        gen.cameras = 3;
        gen.intervalMinutes = 15;
        gen.seed = 7;
        std::string error;
        ASSERT_EQ(GenerateDatabases(gen, nullptr, &error), 1) << error;
        dbPath_ = dir_.Path() + "/PeopleCounterData/PeopleCounter.db";

        config_.dbPath = dbPath_;
        config_.user = "admin";
        config_.password = "s3cret:with colon";
        config_.name = "Mall East";
        config_.cameraNames = {{1, "Entrance"}, {3, "Exit South"}};
        ASSERT_EQ(sim_.Start(config_, &error), 1) << error;
    }

    int ConnectLink(DevLink* link, const char* password = "s3cret:with colon") {
        return link->Connect("127.0.0.1", sim_.Port(), "admin", password, 30000);
    }

    // The sums the device should answer, straight from the database.
    void SqlSums(int camera, const std::string& from, const std::string& to, int* in, int* out) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open_v2(dbPath_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db,
                                     "SELECT SUM(Inward), SUM(Outward) FROM Records WHERE "
                                     "Camera = ? AND EnterTime BETWEEN ? AND ?",
                                     -1, &st, nullptr),
                  SQLITE_OK);
        sqlite3_bind_int(st, 1, camera);
        sqlite3_bind_text(st, 2, from.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, to.c_str(), -1, SQLITE_TRANSIENT);
        ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
        *in = sqlite3_column_int(st, 0);
        *out = sqlite3_column_int(st, 1);
        sqlite3_finalize(st);
        sqlite3_close(db);
    }

    TempFolder dir_;
    std::string dbPath_;
    DevSimConfig config_;
    DevSim sim_;
};

TEST_F(DevLinkWithDevsim, NameCamerasAndTheCameraNameFallback) {
    LinkPtr link = NewLink();
    ASSERT_TRUE(link);
    ASSERT_EQ(ConnectLink(link.get()), 1);

    char buffer[260];
    ASSERT_EQ(link->GetDeviceName(buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "Mall East");

    int count = -1;
    ASSERT_EQ(link->GetCameraCount(&count), 1);
    EXPECT_EQ(count, 3);

    // What the site logic does with the answers: the device's names, else "Camera%02d".
    std::string names[3];
    for (int n = 1; n <= count; ++n) {
        char name[260];
        if (link->GetCameraName(n, name, sizeof name) == 1)
            names[n - 1] = name;
        else
            std::snprintf(name, sizeof name, "Camera%02d", n), names[n - 1] = name;
    }
    EXPECT_EQ(names[0], "Entrance");
    EXPECT_EQ(names[1], "Camera02");
    EXPECT_EQ(names[2], "Exit South");

    EXPECT_EQ(link->GetCameraName(0, buffer, sizeof buffer), 0);
    EXPECT_EQ(link->GetCameraName(4, buffer, sizeof buffer), 0);
    EXPECT_EQ(link->GetCameraName(-1, buffer, sizeof buffer), 0);
}

TEST_F(DevLinkWithDevsim, CountsEqualTheDatabaseSums) {
    LinkPtr link = NewLink();
    ASSERT_EQ(ConnectLink(link.get()), 1);
    struct Case {
        int camera;
        SYSTEMTIME from, to;
    };
    const Case cases[] = {
        {1, MakeSysTime(2024, 3, 15, 0, 0, 0), MakeSysTime(2024, 3, 15, 23, 59, 59)},
        {2, MakeSysTime(2024, 3, 14, 12, 0, 0), MakeSysTime(2024, 3, 14, 12, 59, 59)},
        {3, MakeSysTime(2024, 3, 13, 0, 0, 0), MakeSysTime(2024, 3, 15, 23, 59, 59)},
        // Both ends inclusive: a range of one second holds the record written at that second.
        {1, MakeSysTime(2024, 3, 15, 12, 0, 0), MakeSysTime(2024, 3, 15, 12, 0, 0)},
        // The hour buckets of a device query share their boundary second.
        {2, MakeSysTime(2024, 3, 15, 17, 0, 0), MakeSysTime(2024, 3, 15, 18, 0, 0)},
        // No records: NULL sums answer 0.
        {1, MakeSysTime(2024, 3, 16, 0, 0, 0), MakeSysTime(2024, 3, 16, 23, 59, 59)},
        {1, MakeSysTime(2024, 3, 15, 2, 0, 0), MakeSysTime(2024, 3, 15, 2, 59, 59)},
        // Start after end: nothing.
        {1, MakeSysTime(2024, 3, 15, 18, 0, 0), MakeSysTime(2024, 3, 15, 10, 0, 0)},
    };
    int nonZero = 0;
    for (const Case& c : cases) {
        const std::string from = FormatSqlTime(c.from), to = FormatSqlTime(c.to);
        int wantIn = 0, wantOut = 0;
        SqlSums(c.camera, from, to, &wantIn, &wantOut);
        int in = -1, out = -1;
        ASSERT_EQ(link->GetCounts(c.camera, SystemTimeToOleDate(c.from), SystemTimeToOleDate(c.to),
                                  &in, &out),
                  1)
            << from << " " << to;
        EXPECT_EQ(in, wantIn) << "camera " << c.camera << " " << from << " .. " << to;
        EXPECT_EQ(out, wantOut) << "camera " << c.camera << " " << from << " .. " << to;
        nonZero += wantIn > 0;
    }
    EXPECT_GE(nonZero, 4);  // the comparison is not all zeros

    int in = 0, out = 0;
    const double day = SystemTimeToOleDate(MakeSysTime(2024, 3, 15));
    EXPECT_EQ(link->GetCounts(4, day, day + 1, &in, &out), 0);  // no camera 4
    EXPECT_EQ(link->GetCounts(0, day, day + 1, &in, &out), 0);
    EXPECT_EQ(link->GetCounts(1, day, day + 1, nullptr, &out), 0);
    EXPECT_EQ(link->GetCounts(1, std::nan(""), day, &in, &out), 0);
    EXPECT_EQ(link->GetCounts(1, day, 1e12, &in, &out), 0);
}

TEST_F(DevLinkWithDevsim, WrongCredentialsAndCallsWithoutConnection) {
    LinkPtr link = NewLink();
    char buffer[260];
    int count = 0, in = 0, out = 0;
    // Nothing works before a successful Connect.
    EXPECT_EQ(link->GetDeviceName(buffer, sizeof buffer), 0);
    EXPECT_EQ(link->GetCameraCount(&count), 0);
    EXPECT_EQ(link->GetCounts(1, 45000.0, 45001.0, &in, &out), 0);

    EXPECT_EQ(ConnectLink(link.get(), "wrong"), 0);
    EXPECT_EQ(ConnectLink(link.get(), ""), 0);
    EXPECT_EQ(link->Connect("127.0.0.1", sim_.Port(), "someone", "s3cret:with colon", 3000), 0);
    EXPECT_EQ(link->Connect("127.0.0.1", sim_.Port(), nullptr, nullptr, 3000), 0);
    EXPECT_EQ(link->GetCameraCount(&count), 0);

    // A good Connect after failed ones works; a failed one afterwards disconnects.
    ASSERT_EQ(ConnectLink(link.get()), 1);
    EXPECT_EQ(link->GetCameraCount(&count), 1);
    EXPECT_EQ(ConnectLink(link.get(), "wrong"), 0);
    EXPECT_EQ(link->GetCameraCount(&count), 0);

    // Arguments that cannot address a device.
    EXPECT_EQ(link->Connect(nullptr, sim_.Port(), "admin", "x", 3000), 0);
    EXPECT_EQ(link->Connect("", sim_.Port(), "admin", "x", 3000), 0);
    EXPECT_EQ(link->Connect("127.0.0.1", 0, "admin", "x", 3000), 0);
    EXPECT_EQ(link->Connect("127.0.0.1", 70000, "admin", "x", 3000), 0);
    EXPECT_EQ(link->Connect("127.0.0.1", sim_.Port(), "ad:min", "x", 3000), 0);
}

TEST_F(DevLinkWithDevsim, HostNamesAreLookedUp) {
    LinkPtr link = NewLink();
    // "localhost" comes from the hosts file, so no name server is asked.
    ASSERT_EQ(link->Connect("localhost", sim_.Port(), "admin", "s3cret:with colon", 3000), 1);
    int count = 0;
    EXPECT_EQ(link->GetCameraCount(&count), 1);
    EXPECT_EQ(count, 3);
}

TEST_F(DevLinkWithDevsim, SmallBuffersAreCutAndTerminated) {
    config_.name = "Bahnhof Süd";  // 'ü' is two bytes in UTF-8
    std::string error;
    ASSERT_EQ(sim_.Start(config_, &error), 1) << error;
    LinkPtr link = NewLink();
    ASSERT_EQ(ConnectLink(link.get()), 1);

    char small[11];
    std::memset(small, 'x', sizeof small);
    ASSERT_EQ(link->GetDeviceName(small, 10), 1);
    EXPECT_STREQ(small, "Bahnhof S");  // "Bahnhof S\xc3" would split the 'ü'
    EXPECT_EQ(small[10], 'x');         // nothing written past the given size
    char one[1] = {'x'};
    EXPECT_EQ(link->GetDeviceName(one, 1), 1);
    EXPECT_EQ(one[0], '\0');
    EXPECT_EQ(link->GetDeviceName(small, 0), 0);
    EXPECT_EQ(link->GetDeviceName(nullptr, 10), 0);
    EXPECT_EQ(link->GetCameraName(1, small, -5), 0);
    EXPECT_EQ(link->GetCameraCount(nullptr), 0);
}

TEST_F(DevLinkWithDevsim, ComesBackAfterTheDeviceRestarts) {
    LinkPtr link = NewLink();
    ASSERT_EQ(ConnectLink(link.get()), 1);
    int count = 0;
    ASSERT_EQ(link->GetCameraCount(&count), 1);

    const int port = sim_.Port();
    sim_.Stop();
    const auto start = Clock::now();
    EXPECT_EQ(link->GetCameraCount(&count), 0);
    EXPECT_LT(MillisSince(start), 3000);

    DevSimConfig again = config_;
    again.port = port;
    std::string error;
    ASSERT_EQ(sim_.Start(again, &error), 1) << error;
    EXPECT_EQ(link->GetCameraCount(&count), 1);
    EXPECT_EQ(count, 3);
}

TEST(DevLinkHandles, DestroySetsTheHandleToNull) {
    DevLink* link = CreateDevLink();
    ASSERT_NE(link, nullptr);
    DestroyDevLink(&link);
    EXPECT_EQ(link, nullptr);
    DestroyDevLink(&link);  // a null handle is fine
    DestroyDevLink(nullptr);
}

TEST(DevLinkHandles, NothingListening) {
    // Find a port that nobody listens on: bind one, note it, let it go.
    int port = 0;
    {
        FakeDevice probe(FakeDevice::Mode::CloseEarly, false);
        port = probe.Port();
    }
    LinkPtr link = NewLink();
    const auto start = Clock::now();
    EXPECT_EQ(link->Connect("127.0.0.1", port, "admin", "x", 2000), 0);
    EXPECT_LT(MillisSince(start), 2000 + 1000);
}

TEST(DevLinkHandles, DeviceClosingKeptAliveConnections) {
    // Each answer is followed by a close the link only notices when it reuses the connection;
    // such a request is sent again on a new connection instead of failing.
    FakeDevice device(FakeDevice::Mode::CloseEarly, /*healthyDevice=*/true,
                      /*closeAfterAnswer=*/true);
    LinkPtr link = NewLink();
    ASSERT_EQ(link->Connect("127.0.0.1", device.Port(), "admin", "pw", 30000), 1);
    for (int i = 0; i < 30; ++i) {
        int count = 0;
        ASSERT_EQ(link->GetCameraCount(&count), 1) << "call " << i;
        EXPECT_EQ(count, 2);
    }
}

// Every kind of misbehaviour ends in a clean 0 within the time-out, whether it happens at
// Connect or on a later call.
class DevLinkAgainstBadDevice : public ::testing::TestWithParam<FakeDevice::Mode> {};

constexpr int kTimeOutMs = 3000;  // a healthy answer comes in time on a loaded machine
// Thread start-up and a loaded machine; far below the minute a misbehaving fake device keeps
// a client that ignores its time-out.
constexpr int kSlackMs = 15000;

TEST_P(DevLinkAgainstBadDevice, ConnectFailsWithinTheTimeOut) {
    FakeDevice device(GetParam(), /*healthyDevice=*/false);
    ASSERT_GT(device.Port(), 0);
    LinkPtr link = NewLink();
    const auto start = Clock::now();
    EXPECT_EQ(link->Connect("127.0.0.1", device.Port(), "admin", "pw", kTimeOutMs), 0);
    EXPECT_LT(MillisSince(start), kTimeOutMs + kSlackMs);
}

TEST_P(DevLinkAgainstBadDevice, LaterCallsFailWithinTheTimeOut) {
    FakeDevice device(GetParam(), /*healthyDevice=*/true);
    ASSERT_GT(device.Port(), 0);
    LinkPtr link = NewLink();
    ASSERT_EQ(link->Connect("127.0.0.1", device.Port(), "admin", "pw", kTimeOutMs), 1);

    char name[260];
    int in = -1, out = -1;
    auto start = Clock::now();
    EXPECT_EQ(link->GetCameraName(1, name, sizeof name), 0);
    EXPECT_LT(MillisSince(start), kTimeOutMs + kSlackMs);
    start = Clock::now();
    EXPECT_EQ(link->GetCounts(1, 45000.0, 45000.5, &in, &out), 0);
    EXPECT_LT(MillisSince(start), kTimeOutMs + kSlackMs);
    EXPECT_EQ(in, -1);  // nothing written on failure
    EXPECT_EQ(out, -1);

    // The device request still answers properly afterwards: the link recovers.
    int count = 0;
    EXPECT_EQ(link->GetCameraCount(&count), 1);
    EXPECT_EQ(count, 2);
}

std::string ModeName(const ::testing::TestParamInfo<FakeDevice::Mode>& info) {
    static const char* const kNames[] = {"Garbage",  "Silent",  "Trickle",  "CloseEarly",
                                         "HalfBody", "BadJson", "HugeBody", "NotFound"};
    return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Modes, DevLinkAgainstBadDevice,
                         ::testing::Values(FakeDevice::Mode::Garbage, FakeDevice::Mode::Silent,
                                           FakeDevice::Mode::Trickle, FakeDevice::Mode::CloseEarly,
                                           FakeDevice::Mode::HalfBody, FakeDevice::Mode::BadJson,
                                           FakeDevice::Mode::HugeBody, FakeDevice::Mode::NotFound),
                         ModeName);

}  // namespace

}  // namespace zl
