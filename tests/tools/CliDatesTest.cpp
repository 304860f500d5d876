// Relative report dates and output-name placeholders of reporter-cli, on fixed clocks: month
// ends, the year's end, leap days and the weekday arithmetic of "last-<day>".
#include <gtest/gtest.h>

#include "CliDates.h"
#include "CliOptions.h"

namespace zl {

namespace {

std::string Text(const SYSTEMTIME& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", t.wYear, t.wMonth, t.wDay);
    return text;
}

// The date `text` names on `today` ("YYYY-MM-DD"), or "invalid".
std::string Resolve(const std::string& text, int y, int m, int d) {
    SYSTEMTIME out;
    return ResolveCliDate(text, MakeSysTime(y, m, d, 6, 30), &out) ? Text(out) : "invalid";
}

TEST(CliDates, RelativeDaysCrossMonthYearAndLeapDay) {
    EXPECT_EQ(Resolve("today", 2024, 2, 29), "2024-02-29");
    EXPECT_EQ(Resolve("yesterday", 2024, 3, 1), "2024-02-29");  // leap year
    EXPECT_EQ(Resolve("yesterday", 2023, 3, 1), "2023-02-28");
    EXPECT_EQ(Resolve("yesterday", 2100, 3, 1), "2100-02-28");  // no leap day in 2100
    EXPECT_EQ(Resolve("yesterday", 2000, 3, 1), "2000-02-29");  // but in 2000
    EXPECT_EQ(Resolve("yesterday", 2025, 1, 1), "2024-12-31");
    EXPECT_EQ(Resolve("yesterday", 2024, 5, 1), "2024-04-30");
    EXPECT_EQ(Resolve("-7d", 2024, 3, 3), "2024-02-25");
    EXPECT_EQ(Resolve("-0d", 2024, 3, 3), "2024-03-03");
    EXPECT_EQ(Resolve("-366d", 2025, 3, 1), "2024-02-29");
    EXPECT_EQ(Resolve("-10d", 2026, 1, 5), "2025-12-26");
    EXPECT_EQ(Resolve("2023-12-31", 2024, 6, 1), "2023-12-31");
}

TEST(CliDates, LastWeekdayIsOneToSevenDaysBack) {
    // 2024-01-01 was a Monday.
    EXPECT_EQ(Resolve("last-monday", 2024, 1, 1), "2023-12-25");  // a week back, not today
    EXPECT_EQ(Resolve("last-sunday", 2024, 1, 1), "2023-12-31");
    EXPECT_EQ(Resolve("last-tuesday", 2024, 1, 1), "2023-12-26");
    EXPECT_EQ(Resolve("last-monday", 2024, 3, 3), "2024-02-26");    // a Sunday
    EXPECT_EQ(Resolve("last-thursday", 2024, 3, 1), "2024-02-29");  // a Friday
    EXPECT_EQ(Resolve("last-saturday", 2024, 3, 1), "2024-02-24");
}

TEST(CliDates, MalformedDatesAreRefused) {
    for (const char* bad :
         {"", "Yesterday", "-d", "-7", "7d", "+7d", "--7d", "-7w", "-36501d", "-1x0d", "last-mon",
          "last-", "last-monday ", "2023-02-29", "2024-13-01", "1600-12-31", "2024-3-01"})
        EXPECT_EQ(Resolve(bad, 2024, 3, 1), "invalid") << "\"" << bad << "\"";
    // Days before the first the program can hold.
    EXPECT_EQ(Resolve("-1d", 1601, 1, 1), "invalid");
}

OutputNameFields Fields() {
    OutputNameFields f;
    f.date = MakeSysTime(2024, 2, 29);
    f.range = "week";
    f.counterType = 6;
    f.now = MakeSysTime(2024, 3, 1, 5, 7, 9);
    return f;
}

std::string Expand(const std::string& pattern) {
    std::string out, error;
    return ExpandOutputName(pattern, Fields(), &out, &error) ? out : "error: " + error;
}

TEST(CliDates, PlaceholdersInOutputNames) {
    EXPECT_EQ(Expand("traffic-{date}-{range}.xlsx"), "traffic-2024-02-29-week.xlsx");
    EXPECT_EQ(Expand("/srv/r/{type}/{now}.pdf"), "/srv/r/6/20240301-050709.pdf");
    EXPECT_EQ(Expand("plain.csv"), "plain.csv");
    EXPECT_EQ(Expand("{{date}}-{date}}}"), "{date}-2024-02-29}");
    EXPECT_EQ(Expand("{site}.xlsx"), "error: {site} in a file name needs --each-site");
    EXPECT_EQ(Expand("{place}.xlsx").rfind("error: unknown placeholder {place}", 0), 0u);
    OutputNameFields f = Fields();
    f.site = FileNamePart("../North/Gate");
    std::string out, error;
    ASSERT_TRUE(ExpandOutputName("r/{site}-{date}.pdf", f, &out, &error)) << error;
    EXPECT_EQ(out, "r/_._North_Gate-2024-02-29.pdf");  // never a folder of its own
    EXPECT_EQ(FileNamePart(""), "site");
    EXPECT_EQ(FileNamePart("S\xC3\xBC"
                           "d\ttor"),
              "S\xC3\xBC"
              "d_tor");
    EXPECT_EQ(Expand("a{date.xlsx").rfind("error: an unclosed", 0), 0u);
    EXPECT_EQ(Expand("a}b").rfind("error: a lone", 0), 0u);
}

TEST(CliDates, OptionsResolveDatesAndNamesOnTheRunsClock) {
    CliOptions o;
    std::string error;
    const SYSTEMTIME now = MakeSysTime(2025, 1, 1, 0, 15, 0);
    ASSERT_TRUE(ParseCliOptionsAt(
        {"report", "--type", "6", "--date", "yesterday", "--local", "x", "--format", "xlsx",
         "--output", "traffic-{date}-{range}.xlsx", "--pdf", "t{type}-{date}.pdf"},
        now, &o, &error))
        << error;
    EXPECT_EQ(Text(o.date), "2024-12-31");
    EXPECT_EQ(o.output, "traffic-2024-12-31-day.xlsx");
    EXPECT_EQ(o.pdfFile, "t6-2024-12-31.pdf");
    // Without --date the report is of the run's day.
    ASSERT_TRUE(ParseCliOptionsAt({"report", "--type", "1", "--all-sites"}, now, &o, &error));
    EXPECT_EQ(Text(o.date), "2025-01-01");
    EXPECT_TRUE(o.allSites);

    EXPECT_FALSE(ParseCliOptionsAt({"report", "--type", "1", "--local", "x", "--format", "xlsx"},
                                   now, &o, &error));
    EXPECT_NE(error.find("--output"), std::string::npos) << error;
    EXPECT_FALSE(ParseCliOptionsAt(
        {"report", "--type", "1", "--local", "x", "--output", "{when}.csv"}, now, &o, &error));
    EXPECT_NE(error.find("{when}"), std::string::npos) << error;
    EXPECT_FALSE(ParseCliOptionsAt({"report", "--type", "1", "--local", "x", "--paper", "a3"}, now,
                                   &o, &error));
    // A report per site keeps {site} for each site, and needs it in every file name.
    ASSERT_TRUE(ParseCliOptionsAt({"report", "--type", "1", "--all-sites", "--each-site",
                                   "--format", "xlsx", "--output", "{site}-{date}.xlsx"},
                                  now, &o, &error))
        << error;
    EXPECT_EQ(o.output, "{site}-{date}.xlsx");
    ASSERT_TRUE(ExpandCliOutputNames(&o, "Shop", &error)) << error;
    EXPECT_EQ(o.output, "Shop-2025-01-01.xlsx");
    EXPECT_FALSE(ParseCliOptionsAt(
        {"report", "--type", "1", "--all-sites", "--each-site", "--pdf", "{date}.pdf"}, now, &o,
        &error));
    EXPECT_NE(error.find("needs {site}"), std::string::npos) << error;
}

}  // namespace

}  // namespace zl
