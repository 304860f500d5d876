// Profile files in the encodings users bring along: read into UTF-8, changed, written back in
// the same encoding, compared to the byte; and the Windows profile rules on quotes, line ends
// and defaults.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "BaseTestKit.h"
#include "base/Profile.h"
#include "base/TextCodec.h"

namespace zl {

using namespace std::string_literals;
using zl::ProfileFile;
using zl::TextEncoding;

namespace {

// Sets the legacy code page for one test and restores the default afterwards.
struct CodePageScope {
    explicit CodePageScope(const char* name) { EXPECT_TRUE(zl::SetLegacyCodePage(name)); }
    ~CodePageScope() { zl::SetLegacyCodePage("950"); }
};

struct FormCase {
    const char* name;
    const char* codePage;
    TextEncoding encoding;
    std::string before;                   // the file as the user has it
    std::string after;                    // after name is changed and title added
    std::string oldName, newName, title;  // UTF-8
};

// The texts are "[Site]\r\nname=\"<oldName>\"\r\ncount=3\r\n" and, after the change,
// "[Site]\r\nname=\"<newName>\"\r\ncount=3\r\ntitle=<title>\r\n" in each encoding.
const FormCase kForms[] = {
    {"code page 950", "950", TextEncoding::CodePage,
     std::string("[Site]\r\nname=\"\xB7s\xB8\xEA\xAE\xC6\xA7\xA8\"\r\ncount=3\r\n"),
     std::string(
         "[Site]\r\nname=\"\xC2\xC2\xB8\xEA\xAE\xC6\xA7\xA8\"\r\ncount=3\r\ntitle=\xBC\xD0\xC3"
         "D\r\n"),
     "\xE6\x96\xB0\xE8\xB3\x87\xE6\x96\x99\xE5\xA4\xBE",
     "\xE8\x88\x8A\xE8\xB3\x87\xE6\x96\x99\xE5\xA4\xBE", "\xE6\xA8\x99\xE9\xA1\x8C"},
    {"code page 1252", "1252", TextEncoding::CodePage,
     std::string("[Site]\r\nname=\"Entr\xE9"
                 "e\"\r\ncount=3\r\n"),
     std::string("[Site]\r\nname=\"Sortie \xF4t\xE9\"\r\ncount=3\r\ntitle=Caf\xE9\r\n"),
     "Entr\xC3\xA9"
     "e",
     "Sortie \xC3\xB4t\xC3\xA9", "Caf\xC3\xA9"},
    {"UTF-8", "950", TextEncoding::Utf8,
     std::string("[Site]\r\nname=\"\xE6\x96\xB0\xE8\xB3\x87\xE6\x96\x99\xE5\xA4\xBE Entr\xC3\xA9"
                 "e\"\r\ncount=3\r\n"),
     std::string("[Site]\r\nname=\"Caf\xC3\xA9 \xE8\x88\x8A\"\r\ncount=3\r\n"
                 "title=\xF0\x9F\x98\x80 \xE6\xA8\x99\xE9\xA1\x8C\r\n"),
     "\xE6\x96\xB0\xE8\xB3\x87\xE6\x96\x99\xE5\xA4\xBE Entr\xC3\xA9"
     "e",
     "Caf\xC3\xA9 \xE8\x88\x8A", "\xF0\x9F\x98\x80 \xE6\xA8\x99\xE9\xA1\x8C"},
    {"UTF-8 with BOM", "950", TextEncoding::Utf8Bom,
     std::string("\xEF\xBB\xBF[Site]\r\nname=\"\xE6\x96\xB0\xE8\xB3\x87\xE6\x96\x99\xE5\xA4\xBE "
                 "Entr\xC3\xA9"
                 "e\"\r\ncount=3\r\n"),
     std::string("\xEF\xBB\xBF[Site]\r\nname=\"Caf\xC3\xA9 \xE8\x88\x8A\"\r\ncount=3\r\n"
                 "title=\xF0\x9F\x98\x80 \xE6\xA8\x99\xE9\xA1\x8C\r\n"),
     "\xE6\x96\xB0\xE8\xB3\x87\xE6\x96\x99\xE5\xA4\xBE Entr\xC3\xA9"
     "e",
     "Caf\xC3\xA9 \xE8\x88\x8A", "\xF0\x9F\x98\x80 \xE6\xA8\x99\xE9\xA1\x8C"},
    {"UTF-16 LE", "950", TextEncoding::Utf16Le,
     std::string("\xFF\xFE[\0S\0i\0t\0e\0]\0\r\0\n\0n\0a\0m\0e\0=\0\"\0\xB0"
                 "e\xC7\x8C\x99"
                 "e>Y \0E\0n\0t\0r\0\xE9\0"
                 "e\0\"\0\r\0\n\0c\0o\0u\0n\0t\0=\0"
                 "3\0\r\0\n\0"s),
     std::string("\xFF\xFE[\0S\0i\0t\0e\0]\0\r\0\n\0n\0a\0m\0e\0=\0\"\0C\0a\0f\0\xE9\0 \0\n\x82\"\0"
                 "\r\0\n\0c\0o\0u\0n\0t\0=\0"
                 "3\0\r\0\n\0t\0i\0t\0l\0e\0=\0=\xD8\0\xDE \0\x19jL\x98\r\0\n\0"s),
     "\xE6\x96\xB0\xE8\xB3\x87\xE6\x96\x99\xE5\xA4\xBE Entr\xC3\xA9"
     "e",
     "Caf\xC3\xA9 \xE8\x88\x8A", "\xF0\x9F\x98\x80 \xE6\xA8\x99\xE9\xA1\x8C"},
    {"UTF-16 BE", "950", TextEncoding::Utf16Be,
     std::string("\xFE\xFF\0[\0S\0i\0t\0e\0]\0\r\0\n\0n\0a\0m\0e\0=\0\""
                 "e\xB0\x8C\xC7"
                 "e\x99Y>\0 \0E\0n\0t\0r\0\xE9\0"
                 "e\0\"\0\r\0\n\0c\0o\0u\0n\0t\0=\0"
                 "3\0\r\0\n"s),
     std::string(
         "\xFE\xFF\0[\0S\0i\0t\0e\0]\0\r\0\n\0n\0a\0m\0e\0=\0\"\0C\0a\0f\0\xE9\0 \x82\n\0\"\0"
         "\r\0\n\0c\0o\0u\0n\0t\0=\0"
         "3\0\r\0\n\0t\0i\0t\0l\0e\0=\xD8=\xDE\0\0 j\x19\x98L\0\r\0\n"s),
     "\xE6\x96\xB0\xE8\xB3\x87\xE6\x96\x99\xE5\xA4\xBE Entr\xC3\xA9"
     "e",
     "Caf\xC3\xA9 \xE8\x88\x8A", "\xF0\x9F\x98\x80 \xE6\xA8\x99\xE9\xA1\x8C"},
};

}  // namespace

TEST(ProfileEncoding, EachFormIsReadChangedAndWrittenBackToTheByte) {
    TempFolder dir;
    for (const FormCase& c : kForms) {
        SCOPED_TRACE(c.name);
        CodePageScope page(c.codePage);
        const std::string f = dir.File("site.ini");
        WriteBytes(f, c.before);

        ProfileFile file(f);
        ASSERT_TRUE(file.Load()) << file.LoadError();
        EXPECT_EQ(file.Form().encoding, c.encoding);
        EXPECT_EQ(file.GetString("Site", "name", ""), c.oldName);

        // Saved unchanged, the file is the same to the byte.
        ASSERT_TRUE(file.Save());
        EXPECT_EQ(ReadBytes(f), c.before);

        file.SetString("Site", "name", c.newName);
        file.SetString("Site", "title", c.title);
        std::string notice;
        ASSERT_TRUE(file.Save(nullptr, &notice));
        EXPECT_EQ(notice, "");
        EXPECT_EQ(ReadBytes(f), c.after);

        char buf[64];
        GetPrivateProfileStringA("Site", "title", "", buf, sizeof buf, f.c_str());
        EXPECT_EQ(std::string(buf), c.title);
    }
}

TEST(ProfileEncoding, CharacterTheCodePageCannotHoldSwitchesToUtf8WithBomAndSaysSo) {
    TempFolder dir;
    CodePageScope page("1252");
    const std::string f = dir.File("s.ini");
    WriteBytes(f,
               "[S]\r\nname=Entr\xE9"
               "e\r\n");
    ProfileFile file(f);
    ASSERT_TRUE(file.Load());
    file.SetString("S", "other", "\xE6\x96\xB0");
    std::string notice;
    ASSERT_TRUE(file.Save(nullptr, &notice));
    EXPECT_NE(notice.find("UTF-8 with BOM"), std::string::npos) << notice;
    EXPECT_EQ(ReadBytes(f),
              "\xEF\xBB\xBF[S]\r\nname=Entr\xC3\xA9"
              "e\r\nother=\xE6\x96\xB0\r\n");
}

TEST(ProfileEncoding, UndecodableFilesAreReportedAndNeverWrittenOver) {
    TempFolder dir;
    const std::string f = dir.File("bad.ini");
    struct Bad {
        const char* name;
        const char* codePage;
        std::string bytes;
    };
    const Bad cases[] = {
        {"950 lead byte without trail", "950", "[S]\r\nk=\xA4 x\r\n"},
        {"1252 undefined byte", "1252", "[S]\r\nk=\x81\r\n"},
        {"UTF-16 odd length", "950", "\xFF\xFE[\0S\0]"s},
        {"UTF-16 lone surrogate", "950", "\xFF\xFE[\0\x00\xD8]\0"s},
        {"UTF-8 BOM then bad UTF-8", "950", "\xEF\xBB\xBF[S]\r\nk=\xC0\xAF\r\n"},
    };
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.name);
        CodePageScope page(c.codePage);
        WriteBytes(f, c.bytes);
        ProfileFile file(f);
        EXPECT_FALSE(file.Load());
        EXPECT_NE(file.LoadError().find("bad.ini"), std::string::npos) << file.LoadError();
        file.SetString("S", "k", "v");
        std::string error;
        EXPECT_FALSE(file.Save(&error));
        EXPECT_NE(error.find("not overwritten"), std::string::npos) << error;
        EXPECT_EQ(WritePrivateProfileStringA("S", "k", "v", f.c_str()), 0);
        EXPECT_EQ(ReadBytes(f), c.bytes);
    }
}

