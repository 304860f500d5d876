// Connecting sites without dialogs and discovering their cameras from real SQLite files.
#include <gtest/gtest.h>

#include "QueryTestKit.h"
#include "query/SiteConnect.h"
#include "recnet/RecNet.h"

namespace zl {

namespace {

class SiteConnect : public ::testing::Test {
  protected:
    SiteRecord Local(const std::string& path, int type) {
        SiteRecord s;
        s.connectionType = kConnLocal;
        s.localDB = path;
        s.counterType = type;
        return s;
    }
    std::vector<int> UsedCameras(const SiteRecord& s) {
        std::vector<int> out;
        for (int k = 0; k < kCameraSlots; ++k)
            if (s.cameras[k].used) out.push_back(k + 1);
        return out;
    }
    TempFolder dir_;
};

TEST_F(SiteConnect, LocalFolderFindsTheCamerasOfThe2DTable) {
    CountingDb db(dir_.File("PeopleCounterData/PeopleCounter.db"));
    db.People2D();
    for (const DbValue& camera : std::initializer_list<DbValue>{3, 1, 7, 0, -2, "abc", 70, 3})
        db.Camera(camera).Record("", {0, 0});
    ASSERT_TRUE(db.Write());
    SiteRecord s = Local(dir_.Path(), 1);
    s.cameras[10].used = 1;  // left over from an earlier connection
    s.cameras[10].checked = 1;
    const SiteConnectResult r = ReconnectSite(s, 1, 0);
    EXPECT_EQ(r.connected, 1);
    EXPECT_EQ(r.cameras, 1);
    EXPECT_EQ(r.message, 0u);
    EXPECT_EQ(UsedCameras(s), (std::vector<int>{1, 3, 7}));
    EXPECT_EQ(s.cameras[6].name, "Camera07");
    EXPECT_EQ(s.cameras[6].is3D, 0);
    EXPECT_EQ(s.cameras[10].checked, 0);
    EXPECT_NE(s.localDb, nullptr);
    ReleaseSiteHandles(s);
    EXPECT_EQ(s.localDb, nullptr);
}

TEST_F(SiteConnect, Local3DFileMarksThreeDCameras) {
    const std::string file = dir_.File("PeopleCounterData/3DPeopleCounter.db");
    ASSERT_TRUE(CountingDb(file).People3D().Camera(2).Record("", {1, 1500}).Write());
    SiteRecord s = Local(file, 2);
    const SiteConnectResult r = ReconnectSite(s, 2, 0);
    EXPECT_EQ(r.cameras, 1);
    EXPECT_EQ(UsedCameras(s), (std::vector<int>{2}));
    EXPECT_EQ(s.cameras[1].is3D, 1);
    ReleaseSiteHandles(s);
}

TEST_F(SiteConnect, DatabaseFileOfAnotherCounterTypeStaysUnconnected) {
    const std::string file = dir_.File("PeopleCounterData/PeopleCounter.db");
    ASSERT_TRUE(CountingDb(file).People2D().Camera(1).Record("", {0, 0}).Write());
    SiteRecord s = Local(file, 1);
    const SiteConnectResult r = ReconnectSite(s, 5, 0);
    EXPECT_EQ(r.connected, 0);
    EXPECT_EQ(r.message, 0u);  // silently
    EXPECT_EQ(s.localDb, nullptr);
    EXPECT_TRUE(UsedCameras(s).empty());
}

TEST_F(SiteConnect, MissingDatabaseAndMissingTableGive113) {
    SiteRecord missing = Local(dir_.File("nowhere"), 4);
    EXPECT_EQ(ReconnectSite(missing, 4, 0).message, kMsgNoCameraDatabase);
    ReleaseSiteHandles(missing);

    ASSERT_TRUE(
        MakeDb(dir_.File("ZoneCounterData/ZoneCounter.db"), {"CREATE TABLE other(a INT);"}));
    SiteRecord noTable = Local(dir_.Path(), 4);
    const SiteConnectResult r = ReconnectSite(noTable, 4, 0);
    EXPECT_EQ(r.connected, 1);
    EXPECT_EQ(r.cameras, 0);
    EXPECT_EQ(r.message, kMsgNoCameraDatabase);
    ReleaseSiteHandles(noTable);
}

TEST_F(SiteConnect, QueueSiteIsPointedAtTheMeasuresFile) {
    for (const char* name :
         {"QueueLengthMonitoring", "QueueLengthMonitoringWaiting", "QueueLengthMonitoringServed"}) {
        ASSERT_TRUE(MakeDb(dir_.File(std::string("QueueLengthData/") + name + ".db"),
                           {"CREATE TABLE records(Camera INT, StartTime TEXT);",
                            "INSERT INTO records VALUES(4,'');", "CREATE TABLE marker(name TEXT);",
                            std::string("INSERT INTO marker VALUES('") + name + "');"}));
    }
    SiteRecord s = Local(dir_.Path(), 7);
    ASSERT_EQ(ReconnectSite(s, 7, 2).cameras, 1);
    EXPECT_EQ(UsedCameras(s), (std::vector<int>{4}));
    std::string marker;
    ASSERT_NE(s.localDb, nullptr);
    s.localDb->Exec(
        "SELECT name FROM marker;",
        [](void* ctx, int, char** texts, char**) {
            *static_cast<std::string*>(ctx) = texts[0] ? texts[0] : "";
            return 0;
        },
        &marker);
    EXPECT_EQ(marker, "QueueLengthMonitoringServed");
    ReleaseSiteHandles(s);
}

TEST_F(SiteConnect, ServerThatCannotBeReachedGives110AndNoHandle) {
    SiteRecord s;
    s.connectionType = kConnServer;
    s.ipAddress = "127.0.0.1";
    s.port = "1";  // nothing listens there
    const SiteConnectResult r = ReconnectSite(s, 1, 0);
    EXPECT_EQ(r.connected, 0);
    EXPECT_EQ(r.message, kMsgCannotConnect);
    EXPECT_EQ(s.client2D, nullptr);
}

struct RowCase {
    std::vector<const char*> values;
    int slot;  // -1: ignored
};

TEST(CameraRows, OnlyCameraNumbersOneToSixtyFourCount) {
    const std::vector<RowCase> cases = {{{"7"}, 6},    {{"0"}, -1},     {{"-1"}, -1},
                                        {{"abc"}, -1}, {{"65"}, -1},    {{nullptr}, -1},
                                        {{"64"}, 63},  {{"5", "x"}, 4}, {{}, -1}};
    for (const RowCase& c : cases) {
        SiteRecord s;
        std::vector<char*> texts;
        for (const char* v : c.values) texts.push_back(const_cast<char*>(v));
        On3DCameraRow(&s, static_cast<int>(texts.size()), texts.data(), nullptr);
        int used = -1;
        for (int k = 0; k < kCameraSlots; ++k)
            if (s.cameras[k].used) used = k;
        EXPECT_EQ(used, c.slot) << (c.values.empty() || !c.values[0] ? "(none)" : c.values[0]);
        if (used >= 0) {
            EXPECT_EQ(s.cameras[used].is3D, 1);
        }
    }
}

TEST(DisplayName, LocalSiteShowsTheLastPathPart) {
    SiteRecord s;
    s.connectionType = kConnLocal;
    s.localDB = "D:\\Data\\Shop";
    EXPECT_EQ(BuildSiteDisplayName(s, "Unnamed", "Local", "2024/03/05 10:00:00"),
              "Local - Shop - 2024/03/05 10:00:00");
    s.localDB = "/srv/data/Shop.db";
    EXPECT_EQ(BuildSiteDisplayName(s, "Unnamed", "Local", "T"), "Local - Shop.db - T");
    s.connectionType = kConnServer;
    s.ipAddress = "10.0.0.9";
    EXPECT_EQ(BuildSiteDisplayName(s, "Unnamed", "Local", "T"), "Unnamed - 10.0.0.9 - T");
}

}  // namespace

}  // namespace zl
