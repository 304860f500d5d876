#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "BaseTestKit.h"
#include "base/Profile.h"

namespace zl {

using zl::ProfileFile;

namespace {

std::string ReadKey(const std::string& file, const char* section, const char* key,
                    const char* def = "DEF") {
    char buf[260];
    GetPrivateProfileStringA(section, key, def, buf, sizeof buf, file.c_str());
    return buf;
}

}  // namespace

TEST(Profile, MissingFileSectionOrKeyGivesDefault) {
    TempFolder dir;
    const std::string f = dir.File("none.ini");
    EXPECT_EQ(ReadKey(f, "S", "k"), "DEF");
    EXPECT_EQ(GetPrivateProfileIntA("S", "k", 42, f.c_str()), 42u);
    WriteBytes(f, "[S]\nk=1\n");
    EXPECT_EQ(ReadKey(f, "T", "k"), "DEF");
    EXPECT_EQ(ReadKey(f, "S", "x"), "DEF");
    EXPECT_FALSE(std::filesystem::exists(dir.File("none.ini.tmp")));
}

TEST(Profile, NamesIgnoreCaseAndBlanks) {
    TempFolder dir;
    const std::string f = dir.File("a.ini");
    WriteBytes(f, "  [ Section One ]  \n  Key Name  =   some value  \t\n");
    EXPECT_EQ(ReadKey(f, "section one", "KEY NAME"), "some value");
    EXPECT_EQ(ReadKey(f, " SECTION ONE", "key name "), "some value");
}

TEST(Profile, ReadsCrLfLfBomAndNoFinalNewline) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"lf", "[S]\na=1\nb=two\n"},
        {"crlf", "[S]\r\na=1\r\nb=two\r\n"},
        {"bom", "\xEF\xBB\xBF[S]\r\na=1\r\nb=two\r\n"},
        {"no final newline", "[S]\na=1\nb=two"},
        {"no final newline crlf", "[S]\r\na=1\r\nb=two"},
    };
    TempFolder dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string f = dir.File("c.ini");
        WriteBytes(f, c.bytes);
        EXPECT_EQ(ReadKey(f, "S", "a"), "1");
        EXPECT_EQ(ReadKey(f, "S", "b"), "two");
    }
}

TEST(Profile, WriteKeepsLineEndStyleAndBom) {
    TempFolder dir;
    const std::string f = dir.File("w.ini");
    WriteBytes(f, "\xEF\xBB\xBF; top\r\n[S]\r\na=1\r\n");
    ASSERT_EQ(WritePrivateProfileStringA("S", "b", "2", f.c_str()), 1);
    EXPECT_EQ(ReadBytes(f), "\xEF\xBB\xBF; top\r\n[S]\r\na=1\r\nb=2\r\n");

    const std::string g = dir.File("new.ini");
    ASSERT_EQ(WritePrivateProfileStringA("N", "k", "v", g.c_str()), 1);
    EXPECT_EQ(ReadBytes(g), "[N]\r\nk=v\r\n");
}

TEST(Profile, WriteKeepsOtherLinesCommentsAndOrder) {
    TempFolder dir;
    const std::string f = dir.File("keep.ini");
    WriteBytes(f,
               "; header comment\n"
               "[First]\n"
               "Alpha = 1 ; not a comment\n"
               "# hash comment\n"
               "beta=2\n"
               "\n"
               "; about Second\n"
               "[Second]\n"
               "gamma=3\n");
    ASSERT_EQ(WritePrivateProfileStringA("FIRST", "BETA", "20", f.c_str()), 1);
    ASSERT_EQ(WritePrivateProfileStringA("first", "delta", "4", f.c_str()), 1);
    ASSERT_EQ(WritePrivateProfileStringA("Third", "eps", "5", f.c_str()), 1);
    EXPECT_EQ(ReadBytes(f),
              "; header comment\n"
              "[First]\n"
              "Alpha = 1 ; not a comment\n"
              "# hash comment\n"
              "beta=20\n"
              "delta=4\n"
              "\n"
              "; about Second\n"
              "[Second]\n"
              "gamma=3\n"
              "[Third]\n"
              "eps=5\n");
    EXPECT_EQ(ReadKey(f, "First", "alpha"), "1 ; not a comment");
}

TEST(Profile, DuplicatesFirstOccurrenceIsReadAndUpdated) {
    TempFolder dir;
    const std::string f = dir.File("dup.ini");
    WriteBytes(f, "[S]\nk=first\nk=second\n[s]\nk=third\nonly=x\n");
    EXPECT_EQ(ReadKey(f, "S", "k"), "first");
    EXPECT_EQ(ReadKey(f, "S", "only"), "DEF");  // the first section is the section
    ASSERT_EQ(WritePrivateProfileStringA("S", "k", "new", f.c_str()), 1);
    EXPECT_EQ(ReadBytes(f), "[S]\nk=new\nk=second\n[s]\nk=third\nonly=x\n");
    EXPECT_EQ(ReadKey(f, "S", "k"), "new");
}

