// Which files a server serves and how a client's path maps to one of them.
#include <gtest/gtest.h>
#include <unistd.h>

#include "Catalog.h"
#include "RecNetTestKit.h"

namespace zl::recnetd {
namespace {

using testkit::TempDir;

class CatalogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = dir_ / "root";
        testkit::WriteSampleRoot(root_);
    }
    std::string PathOf(int kind) const { return root_ + "/" + testkit::SampleRelativePath(kind); }

    TempDir dir_;
    std::string root_;
};

TEST_F(CatalogTest, ListsTheNineFilesWithTheirTypes) {
    Catalog catalog({root_ + "/"});  // a trailing '/' is dropped
    const auto list = catalog.List();
    ASSERT_EQ(list.size(), 9u);
    const int types[] = {1, 2, 3, 4, 5, 6, 7, 7, 7};
    for (size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i].counterType, types[i]);
        EXPECT_EQ(list[i].path, PathOf(static_cast<int>(i) + 1));
        EXPECT_EQ(list[i].realPath, PathOf(static_cast<int>(i) + 1));
    }
    std::string path2D, path3D;
    catalog.PeoplePaths(&path2D, &path3D);
    EXPECT_EQ(path2D, PathOf(1));
    EXPECT_EQ(path3D, PathOf(2));
}

TEST_F(CatalogTest, ListsOnlyRegularFilesThatExist) {
    ASSERT_EQ(::unlink(PathOf(3).c_str()), 0);
    ASSERT_EQ(::unlink(PathOf(1).c_str()), 0);
    ASSERT_EQ(::mkdir(PathOf(1).c_str(), 0755), 0);  // a folder with a database's name
    Catalog catalog({root_, dir_ / "missing-root"});
    EXPECT_EQ(catalog.List().size(), 7u);
    std::string path2D, path3D;
    catalog.PeoplePaths(&path2D, &path3D);
    EXPECT_EQ(path2D, "");
    EXPECT_EQ(path3D, PathOf(2));
}

TEST_F(CatalogTest, SeveralRootsAndALinkedRoot) {
    const std::string second = dir_ / "second";
    ASSERT_TRUE(testkit::WriteSampleDatabase(second + "/FlowCountData/FlowCount.db", 5));
    ASSERT_EQ(::symlink(second.c_str(), (dir_ / "alias").c_str()), 0);
    Catalog catalog({root_, dir_ / "alias"});
    const auto list = catalog.List();
    ASSERT_EQ(list.size(), 10u);
    EXPECT_EQ(list[9].path, dir_ / "alias/FlowCountData/FlowCount.db");
    EXPECT_EQ(list[9].realPath, second + "/FlowCountData/FlowCount.db");
    ServedDatabase served;
    std::string reason;
    EXPECT_TRUE(catalog.Resolve(dir_ / "alias/FlowCountData/FlowCount.db", &served, &reason));
    EXPECT_TRUE(catalog.Resolve(second + "/FlowCountData/FlowCount.db", &served, &reason));
}

TEST_F(CatalogTest, ResolveAcceptsServedPathsInBothSeparators) {
    Catalog catalog({root_});
    ServedDatabase served;
    std::string reason;
    ASSERT_TRUE(catalog.Resolve(PathOf(6), &served, &reason)) << reason;
    EXPECT_EQ(served.counterType, 6);
    std::string backslashes = PathOf(8);
    for (char& c : backslashes) {
        if (c == '/') c = '\\';
    }
    ASSERT_TRUE(catalog.Resolve(backslashes, &served, &reason)) << reason;
    EXPECT_EQ(served.counterType, 7);
    EXPECT_EQ(served.path, PathOf(8));
    ASSERT_TRUE(
        catalog.Resolve(root_ + "//PeopleCounterData/./PeopleCounter.db", &served, &reason));
}

TEST_F(CatalogTest, ResolveRefusesEverythingElse) {
    ASSERT_TRUE(testkit::WriteSampleDatabase(dir_ / "outside.db", 1));
    ASSERT_TRUE(testkit::WriteSampleDatabase(root_ + "/PeopleCounterData/Other.db", 1));
    // A served name that is a link out of the root.
    ASSERT_EQ(::unlink(PathOf(4).c_str()), 0);
    ASSERT_EQ(::symlink((dir_ / "outside.db").c_str(), PathOf(4).c_str()), 0);
    Catalog catalog({root_});
    EXPECT_EQ(catalog.List().size(), 8u);
    const struct {
        std::string path;
        const char* reason;
    } cases[] = {
        {"", "empty"},
        {"PeopleCounterData/PeopleCounter.db", "absolute"},
        {"D:\\Data\\PeopleCounterData\\PeopleCounter.db", "absolute"},
        {"file:" + PathOf(1), "URI"},
        {"File:" + PathOf(1), "URI"},
        {root_ + "/PeopleCounterData/../PeopleCounterData/PeopleCounter.db", ".."},
        {root_ + "\\..\\root\\PeopleCounterData\\PeopleCounter.db", ".."},
        {PathOf(4), "not served"},
        {dir_ / "outside.db", "not served"},
        {root_ + "/PeopleCounterData/Other.db", "not served"},
        {root_, "not served"},
        {"/etc/passwd", "not served"},
        {PathOf(1) + "-journal", "not served"},
    };
    for (const auto& c : cases) {
        ServedDatabase served;
        std::string reason;
        EXPECT_FALSE(catalog.Resolve(c.path, &served, &reason)) << c.path;
        EXPECT_NE(reason.find(c.reason), std::string::npos) << c.path << ": " << reason;
    }
}

TEST(CatalogPaths, IsInside) {
    EXPECT_TRUE(IsInside("/a/b/c", "/a/b"));
    EXPECT_TRUE(IsInside("/a/b", "/a/b"));
    EXPECT_FALSE(IsInside("/a/bc", "/a/b"));
    EXPECT_FALSE(IsInside("/a", "/a/b"));
    EXPECT_TRUE(IsInside("/a", "/"));
    EXPECT_FALSE(IsInside("/a", ""));
}

}  // namespace
}  // namespace zl::recnetd
