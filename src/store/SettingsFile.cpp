#include "store/SettingsFile.h"

#include "base/Profile.h"
#include "base/ProgramFolder.h"
#include "base/TextCodec.h"
#include "store/ProfileValues.h"

namespace zl {

namespace {
constexpr const char* kSection = "P_Count_Setting";
constexpr const char* kKey = "CounterType";
constexpr const char* kTlsSection = "RecNetTls";
constexpr const char* kCaFileKey = "CaFile";
constexpr const char* kLanguageSection = "LANGUAGE";
constexpr int kFirstCounterType = 1;
constexpr int kLastCounterType = 7;
}  // namespace

std::string DefaultSettingsFile() {
    return SettingsFolder() + "Setting .ini";
}

int LoadLastCounterType(const std::string& file) {
    const int type = static_cast<int>(GetPrivateProfileIntA(kSection, kKey, 1, file.c_str()));
    return type < kFirstCounterType || type > kLastCounterType ? 1 : type;
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

std::string LoadLanguageFileName(const std::string& file) {
    ProfileFile settings(file);
    settings.Load();
    const std::string name = ReadProfileText(settings, kLanguageSection, "TYPE", "");
    return name.empty() ? kDefaultLanguageFile : name;
}

bool SaveLanguageFileName(const std::string& file, const std::string& name) {
    return WritePrivateProfileStringA(kLanguageSection, "TYPE", name.c_str(), file.c_str()) != 0;
}

bool ApplyCodePageSetting(const std::string& file, std::string* error) {
    ProfileFile settings(file);
    settings.Load();
    const std::string page = settings.GetString(kLanguageSection, "CODEPAGE", "");
    if (page.empty() || SetLegacyCodePage(page)) return true;
    if (error) *error = "'" + file + "': code page \"" + page + "\" is not known";
    return false;
}

}  // namespace zl
