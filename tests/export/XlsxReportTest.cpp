// The report workbook read back by an independent reader (Python's openpyxl): typed
// date-times and numbers, the two-line header, the totals as formulas with their results, the
// frozen header, the chart and the query sheet; and a workbook that cannot be written leaves
// nothing behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "ExportTestKit.h"
#include "export/XlsxReport.h"

namespace zl {

namespace {

using nlohmann::json;

CountRecord Row(int day, int hour, uint32_t in, uint32_t out) {
    CountRecord r;
    r.fromYear = r.toYear = 2024;
    r.fromMonth = r.toMonth = 2;
    r.fromDay = r.toDay = static_cast<uint8_t>(day);
    r.fromHour = r.toHour = static_cast<uint8_t>(hour);
    r.toMinute = r.toSecond = 59;
    r.values[0] = in;
    r.values[1] = out;
    r.valueCount = 2;
    return r;
}

ReportDocument Document() {
    ReportDocument d;
    d.title = "2D people counter - day 2024-02-29";
    d.query = {{"Sites", "Shop, Café"}, {"Range", "day"}, {"Program", "reporter-cli 1.0"}};
    d.captions = {"Inward\n(h<110)", "Outward"};
    d.rows = {Row(29, 0, 5, 7), Row(29, 1, 4000000000u, 0), Row(29, 23, 12, 3)};
    d.barChart = true;
    return d;
}

// The reader's view of the workbook, or null when the reader is not installed.
json ReadBack(const std::string& path) {
    const std::string command =
        std::string(ZL_TEST_PYTHON) + " " + ZL_TEST_READ_XLSX + " '" + path + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return nullptr;
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
    if (pclose(pipe) != 0) return nullptr;
    return json::parse(text, nullptr, false);
}

bool ReaderInstalled() {
    return std::system(
               (std::string(ZL_TEST_PYTHON) + " -c 'import openpyxl' 2>/dev/null").c_str()) == 0;
}

TEST(XlsxReport, ReadBackByAnIndependentReader) {
    if (!ReaderInstalled()) GTEST_SKIP() << "python3-openpyxl is not installed";
    TempFolder dir;
    const std::string path = dir.File("report.xlsx");
    std::string error;
    ASSERT_TRUE(WriteXlsxReport(path, Document(), &error)) << error;
    const json book = ReadBack(path);
    ASSERT_TRUE(book.is_object()) << "the reader failed";
    EXPECT_EQ(book["sheets"], json::array({"Report", "Query"}));

    const json& sheet = book["Report"];
    const json& rows = sheet["rows"];
    ASSERT_EQ(rows.size(), 5u);  // header, three rows, totals
    EXPECT_EQ(rows[0][0]["value"], "Start time");
    EXPECT_EQ(rows[0][2]["value"], "Inward\n(h<110)");
    EXPECT_EQ(sheet["wrap"][2], true);
    EXPECT_EQ(sheet["freeze"], "A2");

    EXPECT_EQ(rows[1][0]["type"], "datetime");
    EXPECT_EQ(rows[1][0]["is_date"], true);
    EXPECT_EQ(rows[1][0]["value"], "2024-02-29 00:00:00");
    EXPECT_EQ(rows[3][1]["value"], "2024-02-29 23:59:59");
    EXPECT_EQ(rows[2][2]["type"], "int");
    EXPECT_EQ(rows[2][2]["value"], 4000000000LL);  // beyond a signed 32-bit count

    const json& totals = rows[4];
    EXPECT_EQ(totals[0]["value"], "Total");
    EXPECT_EQ(totals[2]["formula"], "=SUM(C2:C4)");
    EXPECT_EQ(totals[2]["value"], 4000000017LL);
    EXPECT_EQ(totals[3]["formula"], "=SUM(D2:D4)");
    EXPECT_EQ(totals[3]["value"], 10);

    // Wide enough for a date-time and for the longest caption line.
    EXPECT_GE(sheet["widths"]["A"].get<double>(), 19);
    EXPECT_GE(sheet["widths"]["C"].get<double>(), 10);
    EXPECT_EQ(sheet["charts"], json::array({"BarChart"}));
    EXPECT_EQ(sheet["series"], json::array({2}));

    const json& query = book["Query"]["rows"];
    ASSERT_EQ(query.size(), 3u);
    EXPECT_EQ(query[0][0]["value"], "Sites");
    EXPECT_EQ(query[0][1]["value"], "Shop, Café");
    EXPECT_EQ(query[2][1]["value"], "reporter-cli 1.0");
}

TEST(XlsxReport, EmptyReportHasZeroTotalsAndNoChart) {
    if (!ReaderInstalled()) GTEST_SKIP() << "python3-openpyxl is not installed";
    TempFolder dir;
    ReportDocument d = Document();
    d.rows.clear();
    d.barChart = false;
    const std::string path = dir.File("empty.xlsx");
    ASSERT_TRUE(WriteXlsxReport(path, d));
    const json book = ReadBack(path);
    ASSERT_TRUE(book.is_object());
    const json& rows = book["Report"]["rows"];
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][2]["value"], 0);
    EXPECT_TRUE(book["Report"]["charts"].empty());
}

TEST(XlsxReport, LineChartWhenTheLineViewIsShown) {
    if (!ReaderInstalled()) GTEST_SKIP() << "python3-openpyxl is not installed";
    TempFolder dir;
    ReportDocument d = Document();
    d.barChart = false;
    ASSERT_TRUE(WriteXlsxReport(dir.File("line.xlsx"), d));
    const json book = ReadBack(dir.File("line.xlsx"));
    ASSERT_TRUE(book.is_object());
    EXPECT_EQ(book["Report"]["charts"], json::array({"LineChart"}));
}

// Failing writes leave neither a part of a workbook nor a temporary file, and a workbook
// that replaces another does so whole.
TEST(XlsxReport, WrittenWholeOrNotAtAll) {
    TempFolder dir;
    std::string error;
    EXPECT_FALSE(WriteXlsxReport(dir.File("missing/report.xlsx"), Document(), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(WriteXlsxReport("", Document(), &error));

    // A folder where the file should go: the rename fails, the temporary file is removed.
    std::filesystem::create_directory(dir.File("taken.xlsx"));
    EXPECT_FALSE(WriteXlsxReport(dir.File("taken.xlsx"), Document(), &error));
    EXPECT_EQ(dir.Entries(), 1u) << "a temporary file was left";

    const std::string path = dir.File("report.xlsx");
    std::ofstream(path) << "old";
    ASSERT_TRUE(WriteXlsxReport(path, Document(), &error)) << error;
    EXPECT_EQ(ReadAll(path).substr(0, 2), "PK");  // a zip container, the old text gone
}

TEST(XlsxReport, ColumnWidthFollowsTheLongestLine) {
    EXPECT_EQ(XlsxColumnWidth({"ab\nabcdef", "abc"}), 9);
    EXPECT_EQ(XlsxColumnWidth({"Café"}), 7);  // characters, not bytes
    EXPECT_EQ(XlsxColumnWidth({}), 3);
}

}  // namespace

}  // namespace zl
