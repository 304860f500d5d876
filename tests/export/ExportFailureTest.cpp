// What an XML export does with a ParseCount.xsl already in the folder, and the failure
// messages of the exports in the language of the language file.
#include <gtest/gtest.h>

#include <fstream>

#include "ExportTestKit.h"
#include "export/ExportText.h"
#include "export/XmlExporter.h"
#include "store/IString.h"
#include "store/StringIds.h"

namespace zl {

namespace {

using Stylesheet = CXmlExporter::Stylesheet;

void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

TEST(ExportStylesheet, WrittenWhenAbsentOrOursAndAUsersOwnIsLeftAlone) {
    TempFolder dir;
    const std::string doc = dir.File("r.xml");
    const std::string xsl = dir.File("ParseCount.xsl");
    CXmlExporter xml;
    ASSERT_EQ(xml.Export(doc, "S", ExampleRows(), {"a", "b", "c", "d"}), 1);
    EXPECT_EQ(xml.LastStylesheet(), Stylesheet::Written);
    EXPECT_EQ(ReadAll(xsl), ParseCountStylesheet());

    ASSERT_EQ(xml.Export(doc, "S", ExampleRows(), {"a", "b", "c", "d"}), 1);
    EXPECT_EQ(xml.LastStylesheet(), Stylesheet::AlreadyOurs);

    const std::string own = "<xsl:stylesheet version=\"1.0\"><!-- the user's --></xsl:stylesheet>";
    Write(xsl, own);
    ASSERT_EQ(xml.Export(doc, "S", ExampleRows(), {"a", "b", "c", "d"}), 1);
    EXPECT_EQ(xml.LastStylesheet(), Stylesheet::UsersKept);
    EXPECT_EQ(ReadAll(xsl), own);
    EXPECT_NE(ReadAll(doc).find("href=\"ParseCount.xsl\""), std::string::npos);
}

TEST(ExportFailure, TextsComeFromTheLanguageFileWithTheSystemsReason) {
    TempFolder dir;
    const std::string lang = dir.File("lang.ini");
    // Traditional Chinese texts for the ids, with their "%s".
    Write(lang,
          "[STRING]\r\n410=\xE7\x84\xA1\xE6\xB3\x95\xE5\xAF\xAB\xE5\x85\xA5 %s\r\n"
          "414=\"\xE5\x8E\x9F\xE5\x9B\xA0: %s\"\r\n412=\xE5\x88\x97\xE5\x8D\xB0 100%\r\n");
    IString::Instance()->SetFile(lang);

    CXmlExporter xml;
    std::string error;
    const std::string target = dir.File("missing/folder/r.xml");
    ASSERT_EQ(xml.Export(target, "S", ExampleRows(), {"a", "b", "c", "d"}, &error), 0);
    ASSERT_FALSE(error.empty());
    EXPECT_EQ(FailureText(kStrExportFailed, target, error),
              "\xE7\x84\xA1\xE6\xB3\x95\xE5\xAF\xAB\xE5\x85\xA5 " + target +
                  "\n\xE5\x8E\x9F\xE5\x9B\xA0: " + error);
    // A text without "%s" is shown as it is; a stray "%" reads no argument.
    EXPECT_EQ(FailureText(kStrPrintFailed, {}), "\xE5\x88\x97\xE5\x8D\xB0 100%");
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

}  // namespace

}  // namespace zl
