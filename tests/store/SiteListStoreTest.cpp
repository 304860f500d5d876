#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StoreTestKit.h"
#include "base/Profile.h"
#include "store/SiteListStore.h"

namespace zl {

namespace {

class SiteListStoreTest : public ::testing::Test {
  protected:
    SiteListStoreTest() { store.SetFile(file); }

    // A store reading the file anew.
    CSiteListStore Reloaded() {
        CSiteListStore other;
        other.SetFile(file);
        EXPECT_TRUE(other.Load());
        return other;
    }

    TempFolder dir;
    std::string file = dir.File("SiteList.ini");
    CSiteListStore store;
};

SiteRecord MakeSite(int n) {
    SiteRecord s;
    s.name = "Site " + std::to_string(n);
    s.ipAddress = "10.0." + std::to_string(n / 250) + "." + std::to_string(n % 250);
    s.localDB = "D:\\Data\\" + std::to_string(n);
    s.port = std::to_string(700 + n);
    s.userName = "user" + std::to_string(n);
    s.password = "pw" + std::to_string(n);
    s.anonymous = n % 2;
    s.connectionType = n % 3;
    s.counterType = 1 + n % 7;
    for (int j = n % 3; j < kCameraSlots; j += 7) {
        s.cameras[j].used = 1;
        s.cameras[j].name = "Camera" + std::to_string(j + 1);
        s.cameras[j].is3D = (j + n) % 2;
    }
    return s;
}

void ExpectSameStoredFields(const SiteRecord& got, const SiteRecord& want) {
    EXPECT_EQ(got.name, want.name);
    EXPECT_EQ(got.ipAddress, want.ipAddress);
    EXPECT_EQ(got.localDB, want.localDB);
    EXPECT_EQ(got.port, want.port);
    EXPECT_EQ(got.userName, want.userName);
    EXPECT_EQ(got.password, want.password);
    EXPECT_EQ(got.anonymous, want.anonymous);
    EXPECT_EQ(got.connectionType, want.connectionType);
    EXPECT_EQ(got.counterType, want.counterType);
    for (int j = 0; j < kCameraSlots; ++j) {
        EXPECT_EQ(got.cameras[j].used, want.cameras[j].used) << "slot " << j;
        EXPECT_EQ(got.cameras[j].name, want.cameras[j].name) << "slot " << j;
        EXPECT_EQ(got.cameras[j].is3D, want.cameras[j].is3D) << "slot " << j;
    }
}

TEST_F(SiteListStoreTest, MissingFileGivesAnEmptyList) {
    EXPECT_TRUE(store.Load());
    EXPECT_EQ(store.Size(), 0);
}

class SiteListRoundTrip : public SiteListStoreTest, public ::testing::WithParamInterface<int> {};

TEST_P(SiteListRoundTrip, SitesComeBackInOrder) {
    const int count = GetParam();
    for (int i = 0; i < count; ++i) store.Add(MakeSite(i));
    ASSERT_TRUE(store.Save());
    CSiteListStore again = Reloaded();
    ASSERT_EQ(again.Size(), count);
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        ExpectSameStoredFields(again.At(i), store.At(i));
    }
    zl::ProfileFile f(file);
    ASSERT_TRUE(f.Load());
    EXPECT_EQ(f.GetString("SITE_LIST", "COUNT", ""), std::to_string(count));
    if (count > 100) {
        EXPECT_TRUE(f.HasSection("SITE_LIST_COUNT100"));
        EXPECT_EQ(f.GetString("SITE_LIST_COUNT149", "strItemName", ""), "Site 149");
        EXPECT_FALSE(f.HasSection("SITE_LIST_COUNT150"));
    }
}

INSTANTIATE_TEST_SUITE_P(Counts, SiteListRoundTrip, ::testing::Values(0, 1, 150));

TEST_F(SiteListStoreTest, RunTimeFieldsAreNotStoredAndZeroAfterLoad) {
    SiteRecord s = MakeSite(4);
    int marker = 0;
    s.treeItem = &marker;
    s.checked = 1;
    s.client2D = reinterpret_cast<RecNetClient*>(&marker);
    s.cameras[4].treeItem = &marker;
    s.cameras[4].checked = 1;
    s.cameras[4].runtime[3] = 9;
    store.Add(s);
    ASSERT_TRUE(store.Save());
    const SiteRecord got = Reloaded().At(0);
    EXPECT_EQ(got.treeItem, nullptr);
    EXPECT_EQ(got.checked, 0);
    EXPECT_EQ(got.client2D, nullptr);
    EXPECT_EQ(got.cameras[4].treeItem, nullptr);
    EXPECT_EQ(got.cameras[4].checked, 0);
    EXPECT_EQ(got.cameras[4].runtime[3], 0);
}

TEST_F(SiteListStoreTest, CameraSlotsKeepTheirIndex) {
    SiteRecord s;
    s.cameras[0] = CameraSlot{1, "Front"};
    s.cameras[5] = CameraSlot{1, "Back"};
    s.cameras[5].is3D = 1;
    s.cameras[7].name = "not used";  // used 0: not written
    store.Add(s);
    ASSERT_TRUE(store.Save());
    zl::ProfileFile f(file);
    ASSERT_TRUE(f.Load());
    std::vector<std::string> cameraKeys;
    for (const std::string& k : f.KeyNames("SITE_LIST_COUNT00"))
        if (k.rfind("ds", 0) == 0) cameraKeys.push_back(k);
    EXPECT_EQ(cameraKeys, (std::vector<std::string>{"dsCamera_INF_00", "dsCamera_3D_INF_00",
                                                    "dsCamera_INF_05", "dsCamera_3D_INF_05"}));
    const SiteRecord got = Reloaded().At(0);
    for (int j = 0; j < kCameraSlots; ++j) EXPECT_EQ(got.cameras[j].used, j == 0 || j == 5);
    EXPECT_EQ(got.cameras[5].name, "Back");
    EXPECT_EQ(got.cameras[5].is3D, 1);
    EXPECT_EQ(got.cameras[0].is3D, 0);
}

TEST_F(SiteListStoreTest, CameraValuesAreReadExactly) {
    WriteBytes(file,
               "[SITE_LIST]\nCOUNT=1\n[SITE_LIST_COUNT00]\n"
               "dsCamera_INF_00=-1\n"  // the text -1: unused
               "dsCamera_3D_INF_00=1\n"
               "dsCamera_INF_01=-10\n"   // not exactly -1: used
               "dsCamera_3D_INF_01=2\n"  // not exactly 1: not 3D
               "dsCamera_INF_02=\n"      // used, empty name
               "dsCamera_3D_INF_02=1\n"
               "dsCamera_INF_03=Door\n"     // no 3D key: not 3D
               "dsCamera_3D_INF_04=1\n"     // a 3D flag alone uses no slot
               "DSCAMERA_INF_05=Upper\n");  // key names ignore case
    ASSERT_TRUE(store.Load());
    const SiteRecord& s = store.At(0);
    struct Want {
        int used;
        const char* name;
        int is3D;
    };
    const Want want[] = {{0, "", 0},     {1, "-10", 0}, {1, "", 1},
                         {1, "Door", 0}, {0, "", 0},    {1, "Upper", 0}};
    for (int j = 0; j < 6; ++j) {
        SCOPED_TRACE(j);
        EXPECT_EQ(s.cameras[j].used, want[j].used);
        EXPECT_EQ(s.cameras[j].name, want[j].name);
        EXPECT_EQ(s.cameras[j].is3D, want[j].is3D);
    }
}

TEST_F(SiteListStoreTest, MissingSectionGivesTheDefaults) {
    WriteBytes(file, "[SITE_LIST]\nCOUNT=2\n[SITE_LIST_COUNT00]\nnPort=\nbAnonyMous=yes\n");
    ASSERT_TRUE(store.Load());
    ASSERT_EQ(store.Size(), 2);
    for (int i = 0; i < 2; ++i) {
        const SiteRecord& s = store.At(i);
        EXPECT_EQ(s.name, "\xE6\x96\xB0\xE8\xB3\x87\xE6\x96\x99\xE5\xA4\xBE");  // 新資料夾
        EXPECT_EQ(s.ipAddress, "127.0.0.1");
        EXPECT_EQ(s.localDB, "");
        EXPECT_EQ(s.counterType, 0);
        EXPECT_EQ(s.connectionType, 0);
        EXPECT_EQ(s.anonymous, 0);
        for (const CameraSlot& c : s.cameras) EXPECT_EQ(c.used, 0);
    }
    EXPECT_EQ(store.At(0).port, "");  // present but empty
    EXPECT_EQ(store.At(1).port, "700");
}

TEST_F(SiteListStoreTest, LoadAppends) {
    store.Add(MakeSite(1));
    ASSERT_TRUE(store.Save());
    ASSERT_TRUE(store.Load());
    ASSERT_EQ(store.Size(), 2);
    ExpectSameStoredFields(store.At(1), store.At(0));
}

TEST_F(SiteListStoreTest, DamagedCountIsBounded) {
    WriteBytes(file, "[SITE_LIST]\nCOUNT=-5\n");
    ASSERT_TRUE(store.Load());
    EXPECT_EQ(store.Size(), 0);
    WriteBytes(file, "[SITE_LIST]\nCOUNT=99999999999\n");
    ASSERT_TRUE(store.Load());
    EXPECT_EQ(store.Size(), CSiteListStore::kMaxSites);
}

// Bytes that are no text in any encoding the file may be in: no sites, and the file is never
// written over (an empty list saved over it would lose every site).
TEST_F(SiteListStoreTest, UndecodableFileIsLeftUntouched) {
    std::string bytes = "[SITE_LIST]\r\nCOUNT=3\r\n";
    for (int i = 0; i < 8192; ++i) bytes += static_cast<char>((i * 131 + 7) & 0xFF);
    WriteBytes(file, bytes);
    EXPECT_FALSE(store.Load());
    EXPECT_EQ(store.Size(), 0);
    EXPECT_NE(store.LoadError().find("SiteList.ini"), std::string::npos) << store.LoadError();
    store.Add(MakeSite(1));
    EXPECT_FALSE(store.Save());
    EXPECT_EQ(ReadBytes(file), bytes);
}

TEST_F(SiteListStoreTest, SaveWritesTheFileAnew) {
    for (int i = 0; i < 3; ++i) store.Add(MakeSite(i));
    ASSERT_TRUE(store.Save());
    // Deleting the first site renumbers the others from 00; nothing of the old file remains.
    ASSERT_TRUE(store.Remove(0));
    EXPECT_FALSE(store.Remove(5));
    ASSERT_TRUE(store.Save());
    zl::ProfileFile f(file);
    ASSERT_TRUE(f.Load());
    EXPECT_EQ(f.SectionNames(),
              (std::vector<std::string>{"SITE_LIST", "SITE_LIST_COUNT00", "SITE_LIST_COUNT01"}));
    EXPECT_EQ(f.GetString("SITE_LIST_COUNT00", "strItemName", ""), "Site 1");
    EXPECT_EQ(f.GetString("SITE_LIST_COUNT01", "strItemName", ""), "Site 2");
}

TEST_F(SiteListStoreTest, ValuesStayOnTheirLine) {
    SiteRecord s = MakeSite(0);
    s.name = "Shop\n[SITE_LIST]\nCOUNT=40";
    store.Add(s);
    ASSERT_TRUE(store.Save());
    CSiteListStore again = Reloaded();
    ASSERT_EQ(again.Size(), 1);
    EXPECT_EQ(again.At(0).name, "Shop [SITE_LIST] COUNT=40");
}

TEST_F(SiteListStoreTest, SavedFileByteForByte) {
    SiteRecord s;
    s.name = "Shop";
    s.ipAddress = "192.168.1.20";
    s.port = "700";
    s.userName = "admin";
    s.password = "secret";
    s.counterType = 2;
    s.cameras[0] = CameraSlot{1, "Camera01"};
    s.cameras[0].is3D = 1;
    s.cameras[12] = CameraSlot{1, "Camera13"};
    store.Add(s);
    SiteRecord local;
    local.name = "Local - Data - 2024/05/01 09:00:00";
    local.localDB = "/data/PeopleCounterData/PeopleCounter.db";
    local.connectionType = kConnLocal;
    local.counterType = 1;
    local.anonymous = 1;
    store.Add(local);
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(ReadBytes(file), Crlf("[SITE_LIST]\n"
                                    "COUNT=2\n"
                                    "[SITE_LIST_COUNT00]\n"
                                    "CounterType=2\n"
                                    "strItemName=Shop\n"
                                    "IPAddress=192.168.1.20\n"
                                    "LocalDB=\n"
                                    "nPort=700\n"
                                    "strUsername=admin\n"
                                    "strPassword=secret\n"
                                    "bAnonyMous=0\n"
                                    "ConnectionType=0\n"
                                    "dsCamera_INF_00=Camera01\n"
                                    "dsCamera_3D_INF_00=1\n"
                                    "dsCamera_INF_12=Camera13\n"
                                    "dsCamera_3D_INF_12=0\n"
                                    "[SITE_LIST_COUNT01]\n"
                                    "CounterType=1\n"
                                    "strItemName=Local - Data - 2024/05/01 09:00:00\n"
                                    "IPAddress=\n"
                                    "LocalDB=/data/PeopleCounterData/PeopleCounter.db\n"
                                    "nPort=\n"
                                    "strUsername=\n"
                                    "strPassword=\n"
                                    "bAnonyMous=1\n"
                                    "ConnectionType=2\n"));
}

TEST_F(SiteListStoreTest, FailedSaveLeavesTheOldFile) {
    store.Add(MakeSite(1));
    ASSERT_TRUE(store.Save());
    const std::string old = ReadBytes(file);
    store.Add(MakeSite(2));
    // As in a folder without write permission (which root would ignore), the temporary
    // file cannot be created; a failing rename leaves the old file as well.
    for (auto step : {zl::ProfileFile::SaveStep::CreateTemp, zl::ProfileFile::SaveStep::Rename}) {
        zl::ProfileFile::SetSaveFaultHook(
            [step](zl::ProfileFile::SaveStep s) { return s == step; });
        const bool saved = store.Save();
        zl::ProfileFile::SetSaveFaultHook({});
        EXPECT_FALSE(saved);
        EXPECT_EQ(ReadBytes(file), old);
    }
    EXPECT_EQ(Reloaded().Size(), 1);
}

TEST_F(SiteListStoreTest, SaveIntoAReadOnlyFolderFailsAndKeepsTheOldFile) {
    store.Add(MakeSite(1));
    ASSERT_TRUE(store.Save());
    const std::string old = ReadBytes(file);
    SetMode(file, 0644);
    SetMode(dir.Path(), 0555);
    const int result = RunWithPermissions([&] {
        CSiteListStore other;
        other.SetFile(file);
        if (!other.Load() || other.Size() != 1) return 1;
        other.Add(MakeSite(2));
        return other.Save() ? 2 : 0;
    });
    SetMode(dir.Path(), 0700);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadBytes(file), old);
}

// A list that could not be read is not written over the file it came from.
TEST_F(SiteListStoreTest, UnreadableFileIsNotOverwritten) {
    store.Add(MakeSite(1));
    ASSERT_TRUE(store.Save());
    const std::string old = ReadBytes(file);
    SetMode(file, 0);
    SetMode(dir.Path(), 0777);
    const int result = RunWithPermissions([&] {
        CSiteListStore other;
        other.SetFile(file);
        if (other.Load()) return 1;
        other.Add(MakeSite(2));
        return other.Save() ? 2 : 0;
    });
    SetMode(dir.Path(), 0700);
    SetMode(file, 0600);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadBytes(file), old);
}

TEST_F(SiteListStoreTest, InsertAndAt) {
    store.Add(MakeSite(0));
    store.Add(MakeSite(2));
    store.Insert(1, MakeSite(1));
    store.Insert(99, MakeSite(3));
    ASSERT_EQ(store.Size(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(store.At(i).name, "Site " + std::to_string(i));
    EXPECT_EQ(&store.Sites()[2], &store.At(2));
}

}  // namespace

}  // namespace zl