TEST(Profile, EmptyBinaryAndHugeFilesDoNotBreak) {
    TempFolder dir;
    const std::string f = dir.File("odd.ini");

    WriteBytes(f, "");
    EXPECT_EQ(ReadKey(f, "S", "k"), "DEF");
    ASSERT_EQ(WritePrivateProfileStringA("S", "k", "v", f.c_str()), 1);
    EXPECT_EQ(ReadBytes(f), "[S]\r\nk=v\r\n");

    // Random bytes are no text in any encoding: nothing is read and the file is not replaced.
    std::mt19937 rng(7);
    std::string binary(64 * 1024, '\0');
    for (char& c : binary) c = static_cast<char>(rng());
    WriteBytes(f, binary + "\n[S]\nk=v\n");
    EXPECT_EQ(ReadKey(f, "S", "k"), "DEF");
    EXPECT_EQ(WritePrivateProfileStringA("S", "k", "w", f.c_str()), 0);
    EXPECT_EQ(ReadBytes(f), binary + "\n[S]\nk=v\n");

    std::string huge;
    huge.reserve(6u << 20);
    huge += "[Big]\n";
    while (huge.size() < (6u << 20)) huge += "key" + std::to_string(huge.size()) + "=x\n";
    huge += "last=end";  // no final newline
    WriteBytes(f, huge);
    EXPECT_EQ(ReadKey(f, "big", "LAST"), "end");
    std::string longLine(8u << 20, 'x');
    WriteBytes(f, "[S]\nk=" + longLine);
    EXPECT_EQ(ReadKey(f, "S", "k").size(), 259u);
}

TEST(Profile, BufferReceivesAtMostSizeMinusOne) {
    TempFolder dir;
    const std::string f = dir.File("buf.ini");
    WriteBytes(f, "[S]\nk=abcdefgh\n");
    char buf[8];
    std::memset(buf, 'Z', sizeof buf);
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "", buf, 5, f.c_str()), 4u);
    EXPECT_STREQ(buf, "abcd");
    EXPECT_EQ(buf[5], 'Z');
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "", buf, 1, f.c_str()), 0u);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "", buf, 0, f.c_str()), 0u);
    EXPECT_EQ(GetPrivateProfileStringA("S", "none", "defaultlong", buf, 8, f.c_str()), 7u);
    EXPECT_STREQ(buf, "default");
}

TEST(Profile, IntReadsLeadingDecimalNumber) {
    struct Case {
        const char* value;
        int expected;
    };
    const Case cases[] = {
        {"12", 12},
        {"-7", -7},
        {"+5", 5},
        {"42abc", 42},
        {"abc", 0},
        {"", 99},
        {"0x10", 0},
        {"  8  ", 8},
        {"99999999999", 2147483647},
        {"-99999999999", -2147483647 - 1},
    };
    TempFolder dir;
    const std::string f = dir.File("int.ini");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        WriteBytes(f, std::string("[S]\nk=") + c.value + "\n");
        EXPECT_EQ(static_cast<int>(GetPrivateProfileIntA("S", "k", 99, f.c_str())), c.expected);
    }
    EXPECT_EQ(static_cast<int>(GetPrivateProfileIntA("S", "missing", -3, f.c_str())), -3);
}

TEST(Profile, DeleteKeyAndSectionThroughNullArguments) {
    TempFolder dir;
    const std::string f = dir.File("del.ini");
    WriteBytes(f, "[A]\nx=1\ny=2\n[B]\nz=3\n");
    ASSERT_EQ(WritePrivateProfileStringA("A", "x", nullptr, f.c_str()), 1);
    ASSERT_EQ(WritePrivateProfileStringA("b", nullptr, nullptr, f.c_str()), 1);
    EXPECT_EQ(ReadBytes(f), "[A]\ny=2\n");
}

TEST(Profile, ListsSectionsAndKeys) {
    TempFolder dir;
    const std::string f = dir.File("list.ini");
    WriteBytes(f, "[A]\nx=1\ny=2\n[B]\n[a]\nz=3\n");
    char buf[32];
    unsigned n = GetPrivateProfileStringA(nullptr, nullptr, "", buf, sizeof buf, f.c_str());
    EXPECT_EQ(std::string(buf, n), std::string("A\0B\0", 4));
    n = GetPrivateProfileStringA("a", nullptr, "", buf, sizeof buf, f.c_str());
    EXPECT_EQ(std::string(buf, n + 1), std::string("x\0y\0\0", 5));
}

