#include "store/IString.h"

#include "base/Profile.h"
#include "base/ProgramFolder.h"
#include "store/ProfileValues.h"
#include "store/SettingsFile.h"

namespace zl {

namespace {
constexpr const char* kStringSection = "STRING";
constexpr const char* kMissingText = "NULL";
}  // namespace

IString* IString::Instance() {
    static IString table;
    return &table;
}

// Until Load chooses one, the language file is "English.ini".
IString::IString() : file_(zl::DataFolder() + "LANG/English.ini") {}

int IString::Load() {
    // The code page comes first: the language file may be written in it.
    const std::string settings = zl::DefaultSettingsFile();
    zl::ApplyCodePageSetting(settings);
    SetFile(zl::DataFolder() + "LANG/" + zl::LoadLanguageFileName(settings));
    return 1;
}

void IString::SetFile(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    file_ = path;
    ReadFileLocked();
}

std::string IString::File() {
    std::lock_guard<std::mutex> lock(mutex_);
    return file_;
}

void IString::ReadFileLocked() {
    texts_ = zl::ProfileFile(file_);
    // A file that cannot be read has no texts: every id then gives "NULL".
    if (!texts_.Load()) texts_ = zl::ProfileFile(file_);
    textsRead_ = true;
}

const char* IString::LoadStringA(unsigned id) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = cache_.find(id);
    if (it != cache_.end()) return it->second->c_str();
    auto text = std::make_unique<std::string>(GetString(id));
    const char* p = text->c_str();
    cache_.emplace(id, std::move(text));
    return p;
}

std::string IString::GetString(unsigned id) {
    if (!textsRead_) ReadFileLocked();
    return zl::ReadProfileText(texts_, kStringSection, std::to_string(id), kMissingText);
}

}  // namespace zl
