#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "StoreTestKit.h"
#include "base/ProgramFolder.h"
#include "store/IString.h"

namespace zl {

namespace {

// Each test runs with its own program folder.
class IStringTest : public ::testing::Test {
  protected:
    IStringTest() { zl::SetProgramFolderOverride(dir.Folder()); }
    ~IStringTest() override { zl::SetProgramFolderOverride(""); }

    void WriteLanguageFile(const std::string& name, const std::string& text) {
        std::filesystem::create_directories(dir.File("LANG"));
        WriteBytes(dir.File("LANG/" + name), text);
    }

    TempFolder dir;
};

TEST_F(IStringTest, NoSettingsAndNoLanguageFolderGiveNull) {
    IString table;
    EXPECT_EQ(table.Load(), 1);
    EXPECT_EQ(table.File(), dir.Folder() + "LANG/zelkoReporter_ENG.ini");
    for (unsigned id : {0u, 110u, 401u}) EXPECT_STREQ(table.LoadStringA(id), "NULL");
}

TEST_F(IStringTest, TextsOfTheDefaultLanguageFile) {
    WriteLanguageFile("zelkoReporter_ENG.ini",
                      "[STRING]\r\n0=zelkoReporter\r\n110= Connection failed. \r\n155=\r\n"
                      "[OTHER]\r\n3=not this one\r\n");
    IString table;
    table.Load();
    EXPECT_STREQ(table.LoadStringA(0), "zelkoReporter");
    EXPECT_STREQ(table.LoadStringA(110), "Connection failed.");
    EXPECT_STREQ(table.LoadStringA(155), "");  // empty, not "NULL"
    EXPECT_STREQ(table.LoadStringA(3), "NULL");
    EXPECT_STREQ(table.LoadStringA(4294967295u), "NULL");
}

TEST_F(IStringTest, TypeInSettingsChoosesTheFile) {
    WriteLanguageFile("zelkoReporter_ENG.ini", "[STRING]\n8=Day\n");
    WriteLanguageFile("Deutsch.ini", "[STRING]\n8=Tag\n");
    WriteBytes(dir.File("Setting .ini"), "[language]\ntype=Deutsch.ini\n");
    IString table;
    table.Load();
    EXPECT_EQ(table.File(), dir.Folder() + "LANG/Deutsch.ini");
    EXPECT_STREQ(table.LoadStringA(8), "Tag");
}

TEST_F(IStringTest, SamePointerForTheSameIdEvenAfterTheFileChanges) {
    WriteLanguageFile("zelkoReporter_ENG.ini", "[STRING]\n9=Week\n");
    IString table;
    table.Load();
    const char* first = table.LoadStringA(9);
    const char* missing = table.LoadStringA(10);
    WriteLanguageFile("zelkoReporter_ENG.ini", "[STRING]\n9=Woche\n10=Monat\n");
    table.Load();
    EXPECT_EQ(table.LoadStringA(9), first);
    EXPECT_STREQ(first, "Week");
    EXPECT_EQ(table.LoadStringA(10), missing);
    EXPECT_STREQ(missing, "NULL");
    // The file is read once per Load, not once per id.
    WriteLanguageFile("zelkoReporter_ENG.ini", "[STRING]\n11=Range:\n");
    EXPECT_STREQ(table.LoadStringA(11), "NULL");
}

TEST_F(IStringTest, TextsBeforeLoadComeFromEnglishIni) {
    WriteLanguageFile("English.ini", "[STRING]\n0=early\n");
    WriteLanguageFile("zelkoReporter_ENG.ini", "[STRING]\n0=late\n1=late one\n");
    IString table;
    EXPECT_STREQ(table.LoadStringA(0), "early");
    table.Load();
    EXPECT_STREQ(table.LoadStringA(0), "early");
    EXPECT_STREQ(table.LoadStringA(1), "late one");
}

TEST_F(IStringTest, LongTextsAreCutTo259Characters) {
    WriteLanguageFile("zelkoReporter_ENG.ini", "[STRING]\n5=" + std::string(300, 'a') + "\n");
    IString table;
    table.Load();
    EXPECT_EQ(std::string(table.LoadStringA(5)), std::string(259, 'a'));
}

TEST_F(IStringTest, ManyThreadsGetOnePointerPerId) {
    std::string text = "[STRING]\n";
    for (int id = 0; id < 200; ++id)
        text += std::to_string(id) + "=text " + std::to_string(id) + "\n";
    WriteLanguageFile("zelkoReporter_ENG.ini", text);
    IString table;
    table.Load();
    constexpr int kThreads = 4;
    std::vector<std::vector<const char*>> seen(kThreads, std::vector<const char*>(200));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round)
                for (int id = 0; id < 200; ++id) {
                    const unsigned uid = static_cast<unsigned>((id * 7 + t * 13) % 200);
                    seen[t][uid] = table.LoadStringA(uid);
                }
        });
    }
    for (std::thread& th : threads) th.join();
    for (int id = 0; id < 200; ++id) {
        EXPECT_STREQ(seen[0][id], ("text " + std::to_string(id)).c_str());
        for (int t = 1; t < kThreads; ++t) EXPECT_EQ(seen[t][id], seen[0][id]);
    }
}

TEST(IStringInstance, IsOneObject) {
    EXPECT_EQ(IString::Instance(), IString::Instance());
}

}  // namespace

}  // namespace zl