TEST(Profile, LineBreaksInValuesCannotForgeLines) {
    TempFolder dir;
    const std::string f = dir.File("inj.ini");
    ASSERT_EQ(WritePrivateProfileStringA("S", "name", "evil\n[SITE_LIST]\nCOUNT=9", f.c_str()), 1);
    EXPECT_EQ(ReadKey(f, "SITE_LIST", "COUNT"), "DEF");
    EXPECT_EQ(ReadKey(f, "S", "name"), "evil [SITE_LIST] COUNT=9");
}

TEST(Profile, BatchWritesOnceAndRoundTrips) {
    TempFolder dir;
    ProfileFile p(dir.File("batch.ini"));
    ASSERT_TRUE(p.Load());
    for (int s = 0; s < 3; ++s) {
        for (int k = 0; k < 3; ++k) {
            p.SetString("S" + std::to_string(s), "k" + std::to_string(k), std::to_string(s * k));
        }
    }
    ASSERT_TRUE(p.Save());
    ProfileFile q(p.Path());
    ASSERT_TRUE(q.Load());
    EXPECT_EQ(q.GetInt("s2", "K2", -1), 4);
    EXPECT_EQ(q.SectionNames(), (std::vector<std::string>{"S0", "S1", "S2"}));
    q.Clear();
    ASSERT_TRUE(q.Save());
    EXPECT_EQ(ReadBytes(p.Path()), "");
}

// Root ignores folder permissions, so as root the save runs in a child that gives them up.
TEST(Profile, SaveIntoReadOnlyFolderFailsAndKeepsOldFile) {
    TempFolder dir;
    const std::string f = dir.File("ro.ini");
    WriteBytes(f, "[S]\nk=old\n");
    ASSERT_EQ(::chmod(f.c_str(), 0644), 0);
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0555), 0);
    auto attempt = [&f]() {
        ProfileFile p(f);
        if (!p.Load() || p.GetString("S", "k", "") != "old") return 1;
        p.SetString("S", "k", "new");
        std::string error;
        if (p.Save(&error) || error.empty()) return 2;
        if (WritePrivateProfileStringA("S", "k", "new", f.c_str()) != 0) return 3;
        return 0;
    };
    if (geteuid() == 0) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0) _exit(10);
            _exit(attempt());
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    } else {
        EXPECT_EQ(attempt(), 0);
    }
    ::chmod(dir.Path().c_str(), 0755);
    EXPECT_EQ(ReadBytes(f), "[S]\nk=old\n");
}

TEST(Profile, FailureAtEveryStepKeepsOldFileAndLeavesNoTemporary) {
    using Step = ProfileFile::SaveStep;
    TempFolder dir;
    const std::string f = dir.File("fault.ini");
    WriteBytes(f, "[S]\nk=old\n");
    for (Step failAt : {Step::CreateTemp, Step::Write, Step::Sync, Step::Rename}) {
        SCOPED_TRACE(static_cast<int>(failAt));
        ProfileFile::SetSaveFaultHook([failAt](Step s) { return s == failAt; });
        ProfileFile p(f);
        ASSERT_TRUE(p.Load());
        p.SetString("S", "k", "new");
        std::string error;
        EXPECT_FALSE(p.Save(&error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(ReadBytes(f), "[S]\nk=old\n");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()),
                                std::filesystem::directory_iterator()),
                  1);
    }
    ProfileFile::SetSaveFaultHook({});
    EXPECT_EQ(WritePrivateProfileStringA("S", "k", "new", f.c_str()), 1);
    EXPECT_EQ(ReadBytes(f), "[S]\nk=new\n");
}

TEST(Profile, UnreadableFileIsNotOverwritten) {
    TempFolder dir;
    const std::string d = dir.File("adir.ini");
    std::filesystem::create_directory(d);
    ProfileFile p(d);
    EXPECT_FALSE(p.Load());
    p.SetString("S", "k", "v");
    EXPECT_FALSE(p.Save());
    EXPECT_TRUE(std::filesystem::is_directory(d));
}

TEST(Profile, SaveKeepsFileModeAndFollowsSymlink) {
    TempFolder dir;
    const std::string f = dir.File("real.ini");
    const std::string link = dir.File("link.ini");
    WriteBytes(f, "[S]\nk=1\n");
    ASSERT_EQ(::chmod(f.c_str(), 0600), 0);
    std::filesystem::create_symlink(f, link);
    ASSERT_EQ(WritePrivateProfileStringA("S", "k", "2", link.c_str()), 1);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(f), "[S]\nk=2\n");
    struct stat st;
    ASSERT_EQ(::stat(f.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

}  // namespace zl
