// The XML document: the documented layout byte for byte, a well-formed document whatever the
// titles and texts hold (checked with libxml2), the stylesheet written beside the document and
// rendering the report (checked with libxslt), large results, files that cannot be written.
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxslt/transform.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include "ExportTestKit.h"
#include "export/XmlExporter.h"

namespace zl {

namespace {

class XmlExport : public ::testing::Test {
  protected:
    void SetUp() override { xml_->SetReportTime("2024-05-01 09:15:00"); }
    void TearDown() override { xml_->SetReportTime(""); }
    CXmlExporter* xml_ = CXmlExporter::Instance();
    TempFolder dir_;
};

bool WellFormed(const std::string& text) {
    xmlDocPtr doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), "doc.xml", nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc) return false;
    xmlFreeDoc(doc);
    return true;
}

// The document rendered with its stylesheet file, as a browser would.
std::string Render(const std::string& xmlPath, const std::string& xslPath) {
    xsltStylesheetPtr sheet =
        xsltParseStylesheetFile(reinterpret_cast<const xmlChar*>(xslPath.c_str()));
    if (!sheet) return "<no stylesheet>";
    xmlDocPtr doc = xmlReadFile(xmlPath.c_str(), nullptr, XML_PARSE_NONET);
    std::string out = "<no document>";
    if (doc) {
        xmlDocPtr result = xsltApplyStylesheet(sheet, doc, nullptr);
        if (result) {
            xmlChar* text = nullptr;
            int size = 0;
            xsltSaveResultToString(&text, &size, result, sheet);
            out.assign(reinterpret_cast<char*>(text), static_cast<size_t>(size));
            xmlFree(text);
            xmlFreeDoc(result);
        }
        xmlFreeDoc(doc);
    }
    xsltFreeStylesheet(sheet);
    return out;
}

TEST_F(XmlExport, DocumentedLayoutByteForByte) {
    const std::string path = dir_.File("report.xml");
    ASSERT_EQ(xml_->Export(path, "Site Name", ExampleRows(), {"T0", "T1", "T2", "T3"}), 1);
    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<?xml-stylesheet type=\"text/xsl\" href=\"ParseCount.xsl\"?>\r\n"
        "<Counting>\r\n<dataevents>\r\n"
        "<camera>Site Name</camera>\r\n"
        "<date>2024-05-01 09:15:00</date>\r\n"
        "<event><T0>2024/05/01 08:00:00</T0>\r\n<T1>2024/05/01 09:00:00</T1>\r\n"
        "<T2>12</T2>\r\n<T3>9</T3>\r\n</event>"
        "<event><T0>2024/05/01 09:00:00</T0>\r\n<T1>2024/05/01 10:00:00</T1>\r\n"
        "<T2>3</T2>\r\n<T3>4</T3>\r\n</event>"
        "</dataevents>\r\n</Counting>";
    EXPECT_EQ(ReadAll(path), expected);
    EXPECT_TRUE(WellFormed(expected));
}

TEST(XmlNames, TitlesBecomeValidElementNames) {
    struct Case {
        const char* title;
        const char* name;
    };
    const Case cases[] = {{"Inward", "Inward"},
                          {"Start Time", "Start_Time"},
                          {"Inward (h<110)", "Inward__h_110_"},
                          {"1st", "_1st"},
                          {"-x", "_-x"},
                          {"", "_"},
                          {"a:b", "a_b"},
                          {"Über-Zahl.2", "Über-Zahl.2"},
                          {"入口", "入口"},
                          {"bad\xff", "bad_"},
                          {"a&b", "a_b"}};
    for (const Case& c : cases) EXPECT_EQ(XmlElementName(c.title), c.name) << c.title;
}

TEST(XmlText, IsEscapedAndValid) {
    EXPECT_EQ(XmlText("A & B <x> \"q\""), "A &amp; B &lt;x&gt; \"q\"");
    EXPECT_EQ(XmlText("bell\x07"), "bell\xEF\xBF\xBD");
    EXPECT_EQ(XmlText("cut\xE5\x85"), "cut\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(XmlText("Zähler"), "Zähler");
}

TEST_F(XmlExport, AnyTitlesAndSiteNameGiveAWellFormedDocument) {
    const std::string text = xml_->Format(
        "Shop <north> & \"south\"\x01", ExampleRows(),
        {"Start Time", "End Time", "Inward (h<110)", "2nd & more", "", "Zähler", "x\xff"});
    EXPECT_TRUE(WellFormed(text)) << text;
    EXPECT_NE(text.find("<camera>Shop &lt;north&gt; &amp; \"south\"\xEF\xBF\xBD</camera>"),
              std::string::npos);
    EXPECT_NE(text.find("<Start_Time>2024/05/01 08:00:00</Start_Time>"), std::string::npos);
}

TEST_F(XmlExport, StylesheetIsWrittenBesideTheDocumentAndRendersIt) {
    const std::string path = dir_.File("sub.xml");
    ASSERT_EQ(xml_->Export(path, "Site Name", ExampleRows(),
                           {"StartTime", "EndTime", "Inward", "Outward"}),
              1);
    const std::string xsl = dir_.File("ParseCount.xsl");
    ASSERT_EQ(ReadAll(xsl), ParseCountStylesheet());
    const std::string html = Render(path, xsl);
    EXPECT_NE(html.find("Sitename: Site Name"), std::string::npos) << html;
    EXPECT_NE(html.find("Report date: 2024-05-01 09:15:00"), std::string::npos);
    EXPECT_NE(html.find("<th>Start Time</th>"), std::string::npos);
    EXPECT_NE(html.find("<th>Outward</th>"), std::string::npos);
    EXPECT_NE(html.find("<td>2024/05/01 09:00:00</td>"), std::string::npos);
    EXPECT_NE(html.find("<td>12</td>"), std::string::npos);
    EXPECT_NE(html.find("border=\"1\""), std::string::npos);
}

TEST(StylesheetPath, FollowsTheDocumentsFolder) {
    EXPECT_EQ(StylesheetPathFor("/tmp/a/b.xml"), "/tmp/a/ParseCount.xsl");
    EXPECT_EQ(StylesheetPathFor("C:\\out\\b.xml"), "C:\\out\\ParseCount.xsl");
    EXPECT_EQ(StylesheetPathFor("b.xml"), "ParseCount.xsl");
}

TEST_F(XmlExport, LargeResultIsOneDocument) {
    std::vector<CountRecord> rows;
    for (int i = 0; i < 20001; ++i) rows.push_back(ExportRow(i % 24, i % 24, {1}));
    const std::string path = dir_.File("big.xml");
    ASSERT_EQ(xml_->Export(path, "Site Name", rows, {"S", "E", "V"}), 1);
    const std::string text = ReadAll(path);
    size_t events = 0;
    for (size_t p = text.find("<event>"); p != std::string::npos; p = text.find("<event>", p + 1))
        ++events;
    EXPECT_EQ(events, 20001u);
    EXPECT_TRUE(WellFormed(text));
}

TEST_F(XmlExport, NoRowsWritesNothing) {
    EXPECT_EQ(xml_->Export(dir_.File("e.xml"), "Site Name", {}, {"S", "E"}), 1);
    EXPECT_EQ(dir_.Entries(), 0u);
}

TEST_F(XmlExport, DocumentThatCannotBeCreatedIsAnErrorAndWritesNoStylesheet) {
    std::string error;
    EXPECT_EQ(xml_->Export(dir_.File("no/such/dir/r.xml"), "Site Name", ExampleRows(), {"S", "E"},
                           &error),
              0);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(dir_.Entries(), 0u);
}

}  // namespace

}  // namespace zl
