// The report window's control logic, row by row: the counter type change, the range change,
// the Filter controls table with its height classes, and the Region and Period choices.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "store/StringIds.h"
#include "ui/reportwin/FilterState.h"

namespace zl {

namespace {

// The filter controls shown now.
std::set<int> Shown(const FilterState& s) {
    std::set<int> shown;
    for (int id : kFilterControlIds)
        if (s.Visible(id)) shown.insert(id);
    return shown;
}

const std::set<int> kHeightAll{kIdHeight,   kIdHeightLabel, kIdHeightLow,
                               kIdHeightTo, kIdHeightHigh,  kIdHeightUnit};

const std::vector<unsigned> kPlainDirections{kStrDirectionBoth, kStrDirectionIn, kStrDirectionOut};
const std::vector<unsigned> k3DDirections{kStrDirectionBoth, kStrDirectionIn3D, kStrDirectionOut3D};

TEST(FilterState, StartsAsAPeopleCounterWithoutHeightRegionOrPeriod) {
    const FilterState s;
    EXPECT_EQ(s.CounterType(), 1);
    EXPECT_EQ(s.UsePeopleWorker(), 1);
    EXPECT_EQ(s.Range(), 0);
    EXPECT_EQ(s.PeriodMinutes(), 60);
    EXPECT_EQ(Shown(s), (std::set<int>{kIdDirectionLabel, kIdDirection}));
    EXPECT_EQ(s.Direction().stringIds, kPlainDirections);
    EXPECT_EQ(s.Direction().selected, 0);
    EXPECT_EQ(s.RegionVisible(), (std::array<int, 10>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

struct CounterTypeRow {
    int index;
    int range;
    std::set<int> shown;
    RegionListKind regionList;
    bool people;
};

class CounterTypeChangeRows : public ::testing::TestWithParam<CounterTypeRow> {};

TEST_P(CounterTypeChangeRows, ShowTheControlsOfTheType) {
    const CounterTypeRow& row = GetParam();
    FilterState s;
    s.SelectRange(row.range);
    const CounterTypeChange change = s.SelectCounterType(row.index);
    EXPECT_EQ(s.CounterType(), row.index + 1);
    EXPECT_EQ(s.UsePeopleWorker(), row.people ? 1 : 0);
    EXPECT_EQ(Shown(s), row.shown);
    EXPECT_EQ(change.regionList, row.regionList);
    EXPECT_EQ(change.refreshPeopleSites, row.people);
    EXPECT_EQ(change.refreshOtherSites, !row.people);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CounterTypeChangeRows,
    ::testing::Values(
        CounterTypeRow{0, 0, {kIdDirectionLabel, kIdDirection}, RegionListKind::kNone, true},
        CounterTypeRow{1, 2, {kIdDirectionLabel, kIdDirection}, RegionListKind::kNone, true},
        CounterTypeRow{2,
                       0,
                       {kIdRegionLabel, kIdRegion, kIdPeriodLabel, kIdPeriod},
                       RegionListKind::kRegions,
                       false},
        CounterTypeRow{2, 1, {kIdRegionLabel, kIdRegion}, RegionListKind::kRegions, false},
        CounterTypeRow{3, 0, {kIdPeriodLabel, kIdPeriod}, RegionListKind::kNone, false},
        CounterTypeRow{4, 0, {kIdPeriodLabel, kIdPeriod}, RegionListKind::kNone, false},
        CounterTypeRow{5, 2, {}, RegionListKind::kNone, false},
        CounterTypeRow{
            6,
            0,
            {kIdRegionLabel, kIdRegion, kIdPeriodLabel, kIdPeriod, kIdQueueTypeLabel, kIdQueueType},
            RegionListKind::kQueues,
            false},
        CounterTypeRow{6,
                       1,
                       {kIdRegionLabel, kIdRegion, kIdQueueTypeLabel, kIdQueueType},
                       RegionListKind::kQueues,
                       false}));

TEST(FilterState, NoSelectionChangesNothing) {
    FilterState s;
    const CounterTypeChange change = s.SelectCounterType(-1);
    EXPECT_FALSE(change.refreshPeopleSites || change.refreshOtherSites);
    EXPECT_EQ(s.CounterType(), 1);
}

TEST(FilterState, APeopleCounterWith3DCamerasShowsTheHeightControlsOfItsClass) {
    // Three classes: every height control.
    FilterState s;
    s.SetHas3DCameras(1);
    s.ApplyFilterControls(1);
    s.SelectCounterType(4);  // away: everything of the height hidden
    for (int id : kHeightAll) EXPECT_FALSE(s.Visible(id)) << id;
    s.SelectCounterType(1);
    for (int id : kHeightAll) EXPECT_TRUE(s.Visible(id)) << id;

    // Class 0: the combo, its label, the lower edit and the unit; the rest stays hidden.
    FilterState t;
    t.SetHas3DCameras(1);
    t.SelectCounterType(5);
    t.SelectCounterType(0);
    EXPECT_EQ(Shown(t), (std::set<int>{kIdDirectionLabel, kIdDirection, kIdHeight, kIdHeightLabel,
                                       kIdHeightLow, kIdHeightUnit}));
}

TEST(FilterState, TheOtherTypesLeaveTheDirectionAloneWith3DCameras) {
    FilterState s;
    s.SelectCounterType(3);
    s.SetHas3DCameras(1);
    const FilterChange change = s.ApplyFilterControls(1);
    EXPECT_FALSE(change.directionRefilled);
    EXPECT_FALSE(change.heightLowText.has_value());
    for (int id : kHeightAll) EXPECT_FALSE(s.Visible(id)) << id;
}

struct FilterRow {
    int counterIndex;
    int has3D;
    std::vector<unsigned> directions;
    bool heightShown;
};

class FilterControlRows : public ::testing::TestWithParam<FilterRow> {};

TEST_P(FilterControlRows, FillTheDirectionAndShowTheHeight) {
    const FilterRow& row = GetParam();
    FilterState s;
    s.SelectCounterType(row.counterIndex);
    const FilterChange change = s.SetHas3DCameras(row.has3D);
    EXPECT_TRUE(change.directionRefilled);
    EXPECT_EQ(s.Direction().stringIds, row.directions);
    EXPECT_EQ(s.Direction().selected, 0);
    EXPECT_EQ(s.Visible(kIdHeight), row.heightShown);
    EXPECT_EQ(s.Visible(kIdHeightLabel), row.heightShown);
    // Class 0: no edit, no unit.
    for (int id : {kIdHeightLow, kIdHeightTo, kIdHeightHigh, kIdHeightUnit})
        EXPECT_FALSE(s.Visible(id)) << id;
}

INSTANTIATE_TEST_SUITE_P(Rows, FilterControlRows,
                         ::testing::Values(FilterRow{3, 0, kPlainDirections, false},
                                           FilterRow{0, 0, kPlainDirections, false},
                                           FilterRow{1, 0, kPlainDirections, false},
                                           FilterRow{1, 1, k3DDirections, true}));

struct HeightRow {
    int heightClass;
    std::set<int> shown;  // of the height controls
    std::optional<std::string> low;
    std::optional<std::string> high;
};

class HeightClassRows : public ::testing::TestWithParam<HeightRow> {};

TEST_P(HeightClassRows, ShowTheEditsOfTheClass) {
    const HeightRow& row = GetParam();
    FilterState s;
    s.SelectCounterType(1);
    s.SetHas3DCameras(1);
    const FilterChange change = s.ApplyFilterControls(row.heightClass);
    EXPECT_EQ(s.HeightClass(), row.heightClass);
    std::set<int> shown;
    for (int id : kHeightAll)
        if (s.Visible(id)) shown.insert(id);
    EXPECT_EQ(shown, row.shown);
    EXPECT_EQ(change.heightLowText, row.low);
    EXPECT_EQ(change.heightHighText, row.high);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HeightClassRows,
    ::testing::Values(
        HeightRow{0, {kIdHeight, kIdHeightLabel}, std::nullopt, std::nullopt},
        HeightRow{1, kHeightAll, "110", "150"},
        HeightRow{2, {kIdHeight, kIdHeightLabel, kIdHeightLow, kIdHeightUnit}, "150", std::nullopt},
        HeightRow{
            3, {kIdHeight, kIdHeightLabel, kIdHeightLow, kIdHeightUnit}, "110", std::nullopt}));

TEST(FilterState, TheRangeMovesThePeriodOfTheOtherTypesOnly) {
    FilterState people;
    EXPECT_FALSE(people.SelectRange(1));
    EXPECT_EQ(people.Range(), 1);
    EXPECT_FALSE(people.Visible(kIdPeriod));

    FilterState zone;
    zone.SelectCounterType(3);
    for (int range : {1, 2, 0, 2}) {
        EXPECT_TRUE(zone.SelectRange(range));
        EXPECT_EQ(zone.Visible(kIdPeriod), range == 0) << range;
        EXPECT_EQ(zone.Visible(kIdPeriodLabel), range == 0) << range;
    }
    EXPECT_FALSE(zone.SelectRange(3));
    EXPECT_EQ(zone.Range(), 2);
}

TEST(FilterState, RegionSelection) {
    const std::map<int, std::array<int, 10>> rows{
        {0, {1, 0, 0, 0, 0, 0, 0, 0, 0, 0}},  {3, {0, 0, 0, 1, 0, 0, 0, 0, 0, 0}},
        {9, {0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},  {10, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
        {14, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
    };
    for (const auto& [index, visible] : rows) {
        FilterState s;
        s.SelectRegion(index);
        EXPECT_EQ(s.RegionVisible(), visible) << index;
    }
    FilterState s;
    s.SelectRegion(4);
    s.SelectRegion(-1);  // no selection keeps the choice
    EXPECT_EQ(s.RegionVisible(), RegionVisibleFor(4));

    EXPECT_EQ(RegionIndexFor(RegionVisibleFor(10), 11), 10);
    EXPECT_EQ(RegionIndexFor(RegionVisibleFor(10), 10), 0);  // the queue list has no "all"
    EXPECT_EQ(RegionIndexFor(RegionVisibleFor(6), 10), 6);
    EXPECT_EQ(RegionIndexFor({}, 10), 0);
}

TEST(FilterState, PeriodIsTheLeadingNumberAndOtherwiseAnHour) {
    const std::map<std::string, int> rows{
        {"60 min", 60},
        {"30 min", 30},
        {"15 min", 15},
        {"10 min", 10},
        {"5 min", 5},
        {"  5 min", 5},
        {"0 min", 60},
        {"min", 60},
        {"", 60},
        {"-5 min", 60},
        {"99999999999999 min", 60},
    };
    for (const auto& [text, minutes] : rows) {
        FilterState s;
        s.SelectPeriod(text);
        EXPECT_EQ(s.PeriodMinutes(), minutes) << text;
    }
}

TEST(FilterState, ComboContents) {
    EXPECT_EQ(PeriodItems("min"),
              (std::vector<std::string>{"60 min", "30 min", "15 min", "10 min", "5 min"}));
    const auto regions = RegionItems("Region", "All Regions");
    ASSERT_EQ(regions.size(), 11u);
    EXPECT_EQ(regions.front(), "Region A");
    EXPECT_EQ(regions[9], "Region J");
    EXPECT_EQ(regions.back(), "All Regions");
    EXPECT_EQ(RegionItems("Queue", "").size(), 10u);
    EXPECT_EQ(QueueTypeStringIds(), (std::vector<unsigned>{150, 147, 148, 149}));
    EXPECT_EQ(HeightStringIds(), (std::vector<unsigned>{19, 20, 21, 22}));
    EXPECT_EQ(HeightUnitStringIds(), (std::vector<unsigned>{158, 159}));
    EXPECT_EQ(CounterTypeStringIds(), (std::vector<unsigned>{161, 162, 163, 164, 165, 166, 167}));
}

}  // namespace

}  // namespace zl
