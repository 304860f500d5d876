// Where the settings and language files live: the rule, the first-run copy, and the
// process-wide folders through a temporary program folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "BaseTestKit.h"
#include "base/ProgramFolder.h"

namespace zl {

namespace {

using zl::FileLocations;
using zl::LocationFacts;

LocationFacts Installed() {
    LocationFacts f;
    f.programFolder = "/usr/bin/";
    f.programFolderWritable = false;
    f.installedBinFolder = "/usr/bin/";
    f.installedDataFolder = "/usr/share/zelkoReporter/";
    f.configHome = "/home/ann/.config/";
    return f;
}

int ModeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
}

// Sets an environment variable for the life of the object and puts the old value back.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(FileLocationRule, WritableProgramFolderIsAPortableCopy) {
    LocationFacts f = Installed();
    f.programFolder = "/opt/zr/";
    f.programFolderWritable = true;
    const FileLocations where = zl::ResolveFileLocations(f);
    EXPECT_TRUE(where.portable);
    EXPECT_EQ(where.settingsFolder, "/opt/zr/");
    EXPECT_EQ(where.dataFolder, "/opt/zr/");
}

TEST(FileLocationRule, InstalledCopyUsesTheUsersFolderAndTheDataFolder) {
    LocationFacts f = Installed();
    FileLocations where = zl::ResolveFileLocations(f);
    EXPECT_FALSE(where.portable);
    EXPECT_EQ(where.settingsFolder, "/home/ann/.config/zelkoReporter/");
    EXPECT_EQ(where.dataFolder, "/usr/share/zelkoReporter/");

    // The superuser can write to /usr/bin; that does not make it a portable copy.
    f.programFolderWritable = true;
    where = zl::ResolveFileLocations(f);
    EXPECT_FALSE(where.portable);
    EXPECT_EQ(where.settingsFolder, "/home/ann/.config/zelkoReporter/");

    // A read-only copy elsewhere (a mounted stick) keeps its own language files.
    f = Installed();
    f.programFolder = "/media/stick/zr/";
    f.programFolderHasLang = true;
    where = zl::ResolveFileLocations(f);
    EXPECT_EQ(where.settingsFolder, "/home/ann/.config/zelkoReporter/");
    EXPECT_EQ(where.dataFolder, "/media/stick/zr/");

    // Without a home there is nowhere else: the program folder, whose saves then fail.
    f = Installed();
    f.configHome.clear();
    where = zl::ResolveFileLocations(f);
    EXPECT_EQ(where.settingsFolder, "/usr/bin/");
}

TEST(FileLocationFacts, ConfigHomeFollowsXdgThenHome) {
    {
        ScopedEnv xdg("XDG_CONFIG_HOME", "/srv/cfg");
        EXPECT_EQ(zl::CurrentLocationFacts().configHome, "/srv/cfg/");
    }
    {
        // A relative value is not a valid base folder and is ignored.
        ScopedEnv xdg("XDG_CONFIG_HOME", "relative/cfg");
        ScopedEnv home("HOME", "/home/bob");
        EXPECT_EQ(zl::CurrentLocationFacts().configHome, "/home/bob/.config/");
    }
}

TEST(CopyMissingFiles, CopiesPrivatelyAndNeverReplaces) {
    TempFolder dir;
    const std::string program = dir.File("program") + "/";
    const std::string user = dir.File("home/.config/zelkoReporter") + "/";
    std::filesystem::create_directories(program);
    WriteBytes(program + "Setting .ini", "[LANGUAGE]\r\nTYPE=zelkoReporter_ENG.ini\r\n");
    WriteBytes(program + "SiteList.ini", "[SITE_LIST]\r\nCOUNT=1\r\n");

    std::string error;
    ASSERT_TRUE(zl::CopyMissingFiles(program, user, zl::UserSettingsFiles(), &error)) << error;
    EXPECT_EQ(ReadBytes(user + "Setting .ini"), "[LANGUAGE]\r\nTYPE=zelkoReporter_ENG.ini\r\n");
    EXPECT_EQ(ReadBytes(user + "SiteList.ini"), "[SITE_LIST]\r\nCOUNT=1\r\n");
    EXPECT_EQ(ModeOf(user + "SiteList.ini"), 0600);
    EXPECT_EQ(ModeOf(user + "Setting .ini"), 0600);
    EXPECT_EQ(ModeOf(dir.File("home/.config")), 0700);
    EXPECT_EQ(ModeOf(user), 0700);

    // The user's own file stays as it is; one that went missing comes back.
    WriteBytes(user + "SiteList.ini", "mine");
    std::filesystem::remove(user + "Setting .ini");
    ASSERT_TRUE(zl::CopyMissingFiles(program, user, zl::UserSettingsFiles(), &error)) << error;
    EXPECT_EQ(ReadBytes(user + "SiteList.ini"), "mine");
    EXPECT_EQ(ReadBytes(user + "Setting .ini"), "[LANGUAGE]\r\nTYPE=zelkoReporter_ENG.ini\r\n");
    // Nothing to copy is no error.
    EXPECT_TRUE(zl::CopyMissingFiles(dir.File("empty"), dir.File("other"), zl::UserSettingsFiles(),
                                     &error));
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("other")));
}

