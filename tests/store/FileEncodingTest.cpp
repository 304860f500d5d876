// The files users bring from the earlier program, in the encodings it wrote: the site list and
// the settings load their texts, and saving keeps the encoding (compared to the byte).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "StoreTestKit.h"
#include "base/TextCodec.h"
#include "store/ChartSettingsStore.h"
#include "store/SettingsFile.h"
#include "store/SiteListStore.h"

namespace zl {

namespace {

struct CodePageScope {
    explicit CodePageScope(const char* name) { EXPECT_TRUE(zl::SetLegacyCodePage(name)); }
    ~CodePageScope() { zl::SetLegacyCodePage("950"); }
};

// UTF-8 of the Basic Multilingual Plane to UTF-16 with a byte-order mark, written out here so
// that the expected bytes do not come from the code under test.
std::string Utf16(const std::string& utf8, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        unsigned cp;
        if (c < 0x80) {
            cp = c;
            i += 1;
        } else if (c < 0xE0) {
            cp = ((c & 0x1Fu) << 6) | (utf8[i + 1] & 0x3F);
            i += 2;
        } else {
            cp = ((c & 0x0Fu) << 12) | ((utf8[i + 1] & 0x3Fu) << 6) | (utf8[i + 2] & 0x3F);
            i += 3;
        }
        const char hi = static_cast<char>(cp >> 8), lo = static_cast<char>(cp & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

std::string SiteFile(const std::string& name, const std::string& password) {
    return "[SITE_LIST]\r\nCOUNT=1\r\n[SITE_LIST_COUNT00]\r\nCounterType=2\r\nstrItemName=" + name +
           "\r\nIPAddress=10.0.0.5\r\nLocalDB=\r\nnPort=8080\r\nstrUsername=admin\r\n"
           "strPassword=" +
           password + "\r\nbAnonyMous=0\r\nConnectionType=0\r\n";
}

const std::string kShop950 = "\xB7s\xB8\xEA\xAE\xC6\xA7\xA8";  // the default site name
const std::string kShopUtf8 = "\xE6\x96\xB0\xE8\xB3\x87\xE6\x96\x99\xE5\xA4\xBE";
const std::string kOld950 = "\xC2\xC2\xB8\xEA\xAE\xC6\xA7\xA8";
const std::string kOldUtf8 = "\xE8\x88\x8A\xE8\xB3\x87\xE6\x96\x99\xE5\xA4\xBE";

struct SiteCase {
    const char* name;
    const char* codePage;
    std::string before, after;      // file bytes
    std::string siteName, newName;  // UTF-8
};

std::vector<SiteCase> SiteCases() {
    const std::string q = "\"";
    auto u16 = [&](bool be, const std::string& n, const std::string& pw) {
        return Utf16(SiteFile(n, pw), be);
    };
    return {
        {"code page 950", "950", SiteFile(q + kShop950 + q, "\"pa ss\""),
         SiteFile(kOld950, "pa ss"), kShopUtf8, kOldUtf8},
        {"code page 1252", "1252",
         SiteFile("\"Entr\xE9"
                  "e\"",
                  "\"pa ss\""),
         SiteFile("Caf\xE9", "pa ss"),
         "Entr\xC3\xA9"
         "e",
         "Caf\xC3\xA9"},
        {"UTF-8", "950", SiteFile(q + kShopUtf8 + q, "\"pa ss\""), SiteFile(kOldUtf8, "pa ss"),
         kShopUtf8, kOldUtf8},
        {"UTF-8 with BOM", "950", "\xEF\xBB\xBF" + SiteFile(q + kShopUtf8 + q, "\"pa ss\""),
         "\xEF\xBB\xBF" + SiteFile(kOldUtf8, "pa ss"), kShopUtf8, kOldUtf8},
        {"UTF-16 LE", "950", u16(false, q + kShopUtf8 + q, "\"pa ss\""),
         u16(false, kOldUtf8, "pa ss"), kShopUtf8, kOldUtf8},
        {"UTF-16 BE", "950", u16(true, q + kShopUtf8 + q, "\"pa ss\""),
         u16(true, kOldUtf8, "pa ss"), kShopUtf8, kOldUtf8},
    };
}

TEST(FileEncoding, SiteListInEveryFormLoadsSavesInItsFormAndKeepsMode0600) {
    TempFolder dir;
    const std::string file = dir.File("SiteList.ini");
    for (const SiteCase& c : SiteCases()) {
        SCOPED_TRACE(c.name);
        CodePageScope page(c.codePage);
        WriteBytes(file, c.before);
        ::chmod(file.c_str(), 0644);
        CSiteListStore store;
        store.SetFile(file);
        ASSERT_TRUE(store.Load()) << store.LoadError();
        ASSERT_EQ(store.Size(), 1);
        EXPECT_EQ(store.At(0).name, c.siteName);
        EXPECT_EQ(store.At(0).password, "pa ss");
        EXPECT_EQ(store.At(0).port, "8080");

        store.At(0).name = c.newName;
        ASSERT_TRUE(store.Save());
        EXPECT_EQ(store.SaveNotice(), "");
        EXPECT_EQ(ReadBytes(file), c.after);
        struct stat st {};
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);

        CSiteListStore again;
        again.SetFile(file);
        ASSERT_TRUE(again.Load());
        EXPECT_EQ(again.At(0).name, c.newName);
    }
}

TEST(FileEncoding, NewSiteListIsCreatedWithMode0600) {
    TempFolder dir;
    CSiteListStore store;
    store.SetFile(dir.File("SiteList.ini"));
    ASSERT_TRUE(store.Load());
    store.Add(SiteRecord{});
    ASSERT_TRUE(store.Save());
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("SiteList.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(FileEncoding, SettingsChooseTheCodePageAndKeepTitlesThroughASave) {
    TempFolder dir;
    const std::string settings = dir.File("Setting .ini");
    CodePageScope restore("950");
    // A title in code page 1252, chosen by the settings file itself.
    const std::string before =
        "[LANGUAGE]\r\nCODEPAGE=1252\r\n[P_Count_Setting_2DPeopleCounter]\r\n"
        "strTitleText_00=\"Entr\xE9"
        "e\"\r\n";
    WriteBytes(settings, before);
    ASSERT_TRUE(zl::ApplyCodePageSetting(settings));
    EXPECT_EQ(zl::LegacyCodePage(), "CP1252");

    CChartSettingsStore store;
    store.SetFile(settings);
    store.Load();
    ChartSettings s;
    store.GetSettings(s, 1);
    EXPECT_EQ(s.line.title,
              "Entr\xC3\xA9"
              "e");
    s.line.inColor[0] = 0x123456;  // only a colour changes, as in the settings dialog
    store.SetSettings(s, 1);
    ASSERT_TRUE(store.Save());
    const std::string after = ReadBytes(settings);
    EXPECT_EQ(after.rfind(before, 0), 0u) << "the title line is kept to the byte";
    EXPECT_NE(after.find("nLine_In_Color_00=1193046\r\n"), std::string::npos);
    EXPECT_EQ(after.find("\xEF\xBF\xBD"), std::string::npos);
    EXPECT_EQ(after.find("\xC3\xA9"), std::string::npos) << "no UTF-8 in a 1252 file";

    WriteBytes(settings, "[LANGUAGE]\r\nCODEPAGE=no-such-page\r\n");
    std::string error;
    EXPECT_FALSE(zl::ApplyCodePageSetting(settings, &error));
    EXPECT_NE(error.find("no-such-page"), std::string::npos);
    EXPECT_EQ(zl::LegacyCodePage(), "CP1252");
}

TEST(FileEncoding, CounterTypeOutsideOneToSevenIsNoChoice) {
    TempFolder dir;
    const std::string settings = dir.File("Setting .ini");
    for (auto [text, type] : {std::pair{"9", 1}, {"0", 1}, {"-3", 1}, {"7", 7}, {"\"4\"", 4}}) {
        WriteBytes(settings, std::string("[P_Count_Setting]\r\nCounterType=") + text + "\r\n");
        EXPECT_EQ(zl::LoadLastCounterType(settings), type) << text;
    }
}

TEST(FileEncoding, LanguageFileNameIsReadAndWritten) {
    TempFolder dir;
    const std::string settings = dir.File("Setting .ini");
    EXPECT_EQ(zl::LoadLanguageFileName(settings), zl::kDefaultLanguageFile);
    WriteBytes(settings, "[LANGUAGE]\r\nTYPE=\"zelkoReporter_CHT.ini\"\r\n");
    EXPECT_EQ(zl::LoadLanguageFileName(settings), "zelkoReporter_CHT.ini");
    ASSERT_TRUE(zl::SaveLanguageFileName(settings, "zelkoReporter_ENG.ini"));
    EXPECT_EQ(ReadBytes(settings), "[LANGUAGE]\r\nTYPE=\"zelkoReporter_ENG.ini\"\r\n");
}

}  // namespace

}  // namespace zl