TEST(ProfileEncoding, CodePageNamesAndUnknownOnes) {
    EXPECT_EQ(zl::CodePageName(" cp1252 "), "CP1252");
    EXPECT_EQ(zl::CodePageName("950"), "CP950");
    EXPECT_FALSE(zl::SetLegacyCodePage("no-such-page"));
    EXPECT_FALSE(zl::SetLegacyCodePage(""));
    EXPECT_EQ(zl::LegacyCodePage(), "CP950");
}

TEST(ProfileRules, OnePairOfDoubleQuotesIsNotPartOfTheValue) {
    TempFolder dir;
    const std::string f = dir.File("q.ini");
    WriteBytes(f,
               "[S]\r\nname=\"Quoted Shop\"\r\npw=\" secret \"\r\ntwo=\"\"x\"\"\r\n"
               "one=\"\r\ninner=a \"b\" c\r\nsingle='x'\r\nn=\"42\"\r\n");
    char buf[64];
    auto read = [&](const char* key) {
        GetPrivateProfileStringA("S", key, "", buf, sizeof buf, f.c_str());
        return std::string(buf);
    };
    EXPECT_EQ(read("name"), "Quoted Shop");
    EXPECT_EQ(read("pw"), " secret ");
    EXPECT_EQ(read("two"), "\"x\"");
    EXPECT_EQ(read("one"), "\"");
    EXPECT_EQ(read("inner"), "a \"b\" c");
    EXPECT_EQ(read("single"), "'x'");
    EXPECT_EQ(GetPrivateProfileIntA("S", "n", 0, f.c_str()), 42u);

    // What GetString would not give back as it is goes into quotes; a quoted key stays quoted;
    // an unchanged value keeps its line as it was written.
    ProfileFile file(f);
    ASSERT_TRUE(file.Load());
    file.SetString("S", "name", "Other Shop");
    file.SetString("S", "pw", " secret ");
    file.SetString("S", "lead", "  blank");
    file.SetString("S", "q", "\"x\"");
    file.SetString("S", "inner", "plain");
    ASSERT_TRUE(file.Save());
    EXPECT_EQ(ReadBytes(f),
              "[S]\r\nname=\"Other Shop\"\r\npw=\" secret \"\r\ntwo=\"\"x\"\"\r\n"
              "one=\"\r\ninner=plain\r\nsingle='x'\r\nn=\"42\"\r\n"
              "lead=\"  blank\"\r\nq=\"\"x\"\"\r\n");
    ProfileFile again(f);
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(again.GetString("S", "lead", ""), "  blank");
    EXPECT_EQ(again.GetString("S", "q", ""), "\"x\"");
}

