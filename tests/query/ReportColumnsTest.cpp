// Value captions per counter type, the columns the Direction choice shows, and export rows
// that follow the shown columns.
#include <gtest/gtest.h>

#include "query/ReportColumns.h"
#include "store/ChartSettingsStore.h"

namespace zl {

namespace {

LineStyleRecord Titles() {
    LineStyleRecord t;
    t.inTitle = {"I0", "I1", "I2", "I3"};
    t.outTitle = {"O0", "O1", "O2", "O3"};
    return t;
}

struct CaptionCase {
    const char* name;
    int type, heightClass, queueType;
    std::vector<std::string> expect;
};

class Captions : public ::testing::TestWithParam<CaptionCase> {};

TEST_P(Captions, FollowTheCounterType) {
    const CaptionCase& c = GetParam();
    EXPECT_EQ(ReportValueCaptions(Titles(), c.type, c.heightClass, 110, 150, c.queueType),
              c.expect);
    EXPECT_EQ(ReportValueCount(c.type, c.heightClass), static_cast<int>(c.expect.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Types, Captions,
    ::testing::Values(
        CaptionCase{"People2D", 1, 0, 0, {"I0", "O0"}},
        CaptionCase{"People2DIgnoresHeight", 1, 2, 0, {"I0", "O0"}},
        CaptionCase{"ThreeDAll", 2, 0, 0, {"I0", "O0"}},
        CaptionCase{"ThreeDClasses",
                    2,
                    1,
                    0,
                    {"I0\n(h<110)", "O0\n(h<110)", "I1\n(110<=h<=150)", "O1\n(110<=h<=150)",
                     "I2\n(h>150)", "O2\n(h>150)"}},
        // "Above" shows the threshold its query uses, the lower one.
        CaptionCase{"ThreeDAbove", 2, 2, 0, {"I0\n(h>110)", "O0\n(h>110)"}},
        CaptionCase{"ThreeDBelow", 2, 3, 0, {"I0\n(h<110)", "O0\n(h<110)"}},
        CaptionCase{"Access", 3, 0, 0, {"I0"}}, CaptionCase{"Zone", 4, 0, 0, {"I0"}},
        CaptionCase{"Flow", 5, 0, 0, {"I0", "O0", "I1", "O1"}},
        CaptionCase{"Traffic", 6, 0, 0, {"I0", "O0", "I1", "O1", "I2", "O2", "I3", "O3"}},
        CaptionCase{"QueueWaiting", 7, 0, 0, {"O1"}}, CaptionCase{"QueueLength", 7, 0, 1, {"I0"}},
        CaptionCase{"QueueServed", 7, 0, 2, {"O0"}}, CaptionCase{"QueueWaitTime", 7, 0, 3, {"I1"}},
        CaptionCase{"QueueOther", 7, 0, 9, {"I0"}}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(LineVisible, DirectionShowsInOrOutOfPeopleCounters) {
    const std::array<int, 10> in2D = LineVisibleFor(1, 1);
    EXPECT_EQ(in2D[0], 1);
    EXPECT_EQ(in2D[1], 0);
    EXPECT_EQ(in2D[2], 1);  // beyond the two series of a 2D counter nothing changes
    const std::array<int, 10> out3D = LineVisibleFor(2, 2);
    EXPECT_EQ((std::vector<int>(out3D.begin(), out3D.begin() + 6)),
              (std::vector<int>{0, 1, 0, 1, 0, 1}));
    const std::array<int, 10> flow = LineVisibleFor(5, 1);
    for (int v : flow) EXPECT_EQ(v, 1);
}

TEST(ExportColumnsTest, TimeTitlesThenHeadersWithBlanksForLineFeeds) {
    const std::vector<std::string> captions = ReportValueCaptions(Titles(), 2, 1, 110, 150, 0);
    const std::array<int, 10> visible = LineVisibleFor(2, 1);
    EXPECT_EQ(ExportColumns("S", "E", VisibleCaptions(captions, visible)),
              (std::vector<std::string>{"S", "E", "I0 (h<110)", "I1 (110<=h<=150)", "I2 (h>150)"}));
    EXPECT_EQ(ExportColumns("S", "E", {}).size(), 2u);
}

TEST(ShownValueRowsTest, OutColumnsGetTheOutValues) {
    CountRecord r;
    for (uint32_t j = 0; j < 6; ++j) r.values[j] = 10 + j;
    const std::vector<CountRecord> rows = ShownValueRows({r}, 6, LineVisibleFor(2, 2));
    EXPECT_EQ(rows[0].values[0], 11u);
    EXPECT_EQ(rows[0].values[1], 13u);
    EXPECT_EQ(rows[0].values[2], 15u);
    EXPECT_EQ(rows[0].values[3], 0u);
    EXPECT_EQ(rows[0].valueCount, 3u);
}

}  // namespace

}  // namespace zl
