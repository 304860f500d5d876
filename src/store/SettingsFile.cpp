#include "store/SettingsFile.h"

#include "base/Profile.h"
#include "base/ProgramFolder.h"

namespace zl {

namespace {
constexpr const char* kSection = "P_Count_Setting";
constexpr const char* kKey = "CounterType";
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

}  // namespace zl
