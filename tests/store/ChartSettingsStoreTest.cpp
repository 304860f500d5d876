#include <gtest/gtest.h>

#include <string>

#include "StoreTestKit.h"
#include "base/Profile.h"
#include "store/ChartSettingsStore.h"
#include "store/SettingsFile.h"

namespace zl {

namespace {

class ChartSettingsStoreTest : public ::testing::Test {
  protected:
    ChartSettingsStoreTest() { store.SetFile(file); }
    ChartSettings Get(int type) {
        ChartSettings s;
        store.GetSettings(s, type);
        return s;
    }
    std::string Value(const std::string& section, const std::string& key) {
        zl::ProfileFile f(file);
        f.Load();
        return f.GetString(section, key, "<missing>");
    }

    TempFolder dir;
    std::string file = dir.File("Setting .ini");
    CChartSettingsStore store;
};

struct DefaultTitles {
    int type;
    const char* in[4];
    const char* out[4];
};

const DefaultTitles kDefaultTitles[] = {
    {1,
     {"Inward", "Inward 2", "Inward 3", "Inward 4"},
     {"Outward", "Outward 2", "Outward 3", "Outward 4"}},
    {2,
     {"Inward", "Inward 2", "Inward 3", "Inward 4"},
     {"Outward", "Outward 2", "Outward 3", "Outward 4"}},
    {3, {"Count", "", "", ""}, {"", "", "", ""}},
    {4, {"Count", "", "", ""}, {"", "", "", ""}},
    {5,
     {"Inward", "Inward 2", "Inward 3", "Inward 4"},
     {"Outward", "Outward 2", "Outward 3", "Outward 4"}},
    {6,
     {"LargeIn", "MediumIn", "SmallIn", "PedestrianIn"},
     {"LargeOut", "MediumOut", "SmallOut", "PedestrianOut"}},
    {7, {"Count", "Service Time", "", ""}, {"Average Count", "Wait Time", "", ""}},
};

void ExpectDefaults(const ChartSettings& s, const DefaultTitles& want) {
    const COLORREF inColors[4] = {255, 65280, 8405056, 33023};
    const COLORREF outColors[4] = {16744448, 16711935, 32896, 0};
    for (const LineStyleRecord* r : {&s.line, &s.bar}) {
        EXPECT_EQ(r->title, "");
        EXPECT_EQ(r->countTitle[0], "Count");
        for (int p = 0; p < 4; ++p) {
            EXPECT_EQ(r->inTitle[p], want.in[p]) << "pair " << p;
            EXPECT_EQ(r->outTitle[p], want.out[p]) << "pair " << p;
            EXPECT_EQ(r->inWidth[p], 3);
            EXPECT_EQ(r->outWidth[p], 3);
            EXPECT_EQ(r->inColor[p], inColors[p]);
            EXPECT_EQ(r->outColor[p], outColors[p]);
        }
        EXPECT_EQ(r->gridLine, 1);
        EXPECT_EQ(r->gridNote, 0);
    }
    EXPECT_EQ(s.synAdjust, 0);
    for (int d = 0; d < 7; ++d) {
        EXPECT_EQ(s.weekStart[d].wHour, 0);
        EXPECT_EQ(s.weekStart[d].wMinute, 0);
        EXPECT_EQ(s.weekEnd[d].wHour, 23);
        EXPECT_EQ(s.weekEnd[d].wMinute, 59);
    }
}

TEST_F(ChartSettingsStoreTest, NoFileGivesTheDefaultsOfEveryCounterType) {
    store.Load();
    for (const DefaultTitles& want : kDefaultTitles) {
        SCOPED_TRACE(want.type);
        ExpectDefaults(Get(want.type), want);
    }
}

TEST_F(ChartSettingsStoreTest, BinaryFileLoadsTheDefaults) {
    std::string bytes;
    for (int i = 0; i < 4096; ++i) bytes += static_cast<char>((i * 37 + i / 256) & 0xFF);
    bytes += std::string("\0[P_Count_Setting\n=\xff\xfe", 20);
    WriteBytes(file, bytes);
    store.Load();
    for (const DefaultTitles& want : kDefaultTitles) ExpectDefaults(Get(want.type), want);
}

TEST_F(ChartSettingsStoreTest, CodesOutsideOneToSevenUseTheTwoDPeopleCounter) {
    ChartSettings s = Get(1);
    s.line.title = "people";
    store.SetSettings(s, 1);
    EXPECT_EQ(Get(0).line.title, "people");
    EXPECT_EQ(Get(8).line.title, "people");
    s.line.title = "written through 8";
    store.SetSettings(s, 8);
    EXPECT_EQ(Get(1).line.title, "written through 8");
    EXPECT_EQ(Get(2).line.title, "");
}

TEST_F(ChartSettingsStoreTest, WorkingHoursAreSplitIntoTwoCharacters) {
    WriteBytes(file,
               "[P_Count_Setting]\n"
               "stWeek_Start_Time_02=0830\n"
               "stWeek_Start_Time_03=830\n"  // first two and last two characters
               "stWeek_End_Time_04=1x45\n"   // atoi of "1x" is 1
               "stWeek_End_Time_05=\n");
    store.Load();
    const ChartSettings s = Get(1);
    EXPECT_EQ(s.weekStart[2].wHour, 8);
    EXPECT_EQ(s.weekStart[2].wMinute, 30);
    EXPECT_EQ(s.weekStart[3].wHour, 83);
    EXPECT_EQ(s.weekStart[3].wMinute, 30);
    EXPECT_EQ(s.weekEnd[4].wHour, 1);
    EXPECT_EQ(s.weekEnd[4].wMinute, 45);
    EXPECT_EQ(s.weekEnd[5].wHour, 0);  // an empty value is not the default
    EXPECT_EQ(s.weekEnd[5].wMinute, 0);
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(Value("P_Count_Setting", "stWeek_Start_Time_02"), "0830");
    EXPECT_EQ(Value("P_Count_Setting", "stWeek_Start_Time_03"), "8330");
    EXPECT_EQ(Value("P_Count_Setting", "stWeek_End_Time_00"), "2359");
}

TEST_F(ChartSettingsStoreTest, NumbersAreReadWithAtoi) {
    WriteBytes(file,
               "[P_Count_Setting_FlowCounter]\n"
               "nLine_In_Width_00=abc\n"
               "nLine_Out_Width_00= 12px\n"
               "nLine_In_Color_01=16744448\n"
               "nLine_Out_Color3_01=-1\n"
               "bGrid_Line_00=\n");
    store.Load();
    const ChartSettings s = Get(5);
    EXPECT_EQ(s.line.inWidth[0], 0);
    EXPECT_EQ(s.line.outWidth[0], 12);
    EXPECT_EQ(s.line.gridLine, 0);
    const COLORREF c = s.bar.inColor[0];
    EXPECT_EQ(c & 0xFF, 0u);            // red
    EXPECT_EQ((c >> 8) & 0xFF, 128u);   // green
    EXPECT_EQ((c >> 16) & 0xFF, 255u);  // blue
    EXPECT_EQ(s.bar.outColor[2], 0xFFFFFFFFu);
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(Value("P_Count_Setting_FlowCounter", "nLine_Out_Color3_01"), "-1");
}

TEST_F(ChartSettingsStoreTest, LongTextsAreCutTo259Characters) {
    WriteBytes(file,
               "[P_Count_Setting_ZoneCounter]\nstrTitleText_00=" + std::string(400, 'x') + "\n");
    store.Load();
    EXPECT_EQ(Get(4).line.title, std::string(259, 'x'));
}

TEST_F(ChartSettingsStoreTest, EveryFieldRoundTrips) {
    ChartSettings s = Get(7);
    for (LineStyleRecord* r : {&s.line, &s.bar}) {
        const int k = r == &s.line ? 0 : 100;
        r->title = "Queue " + std::to_string(k);
        for (int p = 0; p < 4; ++p) {
            r->inTitle[p] = "in " + std::to_string(k + p);
            r->outTitle[p] = "out " + std::to_string(k + p);
            r->inWidth[p] = k + p + 1;
            r->outWidth[p] = k + p + 5;
            r->inColor[p] = 0x010203u * (k + p + 1);
            r->outColor[p] = 0x030201u * (k + p + 1);
        }
        r->countTitle[0] = "n" + std::to_string(k);
        r->gridLine = 0;
        r->gridNote = 1;
    }
    s.synAdjust = 1;
    for (int d = 0; d < 7; ++d) {
        s.weekStart[d].wHour = static_cast<uint16_t>(d + 1);
        s.weekStart[d].wMinute = static_cast<uint16_t>(d * 7);
        s.weekEnd[d].wHour = static_cast<uint16_t>(d + 12);
        s.weekEnd[d].wMinute = static_cast<uint16_t>(59 - d);
    }
    store.SetSettings(s, 7);
    ASSERT_TRUE(store.Save());

    CChartSettingsStore again;
    again.SetFile(file);
    again.Load();
    ChartSettings got;
    again.GetSettings(got, 7);
    for (int i = 0; i < 2; ++i) {
        const LineStyleRecord& a = i == 0 ? s.line : s.bar;
        const LineStyleRecord& b = i == 0 ? got.line : got.bar;
        EXPECT_EQ(b.title, a.title);
        EXPECT_EQ(b.inTitle, a.inTitle);
        EXPECT_EQ(b.outTitle, a.outTitle);
        EXPECT_EQ(b.countTitle[0], a.countTitle[0]);
        EXPECT_EQ(b.inWidth, a.inWidth);
        EXPECT_EQ(b.outWidth, a.outWidth);
        EXPECT_EQ(b.inColor, a.inColor);
        EXPECT_EQ(b.outColor, a.outColor);
        EXPECT_EQ(b.gridLine, a.gridLine);
        EXPECT_EQ(b.gridNote, a.gridNote);
    }
    EXPECT_EQ(got.synAdjust, 1);
    for (int d = 0; d < 7; ++d) {
        EXPECT_EQ(got.weekStart[d].wHour, s.weekStart[d].wHour);
        EXPECT_EQ(got.weekStart[d].wMinute, s.weekStart[d].wMinute);
        EXPECT_EQ(got.weekEnd[d].wHour, s.weekEnd[d].wHour);
        EXPECT_EQ(got.weekEnd[d].wMinute, s.weekEnd[d].wMinute);
    }
    // Other counter types kept their defaults.
    ChartSettings other, defaults;
    again.GetSettings(other, 6);
    CChartSettingsStore().GetSettings(defaults, 6);
    EXPECT_EQ(other.line.inTitle, defaults.line.inTitle);
    EXPECT_EQ(other.bar.outColor, defaults.bar.outColor);
}

TEST_F(ChartSettingsStoreTest, SetSettingsOfTrafficCounterIsSavedInItsSections) {
    ChartSettings s = Get(6);
    s.line.inTitle[3] = "Bikes in";
    s.bar.outColor[1] = 4242;
    s.weekStart[6].wHour = 9;
    store.SetSettings(s, 6);
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(Value("P_Count_Setting_TrafficCounter", "strLine_In_Title4_00"), "Bikes in");
    EXPECT_EQ(Value("P_Count_Setting_TrafficCounter", "nLine_Out_Color2_01"), "4242");
    EXPECT_EQ(Value("P_Count_Setting", "stWeek_Start_Time_06"), "0900");
    EXPECT_EQ(Value("P_Count_Setting_2DPeopleCounter", "strLine_In_Title4_00"), "Inward 4");
}

TEST_F(ChartSettingsStoreTest, SaveKeepsKeysItDoesNotWrite) {
    WriteBytes(file,
               "; written by hand\n"
               "[LANGUAGE]\n"
               "TYPE=Other.ini\n"
               "[P_Count_Setting]\n"
               "CounterType=6\n"
               "bSyn_Adust=1\n"
               "[P_Count_Setting_QueueLength]\n"
               "strLine_Count_Title2_00=kept\n");
    store.Load();
    EXPECT_EQ(Get(1).synAdjust, 1);
    ASSERT_TRUE(store.Save());
    const std::string text = ReadBytes(file);
    EXPECT_EQ(text.rfind("; written by hand\n[LANGUAGE]\nTYPE=Other.ini\n[P_Count_Setting]\n"
                         "CounterType=6\nbSyn_Adust=1\nstWeek_Start_Time_00=0000\n",
                         0),
              0u)
        << text.substr(0, 200);
    EXPECT_EQ(Value("P_Count_Setting_QueueLength", "strLine_Count_Title2_00"), "kept");
    EXPECT_EQ(zl::LoadLastCounterType(file), 6);
}

// The key order of one counter type section, byte for byte, as a new file receives it.
TEST_F(ChartSettingsStoreTest, SavedSectionHasTheKeysInOrder) {
    ASSERT_TRUE(store.Save());
    const std::string record =
        "strTitleText_00=\n"
        "strLine_In_Title_00=Inward\n"
        "strLine_Count_Title_00=Count\n"
        "nLine_In_Width_00=3\n"
        "nLine_In_Color_00=255\n"
        "strLine_Out_Title_00=Outward\n"
        "nLine_Out_Width_00=3\n"
        "nLine_Out_Color_00=16744448\n"
        "strLine_In_Title2_00=Inward 2\n"
        "nLine_In_Width2_00=3\n"
        "nLine_In_Color2_00=65280\n"
        "strLine_Out_Title2_00=Outward 2\n"
        "nLine_Out_Width2_00=3\n"
        "nLine_Out_Color2_00=16711935\n"
        "strLine_In_Title3_00=Inward 3\n"
        "nLine_In_Width3_00=3\n"
        "nLine_In_Color3_00=8405056\n"
        "strLine_Out_Title3_00=Outward 3\n"
        "nLine_Out_Width3_00=3\n"
        "nLine_Out_Color3_00=32896\n"
        "strLine_In_Title4_00=Inward 4\n"
        "nLine_In_Width4_00=3\n"
        "nLine_In_Color4_00=33023\n"
        "strLine_Out_Title4_00=Outward 4\n"
        "nLine_Out_Width4_00=3\n"
        "nLine_Out_Color4_00=0\n"
        "bGrid_Line_00=1\n"
        "bGridNote_00=0\n";
    std::string bar = record;
    for (std::size_t at = 0; (at = bar.find("_00=", at)) != std::string::npos; at += 4)
        bar.replace(at, 4, "_01=");
    const std::string text = ReadBytes(file);
    const std::string section = Crlf("[P_Count_Setting_2DPeopleCounter]\n" + record + bar +
                                     "[P_Count_Setting_3DPeopleCounter]\n");
    EXPECT_EQ(text.rfind(section, 0), 0u) << text.substr(0, 2000);

    std::string shared = "[P_Count_Setting]\nbSyn_Adust=0\n";
    for (int d = 0; d < 7; ++d) {
        shared += "stWeek_Start_Time_0" + std::to_string(d) + "=0000\n";
        shared += "stWeek_End_Time_0" + std::to_string(d) + "=2359\n";
    }
    shared = Crlf(shared);
    ASSERT_GE(text.size(), shared.size());
    EXPECT_EQ(text.substr(text.size() - shared.size()), shared);
}

TEST_F(ChartSettingsStoreTest, FailedSaveLeavesTheOldFile) {
    const std::string old = "[P_Count_Setting]\nbSyn_Adust=1\n";
    WriteBytes(file, old);
    store.Load();
    // A folder the program may not write into fails at the temporary file; root ignores
    // folder permissions, so the failure is injected where the write would fail.
    zl::ProfileFile::SetSaveFaultHook(
        [](zl::ProfileFile::SaveStep s) { return s == zl::ProfileFile::SaveStep::CreateTemp; });
    const bool saved = store.Save();
    zl::ProfileFile::SetSaveFaultHook({});
    EXPECT_FALSE(saved);
    EXPECT_EQ(ReadBytes(file), old);
}

TEST_F(ChartSettingsStoreTest, SaveIntoAReadOnlyFolderFailsAndKeepsTheOldFile) {
    const std::string old = "[P_Count_Setting]\nbSyn_Adust=1\n";
    WriteBytes(file, old);
    SetMode(file, 0644);
    SetMode(dir.Path(), 0555);
    const int result = RunWithPermissions([&] {
        CChartSettingsStore other;
        other.SetFile(file);
        other.Load();
        ChartSettings s;
        other.GetSettings(s, 1);
        if (s.synAdjust != 1) return 1;
        return other.Save() ? 2 : 0;
    });
    SetMode(dir.Path(), 0700);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadBytes(file), old);
}

TEST_F(ChartSettingsStoreTest, SaveIntoAMissingFolderFails) {
    store.SetFile(dir.File("no such folder/Setting .ini"));
    EXPECT_FALSE(store.Save());
}

TEST_F(ChartSettingsStoreTest, LastCounterType) {
    EXPECT_EQ(zl::LoadLastCounterType(file), 1);  // no file
    ASSERT_TRUE(zl::SaveLastCounterType(file, 7));
    EXPECT_EQ(Value("P_Count_Setting", "CounterType"), "7");
    EXPECT_EQ(zl::LoadLastCounterType(file), 7);
    WriteBytes(file, "[P_Count_Setting]\nCounterType=4abc\n");
    EXPECT_EQ(zl::LoadLastCounterType(file), 4);
    // The settings store writes its keys without disturbing it.
    store.Load();
    ASSERT_TRUE(store.Save());
    EXPECT_EQ(zl::LoadLastCounterType(file), 4);
}

}  // namespace

}  // namespace zl
