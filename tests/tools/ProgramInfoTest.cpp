// Every program answers --version with the project version, and reporter-cli --help names
// the folders it reads its files from.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "CliFiles.h"
#include "base/Version.h"

namespace zl {

namespace {

struct Output {
    std::string text;
    int status = -1;
};

Output RunProgram(const std::string& path, const std::string& args) {
    Output out;
    FILE* pipe = ::popen(("'" + path + "' " + args + " 2>/dev/null").c_str(), "r");
    if (!pipe) return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.text.append(buf, n);
    const int status = ::pclose(pipe);
    out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

// "name=path|name=path" from the build.
std::vector<std::pair<std::string, std::string>> Programs() {
    std::vector<std::pair<std::string, std::string>> list;
    std::stringstream all(ZL_VERSION_PROGRAMS);
    std::string item;
    while (std::getline(all, item, '|')) {
        const size_t eq = item.find('=');
        if (eq != std::string::npos) list.emplace_back(item.substr(0, eq), item.substr(eq + 1));
    }
    return list;
}

TEST(ProgramInfo, EveryProgramPrintsItsVersion) {
    const auto programs = Programs();
    ASSERT_GE(programs.size(), 3u);
    const std::string version = zl::ProjectVersion();
    ASSERT_FALSE(version.empty());
    for (const auto& [name, path] : programs) {
        const Output out = RunProgram(path, "--version");
        EXPECT_EQ(out.status, 0) << name;
        EXPECT_EQ(out.text, name + " " + version + "\n") << name;
    }
}

TEST(ProgramInfo, ReporterCliHelpSaysWhereItLooks) {
    zl::LocationFacts facts;
    facts.programFolder = "/usr/bin/";
    facts.installedBinFolder = "/usr/bin/";
    facts.installedDataFolder = "/usr/share/zelkoReporter/";
    facts.configHome = "/home/ann/.config/";
    std::string text = CliFileLocationsFor(facts);
    EXPECT_NE(text.find("/home/ann/.config/zelkoReporter/Setting .ini"), std::string::npos) << text;
    EXPECT_NE(text.find("/usr/share/zelkoReporter/LANG/"), std::string::npos) << text;

    facts.programFolder = "/opt/zr/";
    facts.programFolderWritable = true;
    text = CliFileLocationsFor(facts);
    EXPECT_NE(text.find("/opt/zr/Setting .ini"), std::string::npos) << text;
    EXPECT_NE(text.find("portable"), std::string::npos) << text;

    // The program's own --help carries that part, with the folders of this process.
    for (const auto& [name, path] : Programs()) {
        if (name != "reporter-cli") continue;
        const Output out = RunProgram(path, "--help");
        EXPECT_EQ(out.status, 0);
        EXPECT_NE(out.text.find("usage: reporter-cli"), std::string::npos) << out.text;
        EXPECT_NE(out.text.find("Setting .ini"), std::string::npos) << out.text;
    }
}

}  // namespace

}  // namespace zl
