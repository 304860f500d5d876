#include "store/SettingsFile.h"

#include "base/Profile.h"
#include "base/ProgramFolder.h"

namespace zl {

namespace {
constexpr const char* kSection = "P_Count_Setting";
constexpr const char* kKey = "CounterType";
constexpr const char* kTlsSection = "RecNetTls";
constexpr const char* kCaFileKey = "CaFile";
}  // namespace

std::string DefaultSettingsFile() {
    return SettingsFolder() + "Setting .ini";
}

int LoadLastCounterType(const std::string& file) {
    return static_cast<int>(GetPrivateProfileIntA(kSection, kKey, 1, file.c_str()));
}

bool SaveLastCounterType(const std::string& file, int counterType) {
    const std::string value = std::to_string(counterType);
    return WritePrivateProfileStringA(kSection, kKey, value.c_str(), file.c_str()) != 0;
}

std::string LoadTrustedCaFile(const std::string& file) {
    char value[4096] = {};
    GetPrivateProfileStringA(kTlsSection, kCaFileKey, "", value, sizeof value, file.c_str());
    std::string path = value;
    if (path.empty() || path.front() == '/') return path;
    const auto slash = file.find_last_of('/');
    return slash == std::string::npos ? path : file.substr(0, slash + 1) + path;
}

}  // namespace zl
