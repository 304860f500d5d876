// The CSV report: the documented example byte for byte, quoting of fields that need it,
// totals, large results and files that cannot be written.
#include <gtest/gtest.h>

#include "ExportTestKit.h"
#include "base/AtomicFile.h"
#include "export/CsvExporter.h"

namespace zl {

namespace {

class CsvExport : public ::testing::Test {
  protected:
    void SetUp() override { csv_->SetReportTime("2024-05-01 09:15:00"); }
    void TearDown() override {
        csv_->SetReportTime("");
        zl::SetAtomicWriteFaultHook(nullptr);
    }
    CCsvExporter* csv_ = CCsvExporter::Instance();
    TempFolder dir_;
};

TEST_F(CsvExport, DocumentedExampleByteForByte) {
    const std::string path = dir_.File("report.csv");
    ASSERT_EQ(csv_->Export(path, "Site Name", ExampleRows(), {"T0", "T1", "T2", "T3"}), 1);
    EXPECT_EQ(ReadAll(path),
              "Sitename: Site Name Report date: 2024-05-01 09:15:00\r\n\r\n"
              "T0,T1,T2,T3\r\n"
              "2024/05/01 - 08:00:00, 2024/05/01 - 09:00:00, 12, 9\r\n"
              "2024/05/01 - 09:00:00, 2024/05/01 - 10:00:00, 3, 4\r\n"
              "Total:,Total:\r\n"
              "15, 13\r\n");
}

TEST_F(CsvExport, EmptySiteNameAndOnlyTimeColumns) {
    EXPECT_EQ(csv_->Format("", ExampleRows(), {"T0", "T1"}),
              "Report date: 2024-05-01 09:15:00\r\n\r\n"
              "T0,T1\r\n"
              "2024/05/01 - 08:00:00, 2024/05/01 - 09:00:00\r\n"
              "2024/05/01 - 09:00:00, 2024/05/01 - 10:00:00\r\n"
              "\r\n");
}

TEST_F(CsvExport, FieldsWithCommaQuoteOrLineBreakAreQuoted) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {{"Plain title", "Plain title"},       {"In, front", "\"In, front\""},
                          {"Say \"hi\"", "\"Say \"\"hi\"\"\""}, {"two\nlines", "\"two\nlines\""},
                          {"cr\rhere", "\"cr\rhere\""},         {"", ""}};
    for (const Case& c : cases) EXPECT_EQ(CsvField(c.in), c.out) << c.in;

    const std::string text =
        csv_->Format("Shop, north", ExampleRows(), {"Start", "End", "In, A", "Out"});
    EXPECT_EQ(text.substr(0, text.find("\r\n")),
              "\"Sitename: Shop, north Report date: 2024-05-01 09:15:00\"");
    EXPECT_NE(text.find("\r\nStart,End,\"In, A\",Out\r\n"), std::string::npos);
}

TEST_F(CsvExport, TotalsDoNotWrapAroundAt32Bits) {
    const std::vector<CountRecord> rows{ExportRow(1, 2, {4000000000u}),
                                        ExportRow(2, 3, {4000000000u})};
    const std::string text = csv_->Format("", rows, {"S", "E", "V"});
    EXPECT_NE(text.find(", 4000000000\r\n"), std::string::npos);
    EXPECT_TRUE(text.ends_with("Total:\r\n8000000000\r\n")) << text;
}

TEST_F(CsvExport, LargeResultIsWrittenWholeWithoutRestarting) {
    std::vector<CountRecord> rows;
    for (int i = 0; i < 20001; ++i) rows.push_back(ExportRow(i % 24, i % 24, {1, 2}));
    const std::string path = dir_.File("big.csv");
    ASSERT_EQ(csv_->Export(path, "Site Name", rows, {"S", "E", "I", "O"}), 1);
    const std::string text = ReadAll(path);
    size_t lines = 0;
    for (size_t p = text.find("2024/05/01 - "); p != std::string::npos;
         p = text.find("\r\n2024/05/01 - ", p + 1))
        ++lines;
    EXPECT_EQ(lines, 20001u);
    EXPECT_EQ(text.find("Report date"), text.rfind("Report date"));  // one header
    EXPECT_TRUE(text.ends_with("Total:,Total:\r\n20001, 40002\r\n"));
}

TEST_F(CsvExport, NoRowsWritesNoFile) {
    const std::string path = dir_.File("empty.csv");
    EXPECT_EQ(csv_->Export(path, "Site Name", {}, {"S", "E"}), 1);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(CsvExport, FileThatCannotBeCreatedIsAnError) {
    std::string error;
    EXPECT_EQ(csv_->Export(dir_.File("missing/folder/r.csv"), "Site Name", ExampleRows(),
                           {"S", "E"}, &error),
              0);
    EXPECT_FALSE(error.empty());
    // A folder in the way of the file.
    std::filesystem::create_directory(dir_.File("taken.csv"));
    EXPECT_EQ(csv_->Export(dir_.File("taken.csv"), "Site Name", ExampleRows(), {"S", "E"}), 0);
}

TEST_F(CsvExport, FailedWriteLeavesTheOldFileAndNoHalfFile) {
    const std::string path = dir_.File("keep.csv");
    ASSERT_EQ(csv_->Export(path, "Site Name", ExampleRows(), {"S", "E"}), 1);
    const std::string before = ReadAll(path);
    zl::SetAtomicWriteFaultHook(
        [](zl::AtomicWriteStep step) { return step == zl::AtomicWriteStep::Write; });
    std::string error;
    EXPECT_EQ(csv_->Export(path, "Other", ExampleRows(), {"S", "E", "V"}, &error), 0);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(dir_.Entries(), 1u);  // no temporary file left behind
}

TEST(ExportKind, ChosenByTheTextOfThePath) {
    EXPECT_EQ(ExportKindOfPath("out.csv"), ExportKind::Csv);
    EXPECT_EQ(ExportKindOfPath("C:\\data.csv\\out.xml"), ExportKind::Csv);
    EXPECT_EQ(ExportKindOfPath("/tmp/r.xml"), ExportKind::Xml);
    EXPECT_EQ(ExportKindOfPath("chart.bmp"), ExportKind::Bmp);
    EXPECT_EQ(ExportKindOfPath("report.CSV"), ExportKind::None);
    EXPECT_EQ(ExportKindOfPath("report.zle"), ExportKind::None);
}

}  // namespace

}  // namespace zl
