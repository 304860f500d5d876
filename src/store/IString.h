// Language strings: texts looked up by decimal id in section "STRING" of the language file
// (LANG/ in the program folder). A missing file or key gives "NULL".
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

class IString {
public:
    static IString* Instance();
    // Chooses the language file: key "TYPE" of section "LANGUAGE" in "Setting .ini" of the
    // program folder, default "zelkoReporter_ENG.ini", in the folder "LANG/". Returns 1.
    int Load();
    // Uses this language file directly (tools and tests).
    void SetFile(const std::string& path);
    const std::string& File() const { return file_; }
    // The text of `id`; the pointer stays valid for the life of the process and is the same
    // for the same id every time.
    const char* LoadStringA(unsigned id);

    IString();

private:
    std::string GetString(unsigned id) const;
    std::string file_;
    std::unordered_map<unsigned, std::unique_ptr<std::string>> cache_;
};
