#include "base/Version.h"

#include "base/BuildInfo.h"

namespace zl {

std::string VersionText(const std::string& program) {
    return program + " " + build::kVersion + "\n";
}

const char* ProjectVersion() {
    return build::kVersion;
}

const char* InstalledConfigFolder() {
    return build::kInstalledConfigFolder;
}

bool AsksForVersion(const std::vector<std::string>& args) {
    return !args.empty() && args[0] == "--version";
}

}  // namespace zl
