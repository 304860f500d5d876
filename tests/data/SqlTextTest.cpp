// The SQL texts of every builder family, byte for byte.
#include <gtest/gtest.h>

#include "DataTestKit.h"
#include "data/SqlText.h"
#include "store/SiteRecord.h"

namespace zl {

namespace {

const SYSTEMTIME kFrom = Day(2024, 3, 5, 10, 0, 0);
const SYSTEMTIME kTo = Day(2024, 3, 5, 10, 59, 59);
const char* const kBetweenTime =
    " AND Time BETWEEN '2024-03-05 10:00:00' AND '2024-03-05 10:59:59';";
const char* const kSelect3D = "SELECT COUNT(InOut) from _3DRecords where ";

TEST(SqlText, TimeLiteralIsZeroPadded) {
    EXPECT_EQ(SqlTimeText(Day(2024, 1, 2, 3, 4, 5)), "2024-01-02 03:04:05");
    EXPECT_EQ(SqlTimeText(Day(987, 12, 31, 23, 59, 59)), "0987-12-31 23:59:59");
}

TEST(SqlText, CameraFilterJoinsWithOr) {
    EXPECT_EQ(CameraFilter({}), "");
    EXPECT_EQ(CameraFilter({7}), "Camera= 7");
    EXPECT_EQ(CameraFilter({2, 5}), "Camera= 2 OR Camera= 5");
    EXPECT_EQ(CameraFilter({1, 3, 4}), "Camera= 1 OR Camera= 3 OR Camera= 4");
}

TEST(SqlText, CheckedCamerasSplitBy3DFlag) {
    SiteRecord site;
    site.cameras[0].checked = 1;
    site.cameras[2].checked = 1;
    site.cameras[2].is3D = 1;
    site.cameras[4].checked = 1;
    site.cameras[63].checked = 1;
    site.cameras[63].is3D = 1;
    site.cameras[5].is3D = 1;  // not checked
    EXPECT_EQ(CheckedCameras(site, false), (std::vector<int>{1, 5}));
    EXPECT_EQ(CheckedCameras(site, true), (std::vector<int>{3, 64}));
}

TEST(SqlText, TwoDText) {
    EXPECT_EQ(Sql2D("Camera= 1 OR Camera= 3", Day(2024, 3, 5, 0, 0, 0), Day(2024, 3, 5, 0, 59, 59)),
              "SELECT SUM(Inward), SUM(Outward) from Records where (Camera= 1 OR Camera= 3) AND "
              "EnterTime BETWEEN '2024-03-05 00:00:00' AND '2024-03-05 00:59:59';");
}

TEST(SqlText, GenericText) {
    EXPECT_EQ(SqlGeneric("SUM(AverageCount)/COUNT(AverageCount)", "Camera= 2", "StartTime",
                         Day(2024, 3, 5, 10, 15, 0), Day(2024, 3, 5, 10, 29, 59)),
              "SELECT SUM(AverageCount)/COUNT(AverageCount) from records where (Camera= 2) AND "
              "StartTime BETWEEN '2024-03-05 10:15:00' AND '2024-03-05 10:29:59';");
}

struct Group3DCase {
    int mode;
    bool dayForm;
    std::vector<std::string> conditions;  // the text between "where " and " AND Time"
};

class Sql3DTexts : public ::testing::TestWithParam<Group3DCase> {};

TEST_P(Sql3DTexts, EveryModeAndForm) {
    const Group3DCase& c = GetParam();
    const auto texts =
        Sql3DGroup("Camera= 1 OR Camera= 2", c.mode, 1200, 1600, c.dayForm, kFrom, kTo);
    ASSERT_EQ(texts.size(), c.conditions.size());
    for (size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(texts[i], kSelect3D + c.conditions[i] + kBetweenTime) << "value " << i;
}

const std::string F = "(Camera= 1 OR Camera= 2)";

INSTANTIATE_TEST_SUITE_P(
    AllModes, Sql3DTexts,
    ::testing::Values(
        Group3DCase{0, true, {"InOut = 1 AND " + F, "InOut = 2 AND " + F}},
        Group3DCase{0, false, {"InOut = 1 AND " + F, "InOut = 2 AND " + F}},
        Group3DCase{1,
                    true,
                    {"InOut = 1 AND " + F + " AND Height < 1200 AND " + F,
                     "InOut = 2 AND " + F + " AND Height < 1200 AND " + F,
                     "InOut = 1 AND " + F + " AND Height >=1200 AND Height <=1600 AND " + F,
                     "InOut = 2 AND " + F + " AND Height >=1200 AND Height <=1600 AND " + F,
                     "InOut = 1 AND " + F + " AND Height > 1600 AND " + F,
                     "InOut = 2 AND " + F + " AND Height > 1600 AND " + F}},
        Group3DCase{
            1,
            false,
            {"InOut = 1 AND Height < 1200 AND " + F, "InOut = 2 AND Height < 1200 AND " + F,
             "InOut = 1 AND Height >=1200 AND Height <=1600 AND" + F,
             "InOut = 2 AND Height >=1200 AND Height <=1600 AND " + F,
             "InOut = 1 AND Height > 1600 AND " + F, "InOut = 2 AND Height > 1600 AND " + F}},
        Group3DCase{2,
                    true,
                    {"InOut = 1 AND " + F + " AND Height > 1200 AND " + F,
                     "InOut = 2 AND " + F + " AND Height > 1200 AND " + F}},
        Group3DCase{
            2,
            false,
            {"InOut = 1 AND Height > 1200 AND " + F, "InOut = 2 AND Height > 1200 AND " + F}},
        Group3DCase{3,
                    true,
                    {"InOut = 1 AND " + F + " AND Height < 1200 AND " + F,
                     "InOut = 2 AND " + F + " AND Height < 1200 AND " + F}},
        Group3DCase{
            3,
            false,
            {"InOut = 1 AND Height < 1200 AND " + F, "InOut = 2 AND Height < 1200 AND " + F}},
        Group3DCase{4, true, {}}, Group3DCase{-1, false, {}}));

TEST(SqlText, ValueCountsOf3DModes) {
    EXPECT_EQ(ValueCountOf3DMode(0), 2);
    EXPECT_EQ(ValueCountOf3DMode(1), 6);
    EXPECT_EQ(ValueCountOf3DMode(2), 2);
    EXPECT_EQ(ValueCountOf3DMode(3), 2);
    EXPECT_EQ(ValueCountOf3DMode(4), 0);
}

struct SelectCase {
    int type;
    int measure;
    std::vector<int> regions;
    const char* select;
    const char* timeColumn;
};

class SelectExpressions : public ::testing::TestWithParam<SelectCase> {};

TEST_P(SelectExpressions, ByTypeAndMeasure) {
    const SelectCase& c = GetParam();
    EXPECT_EQ(SelectExpression(c.type, c.regions, c.measure), c.select);
    EXPECT_STREQ(TimeColumnOf(c.type), c.timeColumn);
}

INSTANTIATE_TEST_SUITE_P(
    AllTypes, SelectExpressions,
    ::testing::Values(
        SelectCase{3, 0, {1, 3}, "SUM(Count1)+SUM(Count3)", "StartTime"},
        SelectCase{3, 0, {3, 1, 3, 11, 0}, "SUM(Count1)+SUM(Count3)", "StartTime"},
        SelectCase{3, 0, {10}, "SUM(Count10)", "StartTime"}, SelectCase{3, 0, {}, "", "StartTime"},
        SelectCase{4, 0, {}, "SUM(AverageCount)/COUNT(AverageCount)", "StartTime"},
        SelectCase{
            5, 0, {}, "SUM(Line1_In),SUM(Line1_Out),SUM(Line2_In),SUM(Line2_Out)", "CountingTime"},
        SelectCase{6,
                   0,
                   {},
                   "SUM(LargeIn),SUM(LargeOut),SUM(MediumIn),SUM(MediumOut),SUM(SmallIn),"
                   "SUM(SmallOut),SUM(PedestrianIn),SUM(PedestrianOut)",
                   "EnterTime"},
        SelectCase{7, 0, {1}, "COUNT(WaitingTime)", "StartTime"},
        SelectCase{7, 1, {1}, "SUM(AverageCount)/COUNT(AverageCount)", "StartTime"},
        SelectCase{7,
                   2,
                   {1},
                   "SUM(strftime('%H',ServedTime)*3600+strftime('%M',ServedTime)*60+"
                   "strftime('%S',ServedTime))/COUNT(ServedTime)",
                   "StartTime"},
        SelectCase{7,
                   3,
                   {1},
                   "SUM(strftime('%H',WaitingTime)*3600+strftime('%M',WaitingTime)*60+"
                   "strftime('%S',WaitingTime))/COUNT(WaitingTime)",
                   "StartTime"},
        SelectCase{7, 4, {1}, "", "StartTime"}, SelectCase{1, 0, {}, "", "StartTime"},
        SelectCase{8, 0, {}, "", "StartTime"}));

TEST(SqlText, QueueRegionsBindToEveryCamera) {
    // Regions are one group ANDed with the whole camera list.
    EXPECT_EQ(GenericFilter("Camera= 1 OR Camera= 2", 7, 0, {1, 3}),
              "(Camera= 1 OR Camera= 2) AND (Queue=1 OR Queue=3)");
    EXPECT_EQ(GenericFilter("Camera= 1", 7, 1, {2}), "(Camera= 1) AND (Queue=2)");
    EXPECT_EQ(GenericFilter("Camera= 1", 7, 3, {2}), "(Camera= 1) AND (Queue=2)");
    EXPECT_EQ(GenericFilter("Camera= 4", 7, 2, {3, 1}), "(Camera= 4) AND (Counter=1 OR Counter=3)");
    // No region: every region of the cameras.
    EXPECT_EQ(GenericFilter("Camera= 1 OR Camera= 2", 7, 0, {}), "Camera= 1 OR Camera= 2 ");
    // Other types ignore regions here (access counters select them in the expression).
    EXPECT_EQ(GenericFilter("Camera= 1", 3, 0, {1, 2}), "Camera= 1");
    EXPECT_EQ(
        SqlGeneric("COUNT(WaitingTime)", GenericFilter("Camera= 1 OR Camera= 2", 7, 0, {1, 3}),
                   "StartTime", Day(2024, 3, 5), Day(2024, 3, 5, 23, 59, 59)),
        "SELECT COUNT(WaitingTime) from records where ((Camera= 1 OR Camera= 2) AND "
        "(Queue=1 OR Queue=3)) AND StartTime BETWEEN '2024-03-05 00:00:00' AND "
        "'2024-03-05 23:59:59';");
}

TEST(SqlText, RegionsFromWindowFlags) {
    const int flags[10] = {1, 0, 1, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(RegionsFromFlags(flags, 10), (std::vector<int>{1, 3, 10}));
    const int none[10] = {};
    EXPECT_TRUE(RegionsFromFlags(none, 10).empty());
}

}  // namespace

}  // namespace zl