TEST(CopyMissingFiles, FolderThatCannotBeMadeIsAnError) {
    TempFolder dir;
    WriteBytes(dir.File("file"), "x");
    std::string error;
    EXPECT_FALSE(zl::CopyMissingFiles(dir.Path(), dir.File("file/sub"), {"x"}, &error));
    EXPECT_NE(error.find(dir.File("file")), std::string::npos) << error;
}

// The process-wide folders, with a temporary program folder and configuration home.
class ProcessLocations : public ::testing::Test {
  protected:
    ProcessLocations() : xdg_("XDG_CONFIG_HOME", nullptr) {
        program_ = dir_.File("program") + "/";
        std::filesystem::create_directories(program_);
        ::setenv("XDG_CONFIG_HOME", dir_.File("cfg").c_str(), 1);
        zl::SetProgramFolderOverride(program_);
    }
    ~ProcessLocations() override {
        zl::SetWritableCheckOverride({});
        zl::SetProgramFolderOverride("");
    }
    std::string UserFolder() const { return dir_.File("cfg/zelkoReporter") + "/"; }

    TempFolder dir_;
    ScopedEnv xdg_;
    std::string program_;
};

TEST_F(ProcessLocations, WritableFolderKeepsEverythingBesideTheProgram) {
    WriteBytes(program_ + "Setting .ini", "s");
    EXPECT_EQ(zl::SettingsFolder(), program_);
    EXPECT_EQ(zl::DataFolder(), program_);
    EXPECT_FALSE(std::filesystem::exists(UserFolder()));
}

TEST_F(ProcessLocations, ReadOnlyFolderMovesSettingsToTheUserAndCopiesOnce) {
    WriteBytes(program_ + "Setting .ini", "s");
    WriteBytes(program_ + "SiteList.ini", "l");
    zl::SetWritableCheckOverride([](const std::string&) { return false; });
    EXPECT_EQ(zl::SettingsFolder(), UserFolder());
    EXPECT_EQ(ReadBytes(UserFolder() + "Setting .ini"), "s");
    EXPECT_EQ(ReadBytes(UserFolder() + "SiteList.ini"), "l");
    // No LANG/ beside the program: the installed data folder.
    EXPECT_NE(zl::DataFolder(), program_);

    // Later saves go to the user's copy, and a later start does not copy over them.
    WriteBytes(UserFolder() + "Setting .ini", "changed");
    zl::SetWritableCheckOverride([](const std::string&) { return false; });  // forgets the copy
    EXPECT_EQ(zl::SettingsFolder(), UserFolder());
    EXPECT_EQ(ReadBytes(UserFolder() + "Setting .ini"), "changed");

    std::filesystem::create_directories(program_ + "LANG");
    EXPECT_EQ(zl::DataFolder(), program_);
}

TEST_F(ProcessLocations, PermissionBitsDecideWithoutATestHook) {
    if (::geteuid() == 0) GTEST_SKIP() << "the superuser writes to any folder";
    ASSERT_EQ(::chmod(program_.c_str(), 0555), 0);
    EXPECT_EQ(zl::SettingsFolder(), UserFolder());
    ::chmod(program_.c_str(), 0755);
    zl::SetProgramFolderOverride(program_);
    EXPECT_EQ(zl::SettingsFolder(), program_);
}

}  // namespace

}  // namespace zl
