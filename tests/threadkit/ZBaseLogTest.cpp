#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "Bytes.h"
#include "TempFolder.h"
#include "threadkit/ZBaseLog.h"

namespace zl {

using namespace zl;
using zl::testsupport::ReadBytes;
using zl::testsupport::WriteBytes;

namespace {

class CountingLog : public ILog {
  public:
    int RangeFile(const char* fullPath) override {
        paths.push_back(fullPath);
        return ZBaseLog::RangeFile(fullPath);
    }
    std::vector<std::string> paths;
};

}  // namespace

TEST(ZBaseLog, EntryFormat) {
    zl::testsupport::TempFolder dir;
    const std::string f = dir.File("a.log");
    ILog log;
    EXPECT_EQ(log.Write("lost"), 0);  // nothing open
    EXPECT_EQ(log.WriteV("%d", 1), 0);
    ASSERT_EQ(log.SetFilename(f.c_str()), 1);
    EXPECT_EQ(log.Filename(), std::filesystem::canonical(f).string());
    EXPECT_EQ(log.Write("hello"), 1);
    EXPECT_EQ(log.WriteV("n=%d %s\n", 42, "x"), 1);
    char tid[32];
    std::snprintf(tid, sizeof tid, "%x", static_cast<unsigned>(::syscall(SYS_gettid)));
    const std::string stamp = R"(\d{4} (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \d\d )"
                              R"(\d\d:\d\d:\d\d - Thread Id: )" +
                              std::string(tid) + " : ";
    EXPECT_TRUE(std::regex_match(ReadBytes(f), std::regex(stamp + "hello" + stamp + "n=42 x\n")))
        << ReadBytes(f);
}

TEST(ZBaseLog, OpensWithoutTruncating) {
    zl::testsupport::TempFolder dir;
    const std::string f = dir.File("b.log");
    WriteBytes(f, "old\n");
    ILog log;
    ASSERT_EQ(log.SetFilename(f.c_str()), 1);
    log.Write("new");
    EXPECT_EQ(ReadBytes(f).substr(0, 4), "old\n");
    EXPECT_EQ(log.SetFilename(dir.File("missing/x.log").c_str()), 0);
    EXPECT_EQ(log.IsOpen(), 0);
}

TEST(ZBaseLog, BigFileGoesToRangeFileAtOpenAndEveryHundredthWrite) {
    zl::testsupport::TempFolder dir;
    const std::string f = dir.File("big.log");
    WriteBytes(f, std::string(ZBaseLog::kRangeSize + 1, 'x'));
    CountingLog log;
    ASSERT_EQ(log.SetFilename(f.c_str()), 1);
    ASSERT_EQ(log.paths.size(), 1u);
    EXPECT_EQ(log.paths[0], std::filesystem::canonical(f).string());
    for (int i = 1; i <= 250; ++i) {
        ASSERT_EQ(log.Write("e"), 1);
        EXPECT_EQ(log.paths.size(), 1u + i / 100) << "after write " << i;
    }
    EXPECT_EQ(log.IsOpen(), 1);  // reopened after each hand-over
}

TEST(ZBaseLog, SmallFileIsNeverHandedOver) {
    zl::testsupport::TempFolder dir;
    const std::string f = dir.File("small.log");
    WriteBytes(f, std::string(ZBaseLog::kRangeSize, 'x'));  // exactly 3 MiB is not over
    CountingLog log;
    ASSERT_EQ(log.SetFilename(f.c_str()), 1);
    for (int i = 0; i < 99; ++i) log.Write("e");
    EXPECT_TRUE(log.paths.empty());
    log.Write("e");  // the 100th write finds it over the limit now
    EXPECT_EQ(log.paths.size(), 1u);
}

// A subclass that rotates: RangeFile moves the file aside, and writing goes on in a fresh one.
TEST(ZBaseLog, RotatingSubclass) {
    struct Rotating : ILog {
        int RangeFile(const char* fullPath) override {
            std::filesystem::rename(fullPath, std::string(fullPath) + ".1");
            return 1;
        }
    };
    zl::testsupport::TempFolder dir;
    const std::string f = dir.File("r.log");
    WriteBytes(f, std::string(ZBaseLog::kRangeSize + 10, 'x'));
    Rotating log;
    ASSERT_EQ(log.SetFilename(f.c_str()), 1);
    log.Write("fresh");
    EXPECT_EQ(std::filesystem::file_size(f + ".1"), ZBaseLog::kRangeSize + 10);
    EXPECT_NE(ReadBytes(f).find("fresh"), std::string::npos);
    EXPECT_LT(std::filesystem::file_size(f), 100u);
}

}  // namespace zl
