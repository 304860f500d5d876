// The users file: argon2id hashes, add, replace, remove, reload, names.
#include <gtest/gtest.h>
#include <sodium.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "RecNetTestKit.h"
#include "UserStore.h"

namespace zl::recnetd {
namespace {

using testkit::TempDir;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class UserStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_GE(sodium_init(), 0);
        path_ = dir_ / "users";
    }
    TempDir dir_;
    std::string path_;
};

TEST_F(UserStoreTest, AddVerifyReplaceRemove) {
    std::string error;
    ASSERT_TRUE(UserStore::AddUser(path_, "alice", "first password", &error)) << error;
    struct stat st {};
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const std::string text = ReadAll(path_);
    EXPECT_EQ(text.rfind("alice:$argon2id$", 0), 0u) << text;
    EXPECT_EQ(text.find("first password"), std::string::npos);

    UserStore store(path_);
    ASSERT_TRUE(store.Load(&error));
    bool known = false;
    EXPECT_TRUE(store.Verify("alice", "first password", &known));
    EXPECT_TRUE(known);
    EXPECT_FALSE(store.Verify("alice", "First password", &known));
    EXPECT_TRUE(known);
    EXPECT_FALSE(store.Verify("bob", "first password", &known));
    EXPECT_FALSE(known);

    ASSERT_TRUE(UserStore::AddUser(path_, "alice", "second", &error));
    store.ReloadIfChanged();
    EXPECT_FALSE(store.Verify("alice", "first password"));
    EXPECT_TRUE(store.Verify("alice", "second"));
    EXPECT_EQ(store.Count(), 1u);

    ASSERT_TRUE(UserStore::RemoveUser(path_, "alice", &error));
    store.ReloadIfChanged();
    EXPECT_FALSE(store.Verify("alice", "second"));
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_FALSE(UserStore::RemoveUser(path_, "alice", &error));
    EXPECT_NE(error.find("no such user"), std::string::npos);
}

// A password that passed the full check is recognised without it, and only that password of
// that user while the user's line in the file stays the same: every other password, a changed
// or removed user, another user and a store that remembers nothing take the full check.
TEST_F(UserStoreTest, RecognisesOnlyTheVerifiedPasswordOfTheSameHash) {
    std::string error;
    ASSERT_TRUE(UserStore::AddUser(path_, "alice", "right", &error)) << error;
    ASSERT_TRUE(UserStore::AddUser(path_, "bob", "right", &error)) << error;
    UserStore store(path_);
    ASSERT_TRUE(store.Load(&error));
    EXPECT_TRUE(store.Verify("alice", "right"));
    EXPECT_EQ(store.FullChecks(), 1u);
    bool known = false;
    EXPECT_TRUE(store.Verify("alice", "right", &known));
    EXPECT_TRUE(known);
    EXPECT_EQ(store.FullChecks(), 1u);
    for (const char* wrong : {"Right", "righ", "right ", ""}) {
        EXPECT_FALSE(store.Verify("alice", wrong)) << wrong;
    }
    EXPECT_EQ(store.FullChecks(), 5u);
    // bob's password is the same text: his first log-in is checked in full.
    EXPECT_TRUE(store.Verify("bob", "right"));
    EXPECT_EQ(store.FullChecks(), 6u);

    ASSERT_TRUE(UserStore::AddUser(path_, "alice", "new", &error));
    store.ReloadIfChanged();
    EXPECT_FALSE(store.Verify("alice", "right"));
    EXPECT_TRUE(store.Verify("alice", "new"));
    ASSERT_TRUE(UserStore::RemoveUser(path_, "bob", &error));
    store.ReloadIfChanged();
    EXPECT_FALSE(store.Verify("bob", "right", &known));
    EXPECT_FALSE(known);

    UserStore forgetful(path_, 0);
    ASSERT_TRUE(forgetful.Load(&error));
    EXPECT_TRUE(forgetful.Verify("alice", "new"));
    EXPECT_TRUE(forgetful.Verify("alice", "new"));
    EXPECT_EQ(forgetful.FullChecks(), 2u);
}

TEST_F(UserStoreTest, KeepsCommentsAndOtherUsers) {
    std::ofstream(path_) << "# users of the server\n\nbob:$argon2id$notreal\n";
    std::string error;
    ASSERT_TRUE(UserStore::AddUser(path_, "carol", "pw", &error));
    ASSERT_TRUE(UserStore::RemoveUser(path_, "bob", &error));
    const std::string text = ReadAll(path_);
    EXPECT_EQ(text.rfind("# users of the server\n\ncarol:$argon2id$", 0), 0u) << text;
    UserStore store(path_);
    ASSERT_TRUE(store.Load(&error));
    EXPECT_EQ(store.Count(), 1u);
}

TEST_F(UserStoreTest, RefusesBadNamesAndEmptyPasswords) {
    std::string error;
    for (const char* name : {"", "a b", "a:b", "x\n", "ü", "../etc"}) {
        EXPECT_FALSE(IsValidUserName(name)) << name;
        EXPECT_FALSE(UserStore::AddUser(path_, name, "pw", &error)) << name;
    }
    EXPECT_FALSE(IsValidUserName(std::string(65, 'a')));
    EXPECT_TRUE(IsValidUserName(std::string(64, 'a')));
    EXPECT_TRUE(IsValidUserName("site-1.ops_team@north"));
    EXPECT_FALSE(UserStore::AddUser(path_, "alice", "", &error));
}

TEST_F(UserStoreTest, MissingFileIsAnEmptyList) {
    UserStore store(dir_ / "none");
    std::string error;
    ASSERT_TRUE(store.Load(&error));
    EXPECT_EQ(store.Count(), 0u);
    bool known = true;
    EXPECT_FALSE(store.Verify("alice", "pw", &known));
    EXPECT_FALSE(known);
}

}  // namespace
}  // namespace zl::recnetd
