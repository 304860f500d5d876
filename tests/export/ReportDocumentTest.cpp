// The report document as the picture helper receives it: JSON there and back unchanged, and
// a file that is not such a document refused with a reason instead of read in part.
#include <gtest/gtest.h>

#include "export/ReportDocument.h"

namespace zl {

namespace {

ReportDocument Sample() {
    ReportDocument d;
    d.title = "Traffic counter - week 2024-12-31";
    d.query = {{"Sites", "North \"gate\", Süd"}, {"Filters", ""}};
    d.captions = {"Cars\n(in)", "Trucks"};
    CountRecord r;
    r.fromYear = 2024;
    r.fromMonth = 12;
    r.fromDay = 31;
    r.toYear = 2025;
    r.toMonth = 1;
    r.toDay = 1;
    r.toHour = 23;
    r.toMinute = 59;
    r.toSecond = 59;
    r.values[0] = 4294967295u;
    r.values[1] = 7;
    d.rows = {r, r};
    d.barChart = true;
    return d;
}

TEST(ReportDocument, JsonRoundTripKeepsEverything) {
    const ReportDocument d = Sample();
    ReportDocument back;
    std::string error;
    ASSERT_TRUE(ReportDocumentFromJson(ReportDocumentToJson(d), &back, &error)) << error;
    EXPECT_EQ(back.title, d.title);
    ASSERT_EQ(back.query.size(), 2u);
    EXPECT_EQ(back.query[0].value, d.query[0].value);
    EXPECT_EQ(back.captions, d.captions);
    ASSERT_EQ(back.rows.size(), 2u);
    EXPECT_EQ(RowStartText(back.rows[1]), "2024-12-31 00:00:00");
    EXPECT_EQ(RowEndText(back.rows[1]), "2025-01-01 23:59:59");
    EXPECT_EQ(back.rows[0].values[0], 4294967295u);
    EXPECT_TRUE(back.barChart);
    EXPECT_EQ(ColumnTotals(back), (std::vector<unsigned long long>{8589934590ull, 14}));
}

TEST(ReportDocument, MalformedDocumentsAreRefused) {
    const std::string good = ReportDocumentToJson(Sample());
    const auto refused = [](const std::string& text) {
        ReportDocument d;
        std::string error;
        const bool read = ReportDocumentFromJson(text, &d, &error);
        return !read && error.rfind("not a report document", 0) == 0;
    };
    EXPECT_TRUE(refused(""));
    EXPECT_TRUE(refused("[1,2]"));
    EXPECT_TRUE(refused(good.substr(0, good.size() / 2)));
    // A row narrower than the captions, a time out of range, a missing member.
    std::string narrow = good;
    narrow.replace(narrow.find("[4294967295,7]"), 14, "[4294967295]");
    EXPECT_TRUE(refused(narrow));
    std::string badTime = good;
    badTime.replace(badTime.find("[2024,12,31,0,0,0]"), 18, "[2024,300,31,0,0,0]");
    EXPECT_TRUE(refused(badTime));
    std::string noTitle = good;
    noTitle.replace(noTitle.find("\"title\""), 7, "\"name\"");
    EXPECT_TRUE(refused(noTitle));
}

}  // namespace

}  // namespace zl
