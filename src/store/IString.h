// Language strings: texts looked up by decimal id in section "STRING" of the language file
// (LANG/ in the program folder). A missing file or key gives "NULL". Safe to use from any
// thread. A text, once handed out, keeps its value for the life of the process.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "base/Profile.h"

namespace zl {

class IString {
  public:
    static IString* Instance();
    // Chooses the language file: key "TYPE" of section "LANGUAGE" in "Setting .ini" of the
    // program folder, default "zelkoReporter_ENG.ini", in the folder "LANG/". Returns 1.
    int Load();
    // Uses this language file directly (tools and tests).
    void SetFile(const std::string& path);
    std::string File();
    // The text of `id`; the pointer stays valid for the life of the process and is the same
    // for the same id every time.
    const char* LoadStringA(unsigned id);

    IString();

  private:
    std::string GetString(unsigned id);
    void ReadFileLocked();

    std::mutex mutex_;
    std::string file_;
    std::unordered_map<unsigned, std::unique_ptr<std::string>> cache_;
    // The language file as last read; read once per Load or SetFile (or on first use).
    zl::ProfileFile texts_;
    bool textsRead_ = false;
};

}  // namespace zl
