// The settings dialog's rules without widgets: the working-hour check and its message, the
// numbers of the time fields, the width lists, and what the dialog loads and gives back.
#include <gtest/gtest.h>

#include "store/StringIds.h"
#include "ui/options/OptionRules.h"

namespace zl {

namespace {

std::array<WorkingHourRow, 7> AllDay() {
    std::array<WorkingHourRow, 7> rows;
    rows.fill({0, 0, 23, 59});
    return rows;
}

TEST(WorkingHourCheck, FirstBadRowAndItsReason) {
    struct Case {
        const char* name;
        int row;
        WorkingHourRow value;
        int wantRow;
        unsigned wantReason;
    };
    const Case cases[] = {
        {"start equals end", 2, {8, 0, 8, 0}, -1, 0},
        {"whole day", 0, {0, 0, 23, 59}, -1, 0},
        {"start later than end", 4, {18, 0, 8, 0}, 4, kStrStartAfterEnd},
        {"one minute later", 6, {8, 1, 8, 0}, 6, kStrStartAfterEnd},
        {"start hour 24", 1, {24, 0, 23, 0}, 1, kStrStartTimeInvalid},
        {"start minute 60", 1, {8, 60, 23, 0}, 1, kStrStartTimeInvalid},
        {"start unreadable", 3, {-1, 0, 23, 0}, 3, kStrStartTimeInvalid},
        {"end hour 24", 5, {8, 0, 24, 0}, 5, kStrEndTimeInvalid},
        {"end minute unreadable", 0, {8, 0, 9, -1}, 0, kStrEndTimeInvalid},
        {"start checked before end", 2, {99, 0, 99, 0}, 2, kStrStartTimeInvalid},
    };
    for (const Case& c : cases) {
        std::array<WorkingHourRow, 7> rows = AllDay();
        rows[c.row] = c.value;
        const WorkingHourProblem p = CheckWorkingHours(rows);
        EXPECT_EQ(p.row, c.wantRow) << c.name;
        EXPECT_EQ(p.reason, c.wantReason) << c.name;
        EXPECT_EQ(p.Ok(), c.wantRow < 0) << c.name;
    }
    // The first failing row wins, from the top.
    std::array<WorkingHourRow, 7> rows = AllDay();
    rows[5] = {18, 0, 8, 0};
    rows[2] = {8, 0, 30, 0};
    EXPECT_EQ(CheckWorkingHours(rows).row, 2);
}

TEST(WorkingHourCheck, MessageIsTheRowsDayNameAndTheReason) {
    const auto text = [](unsigned id) { return "<" + std::to_string(id) + ">"; };
    EXPECT_EQ(WorkingHourMessage({4, kStrStartAfterEnd}, text), "<88>\n<117>");
    EXPECT_EQ(WorkingHourMessage({0, kStrEndTimeInvalid}, text), "<84>\n<119>");
    EXPECT_EQ(WorkingHourMessage({6, kStrStartTimeInvalid}, text), "<90>\n<118>");
    EXPECT_EQ(WorkingHourMessage({}, text), "");
}

TEST(WorkingHourCheck, FieldNumbers) {
    const std::pair<const char*, int> cases[] = {
        {"0", 0},   {"08", 8},  {" 23 ", 23}, {"59", 59}, {"", -1},        {" ", -1},
        {"-1", -1}, {"+5", -1}, {"1a", -1},   {"7:", -1}, {"1234567", -1}, {"123456", 123456},
    };
    for (const auto& [text, want] : cases) EXPECT_EQ(FieldNumber(text), want) << text;
}

TEST(WidthList, StoredWidthIsTheIndexAndUnlistedWidthsAreKept) {
    EXPECT_EQ(WidthListIndex(0), 0);  // shows "1"
    EXPECT_EQ(WidthListIndex(3), 3);  // shows "4"
    EXPECT_EQ(WidthListIndex(9), 9);
    EXPECT_EQ(WidthListIndex(10), -1);
    EXPECT_EQ(WidthListIndex(-2), -1);
    EXPECT_EQ(WidthFromList(5, 0), 5);
    EXPECT_EQ(WidthFromList(-1, 12), 12);
}

TEST(OptionValues, ThePageShowsTheBarRecordAndOkWritesItToBoth) {
    ChartSettings s;
    s.line.title = "line";
    s.bar.title = "bar";
    s.bar.inWidth[2] = 7;
    s.synAdjust = 1;
    s.weekStart[3].wHour = 9;
    s.weekEnd[6].wMinute = 30;
    OptionValues v = LoadOptionValues(s);
    EXPECT_EQ(v.page.title, "bar");
    EXPECT_EQ(v.page.inWidth[2], 7);
    EXPECT_EQ(v.synAdjust, 1);
    EXPECT_EQ(v.weekStart[3].wHour, 9);
    EXPECT_EQ(v.weekEnd[6].wMinute, 30);

    v.page.title = "new";
    v.synAdjust = 0;
    v.weekStart[0].wHour = 7;
    StoreOptionValues(v, s);
    EXPECT_EQ(s.line.title, "new");
    EXPECT_EQ(s.bar.title, "new");
    EXPECT_EQ(s.line.inWidth[2], 7);
    EXPECT_EQ(s.synAdjust, 0);
    EXPECT_EQ(s.weekStart[0].wHour, 7);
}

}  // namespace

}  // namespace zl
