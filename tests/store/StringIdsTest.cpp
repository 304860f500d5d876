// The shipped language file has a text for every string id the program asks for.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "StoreTestKit.h"
#include "base/Profile.h"
#include "base/ProgramFolder.h"
#include "base/TextCodec.h"
#include "store/IString.h"
#include "store/StringIds.h"

namespace zl {

namespace {

const std::string kShipped = std::string(ZL_LANG_SOURCE_DIR) + "/zelkoReporter_ENG.ini";
// Every language file shipped beside the English one.
const std::vector<std::string> kShippedFiles = {
    kShipped, std::string(ZL_LANG_SOURCE_DIR) + "/zelkoReporter_CHT.ini"};

size_t Placeholders(const std::string& text) {
    size_t n = 0;
    for (size_t at = text.find("%s"); at != std::string::npos; at = text.find("%s", at + 2)) ++n;
    return n;
}

TEST(StringIds, EveryIdHasATextInEveryShippedFile) {
    zl::ProfileFile english(kShipped);
    ASSERT_TRUE(english.Load());
    for (const std::string& path : kShippedFiles) {
        SCOPED_TRACE(path);
        zl::ProfileFile file(path);
        ASSERT_TRUE(std::filesystem::exists(path));
        ASSERT_TRUE(file.Load()) << file.LoadError();
        EXPECT_EQ(file.Form().encoding, zl::TextEncoding::Utf8) << "shipped files are UTF-8";
        for (unsigned id : kAllStringIds) {
            const std::string key = std::to_string(id);
            EXPECT_TRUE(file.Has("STRING", key)) << "language string " << id << " is missing";
            EXPECT_NE(file.GetString("STRING", key, ""), "") << "language string " << id;
            // A translation takes the same arguments as the English text.
            EXPECT_EQ(Placeholders(file.GetString("STRING", key, "")),
                      Placeholders(english.GetString("STRING", key, "")))
                << "language string " << id;
        }
    }
}

TEST(StringIds, EveryIdIsListedOnce) {
    std::set<unsigned> seen;
    for (unsigned id : kAllStringIds) EXPECT_TRUE(seen.insert(id).second) << id;
}

TEST(StringIds, ShippedFilesHoldOnlyListedIdsAndFitTheBuffer) {
    const std::set<unsigned> listed(kAllStringIds.begin(), kAllStringIds.end());
    for (const std::string& path : kShippedFiles) {
        SCOPED_TRACE(path);
        zl::ProfileFile file(path);
        ASSERT_TRUE(file.Load());
        EXPECT_EQ(file.SectionNames(), std::vector<std::string>{"STRING"});
        for (const std::string& key : file.KeyNames("STRING")) {
            EXPECT_EQ(key, std::to_string(std::stoul(key))) << "keys are plain decimal numbers";
            EXPECT_TRUE(listed.count(static_cast<unsigned>(std::stoul(key))))
                << "id " << key << " has no name in StringIds.h";
            EXPECT_LT(file.GetString("STRING", key, "").size(), 260u) << key;
        }
    }
}

// The build copies LANG/ beside the executables, where Load finds it by default.
TEST(StringIds, BuildCopiesTheLanguageFileBesideTheProgram) {
    const std::string copy = zl::ProgramFolder() + "LANG/zelkoReporter_ENG.ini";
    if (!std::filesystem::exists(copy)) GTEST_SKIP() << "resources not part of this build";
    EXPECT_EQ(ReadBytes(copy), ReadBytes(kShipped));
    if (std::filesystem::exists(zl::ProgramFolder() + "Setting .ini"))
        GTEST_SKIP() << "a settings file beside the program may choose another language";
    IString table;
    table.Load();
    EXPECT_STREQ(table.LoadStringA(kStrAppCaption), "zelkoReporter");
    EXPECT_STREQ(table.LoadStringA(kStrCounterTypeTraffic), "Traffic Counter");
}

}  // namespace

}  // namespace zl