TEST(ProfileRules, CrLfAndLoneCrEachEndALineAndTheStyleIsKept) {
    TempFolder dir;
    const std::string f = dir.File("cr.ini");
    WriteBytes(f, "[S]\ra=1\rb=2\r\n[T]\nc=3");
    char buf[16];
    GetPrivateProfileStringA("S", "b", "", buf, sizeof buf, f.c_str());
    EXPECT_STREQ(buf, "2");
    GetPrivateProfileStringA("T", "c", "", buf, sizeof buf, f.c_str());
    EXPECT_STREQ(buf, "3");
    ASSERT_EQ(WritePrivateProfileStringA("S", "a", "9", f.c_str()), 1);
    EXPECT_EQ(ReadBytes(f), "[S]\ra=9\rb=2\r[T]\rc=3\r");
}

TEST(ProfileRules, DocumentedCallBehaviour) {
    TempFolder dir;
    const std::string f = dir.File("d.ini");
    char buf[16];
    // Trailing blanks of the default are dropped; the count excludes the zero.
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "default  ", buf, sizeof buf, f.c_str()), 7u);
    EXPECT_STREQ(buf, "default");
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", nullptr, buf, sizeof buf, f.c_str()), 0u);
    EXPECT_STREQ(buf, "");
    // Deleting from a file that does not exist succeeds and creates nothing.
    EXPECT_EQ(WritePrivateProfileStringA("S", "k", nullptr, f.c_str()), 1);
    EXPECT_EQ(WritePrivateProfileStringA("S", nullptr, nullptr, f.c_str()), 1);
    EXPECT_FALSE(std::filesystem::exists(f));
    // All three null: a cache flush, which succeeds.
    EXPECT_EQ(WritePrivateProfileStringA(nullptr, nullptr, nullptr, f.c_str()), 1);
    // A value cut to the buffer: size - 1 characters.
    ASSERT_EQ(WritePrivateProfileStringA("S", "k", "0123456789abcdefXYZ", f.c_str()), 1);
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "", buf, sizeof buf, f.c_str()), 15u);
    EXPECT_STREQ(buf, "0123456789abcde");
}

TEST(ProfileRules, OwnerOnlyFilesGetMode0600) {
    TempFolder dir;
    const std::string f = dir.File("p.ini");
    WriteBytes(f, "[S]\r\n");
    ::chmod(f.c_str(), 0644);
    ProfileFile file(f);
    ASSERT_TRUE(file.Load());
    file.SetOwnerOnly(true);
    file.SetString("S", "pw", "x");
    ASSERT_TRUE(file.Save());
    struct stat st {};
    ASSERT_EQ(::stat(f.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

}  // namespace zl
